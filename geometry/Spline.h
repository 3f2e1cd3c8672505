// Splines as the points of a polyline close to the curve: a rational
// B-spline of its degree, knots, weights and control points, or, without
// control points, a cubic through its fit points.
#pragma once

#include <cstddef>
#include <vector>

#include "model/AcadDxfUnit.h"

namespace vantrel {

// The segments the spline wants for its chords to stay within its
// tolerance; 0 for a spline that draws nothing.
std::size_t SplineSegments(const TSplineBlk& s);

// The points of the curve (x, y and z, whatever the planar flag), at most
// about `most` segments of them: a spline that wants more gets fewer,
// spread as it wants them. Empty for a spline that draws nothing.
void SplinePoints(const TSplineBlk& s, std::size_t most, std::vector<TAcadPoint>& points);

}  // namespace vantrel
