// Small drawings built in code for the geometry tests: records with the
// reader's defaults and only the fields a case cares about.
#pragma once

#include <string>
#include <vector>

#include "model/AcadDxfUnit.h"

namespace vantrel::test {

inline TAcadPoint P(double x, double y, double z = 0) { return TAcadPoint{x, y, z}; }

inline std::u16string Number(int n) {
  const std::string digits = std::to_string(n);
  return std::u16string(digits.begin(), digits.end());
}

inline TLayer Layer(const std::u16string& name, SmallInt color, const std::u16string& ltype = u"CONTINUOUS") {
  TLayer l;
  l.Name = name;
  l.color = color;
  l.ltype = ltype;
  return l;
}

inline TAcadLineBlk Line(TAcadPoint st, TAcadPoint ed, const std::u16string& bname = u"") {
  TAcadLineBlk r;
  r.bname = bname;
  r.st = st;
  r.ed = ed;
  return r;
}

inline TCircleBlk Circle(TAcadPoint center, double radius, const std::u16string& bname = u"") {
  TCircleBlk r;
  r.bname = bname;
  r.center = center;
  r.hankei = radius;
  return r;
}

inline TArcBlk Arc(TAcadPoint center, double radius, double st, double ed,
                   const std::u16string& bname = u"") {
  TArcBlk r;
  r.bname = bname;
  r.center = center;
  r.hankei = radius;
  r.st = st;
  r.ed = ed;
  return r;
}

inline TTextBlk Text(TAcadPoint pt10, double height, const std::u16string& str,
                     const std::u16string& bname = u"") {
  TTextBlk r;
  r.bname = bname;
  r.layer = u"0";
  r.pt10 = pt10;
  r.code40 = height;
  r.str = str;
  return r;
}

inline TBlockBlk Block(const std::u16string& name, TAcadPoint base = {}) {
  TBlockBlk b;
  b.name = name;
  b.layer = u"0";
  b.base = base;
  return b;
}

inline TInsertBlk Insert(const std::u16string& name, TAcadPoint base, double rotate = 0,
                         TAcadPoint scale = TAcadPoint{1, 1, 1}) {
  TInsertBlk r;
  r.name = name;
  r.base = base;
  r.rotate = rotate;
  r.scale = scale;
  return r;
}

// One polyline header with its vertices appended to the matching tables, as
// the reader leaves them (ihand = index of the header).
struct Vertex {
  TAcadPoint at;
  double bulge = 0;
};

inline void AddPolyline(std::vector<TLwpBlk>& headers, std::vector<TLwpVer>& vertices,
                        SmallInt code70, const std::vector<Vertex>& run,
                        const std::u16string& bname = u"") {
  TLwpBlk h;
  h.bname = bname;
  h.ihand = static_cast<Integer>(headers.size());
  h.code70 = code70;
  headers.push_back(h);
  for (const Vertex& v : run) {
    TLwpVer ver;
    ver.ihand = h.ihand;
    ver.code10 = v.at;
    ver.code42 = v.bulge;
    vertices.push_back(ver);
  }
}

}  // namespace vantrel::test
