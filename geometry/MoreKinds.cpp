#include "geometry/MoreKinds.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "geometry/AcadCtrl2016.h"
#include "geometry/LineOf.h"
#include "geometry/MLeader.h"

namespace vantrel {

namespace {

// Lines of these kinds lie in the world plane whatever their records say.
template <class Source>
TAcadLineBlk LineFrom(const Source& s, TAcadPoint st, TAcadPoint ed) {
  TAcadLineBlk line = LineOf(s, st, ed);
  line.code210 = DefaultExtrusion;
  return line;
}

// A point is a line without length: the renderer draws such a line as the
// dot of its pixel, and the extents and the placement of blocks take it as
// they take every line.
void AppendPointLines(const std::vector<TPointBlk>& points, std::vector<TAcadLineBlk>& lines) {
  for (const TPointBlk& p : points)
    if (p.code60 == 0) lines.push_back(LineFrom(p, p.pt10, p.pt10));
}

// The edges of each face of a MESH, a face's last corner back to its first.
// Indices come from the file: one outside the vertices ends nothing but its
// own edge, and a corner count beyond the list ends the list.
void AppendMeshLines(const std::vector<TMeshBlk>& meshes, std::vector<TAcadLineBlk>& lines) {
  for (const TMeshBlk& m : meshes) {
    if (m.code60 != 0) continue;
    const std::vector<Integer>& list = m.code90Ary;
    const std::size_t vertices = m.code10Ary.size();
    std::size_t at = 0;
    while (at < list.size()) {
      const Integer corners = list[at++];
      if (corners <= 0 || static_cast<std::size_t>(corners) > list.size() - at) break;
      for (Integer k = 0; k < corners; ++k) {
        const Integer a = list[at + k];
        const Integer b = list[at + (k + 1) % corners];
        if (a < 0 || b < 0 || static_cast<std::size_t>(a) >= vertices || static_cast<std::size_t>(b) >= vertices)
          continue;
        if (corners == 2 && k == 1) break;  // a two-cornered face is one edge
        lines.push_back(LineFrom(m, m.code10Ary[a], m.code10Ary[b]));
      }
      at += static_cast<std::size_t>(corners);
    }
  }
}

const TMLineStyle* StyleOf(const Drawing& d, const SharedName& name) {
  for (const TMLineStyle& s : d.MLineStyleAry)
    if (s.name == name) return &s;
  return nullptr;
}

// Each element of a multiline is a line through the points its vertices
// give it: the vertex moved along the miter by the element's first
// parameter. A vertex without parameters takes the element's offset from
// the style, scaled and justified as the multiline is.
void AppendMLineLines(const Drawing& d, const std::vector<TMLineBlk>& mlines, std::vector<TAcadLineBlk>& lines) {
  std::vector<TAcadPoint> previous, first, current;
  for (const TMLineBlk& m : mlines) {
    if (m.code60 != 0 || m.verAry.size() < 2) continue;
    const TMLineStyle* style = StyleOf(d, m.style);
    std::vector<double> fallback;
    if (style != nullptr) {
      fallback = style->code49Ary;
      if (!fallback.empty()) {
        const auto [lo, hi] = std::minmax_element(fallback.begin(), fallback.end());
        // Justification 0 puts the top element on the vertices, 2 the
        // bottom one, 1 the style's zero.
        const double shift = m.code70 == 0 ? *hi : m.code70 == 2 ? *lo : 0;
        for (double& f : fallback) f = (f - shift) * m.code40;
      }
    }
    std::size_t elements = fallback.size();
    for (const TMLineVer& v : m.verAry) elements = std::max(elements, v.code41Ary.size());
    // Elements beyond what any drawing uses come from a damaged file.
    elements = std::min<std::size_t>(elements, 64);
    auto pointsAt = [&](const TMLineVer& v, std::vector<TAcadPoint>& out) {
      out.clear();
      for (std::size_t e = 0; e < elements; ++e) {
        const double offset = e < v.code41Ary.size() ? v.code41Ary[e] : e < fallback.size() ? fallback[e] : 0;
        out.push_back(TAcadPoint{v.code11.x + v.code13.x * offset, v.code11.y + v.code13.y * offset,
                                 v.code11.z + v.code13.z * offset});
      }
    };
    pointsAt(m.verAry.front(), first);
    previous = first;
    auto joinTo = [&](const std::vector<TAcadPoint>& next) {
      for (std::size_t e = 0; e < elements; ++e) lines.push_back(LineFrom(m, previous[e], next[e]));
    };
    for (std::size_t k = 1; k < m.verAry.size(); ++k) {
      pointsAt(m.verAry[k], current);
      joinTo(current);
      previous.swap(current);
    }
    if ((m.code71 & 2) != 0) joinTo(first);
  }
}

}  // namespace

void PolyfaceEdges(const std::vector<TLwpVer>& run, std::vector<std::pair<TAcadPoint, TAcadPoint>>& edges) {
  edges.clear();
  std::vector<TAcadPoint> positions;
  for (const TLwpVer& v : run)
    if (!((v.code70 & 128) != 0 && (v.code70 & 64) == 0)) positions.push_back(v.code10);
  for (const TLwpVer& v : run) {
    if (!((v.code70 & 128) != 0 && (v.code70 & 64) == 0)) continue;
    const SmallInt index[4] = {v.code71, v.code72, v.code73, v.code74};
    int corners = 0;
    while (corners < 4 && index[corners] != 0) ++corners;
    for (int k = 0; k < corners; ++k) {
      const int a = index[k], b = index[(k + 1) % corners];
      if (a < 0) continue;
      const std::size_t from = static_cast<std::size_t>(a) - 1;
      const std::size_t to = static_cast<std::size_t>(std::abs(b)) - 1;
      if (from >= positions.size() || to >= positions.size() || from == to) continue;
      edges.emplace_back(positions[from], positions[to]);
    }
  }
}

void BlockKindsToLines(Drawing& d) {
  AppendPointLines(d.BlkPointAry, d.BlkLineAry);
  AppendMeshLines(d.BlkMeshAry, d.BlkLineAry);
  AppendMLineLines(d, d.BlkMLineAry, d.BlkLineAry);
  for (const TMLeaderBlk& m : d.BlkMLeaderAry)
    AppendMLeader(m, d.BlkLineAry, d.BlkFillAry, d.BlkFillPtAry, d.BlkFillRingAry, d.BlkTextAry);
}

void TablesToInserts(Drawing& d) {
  d.EntInsertAry.insert(d.EntInsertAry.end(), d.AcadTableAry.begin(), d.AcadTableAry.end());
}

void MLeaderBlocksToInserts(Drawing& d) {
  auto insertOf = [&](const TMLeaderBlk& m, TInsertBlk& e) {
    e.layer = m.layer;
    e.ltype = m.ltype;
    e.color = MLeaderPartColor(m.code93, m.color);
    e.base = m.code15;
    e.scale = m.code16;
    e.rotate = m.code46 * kRadToDeg;
    e.code67 = m.code67;
  };
  // The content names its block by the handle of the block's record.
  auto blockOf = [&](const TMLeaderBlk& m) -> const TBlockBlk* {
    if (!m.code296 || m.code60 != 0 || m.code341.empty()) return nullptr;
    for (const TBlockBlk& b : d.BlockAry)
      if (b.code330 == m.code341) return &b;
    return nullptr;
  };
  for (const TMLeaderBlk& m : d.MLeaderAry) {
    const TBlockBlk* block = blockOf(m);
    if (block == nullptr) continue;
    TInsertBlk e;
    e.name = block->name;
    insertOf(m, e);
    d.EntInsertAry.push_back(std::move(e));
  }
  for (const TMLeaderBlk& m : d.BlkMLeaderAry) {
    const TBlockBlk* block = blockOf(m);
    if (block == nullptr) continue;
    TInsertBlk e;
    e.name = block->name;
    e.dimBlkName = m.bname;
    insertOf(m, e);
    const auto owner = std::find_if(d.BlockAry.begin(), d.BlockAry.end(),
                                    [&](const TBlockBlk& b) { return b.name == m.bname; });
    if (owner != d.BlockAry.end()) owner->InsertAry.push_back(std::move(e));
  }
}

void ArcDimensionsToDimensions(Drawing& d) {
  d.DimensionAry.insert(d.DimensionAry.end(), d.ArcDimensionAry.begin(), d.ArcDimensionAry.end());
}

void AttdefsToTexts(Drawing& d) {
  d.EntTextAry.insert(d.EntTextAry.end(), d.AttdefAry.begin(), d.AttdefAry.end());
}

void PointsToLines(Drawing& d) { AppendPointLines(d.EntPointAry, d.EntLineAry); }

void MeshesToLines(Drawing& d) { AppendMeshLines(d.EntMeshAry, d.EntLineAry); }

void MLinesToLines(Drawing& d) { AppendMLineLines(d, d.EntMLineAry, d.EntLineAry); }

void MLeadersToLines(Drawing& d) {
  for (const TMLeaderBlk& m : d.MLeaderAry)
    AppendMLeader(m, d.EntLineAry, d.EntFillAry, d.EntFillPtAry, d.EntFillRingAry, d.EntTextAry);
}

}  // namespace vantrel
