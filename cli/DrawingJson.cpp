#include "cli/DrawingJson.h"

#include <charconv>
#include <cmath>
#include <stdexcept>
#include <string_view>
#include <type_traits>

#include "model/TextCodec.h"
#include "render/Pens.h"

namespace vantrel::cli {

namespace {

// The fields of each record in declaration order. `Derived` marks the pen
// fields, written only after the pen pass; verAry of polylines and the
// unused `checked` flags stay out, they never hold anything.
template <class V>
void Visit(V& v, const TLayer& r) {
  v("Name", r.Name);
  v("color", r.color);
  v("code70", r.code70);
  v("ltype", r.ltype);
  v("visible", r.visible);
  v("Comment", r.Comment);
}

template <class V>
void Visit(V& v, const TLtypeTbl& r) {
  v("name", r.name);
  v("code3", r.code3);
  v("code70", r.code70);
  v("code72", r.code72);
  v("code73", r.code73);
  v("code40", r.code40);
  v("code49Ary", r.code49Ary);
  v("code74Ary", r.code74Ary);
}

template <class V>
void Visit(V& v, const TViewTbl& r) {
  v("name", r.name);
  v("center", r.center);
  v("height", r.height);
  v("width", r.width);
  v("code70", r.code70);
}

template <class V>
void Visit(V& v, const TStyleTbl& r) {
  v("name", r.name);
  v("code3", r.code3);
  v("code4", r.code4);
  v("family", r.family);
  v("code40", r.code40);
  v("code41", r.code41);
  v("code50", r.code50);
  v("code70", r.code70);
  v("code1071", r.code1071);
  // The face pass's answer: dump runs it at every stage, so that a
  // drawing's stand-in fonts are always told.
  v("face", r.face);
  v("bold", r.bold);
  v("italic", r.italic);
  v("substituted", r.substituted);
}

template <class V>
void Visit(V& v, const TInsertBlk& r) {
  v("name", r.name);
  v("layer", r.layer);
  v("ltype", r.ltype);
  v("base", r.base);
  v("scale", r.scale);
  v("color", r.color);
  v("rotate", r.rotate);
  v("code70", r.code70);
  v("code71", r.code71);
  v("code44", r.code44);
  v("code45", r.code45);
  v("code66", r.code66);
  v.Derived("PenColor", r.PenColor);
  v.Derived("PenStyle", r.PenStyle);
  v("code67", r.code67);
  v("code210", r.code210);
  v.Derived("layindex", r.layindex);
  v("dimBlkName", r.dimBlkName);
  v("code60", r.code60);
}

template <class V>
void Visit(V& v, const TBlockBlk& r) {
  v("name", r.name);
  v("layer", r.layer);
  v("ltype", r.ltype);
  v("base", r.base);
  v.Derived("layindex", r.layindex);
  v("code60", r.code60);
  v("InsertAry", r.InsertAry);
}

template <class V>
void Visit(V& v, const TAcadLineBlk& r) {
  v("bname", r.bname);
  v("layer", r.layer);
  v("ltype", r.ltype);
  v("code48", r.code48);
  v("color", r.color);
  v("st", r.st);
  v("ed", r.ed);
  v.Derived("PenColor", r.PenColor);
  v.Derived("PenStyle", r.PenStyle);
  v("code67", r.code67);
  v("code210", r.code210);
  v.Derived("layindex", r.layindex);
  v("atsumi", r.atsumi);
  v("convtype", r.convtype);
  v("lwpflag", r.lwpflag);
  v("code60", r.code60);
}

template <class V>
void Visit(V& v, const TCircleBlk& r) {
  v("bname", r.bname);
  v("layer", r.layer);
  v("ltype", r.ltype);
  v("code48", r.code48);
  v("color", r.color);
  v("center", r.center);
  v("hankei", r.hankei);
  v.Derived("PenColor", r.PenColor);
  v.Derived("PenStyle", r.PenStyle);
  v("code67", r.code67);
  v("code210", r.code210);
  v.Derived("layindex", r.layindex);
  v("code60", r.code60);
}

template <class V>
void Visit(V& v, const TArcBlk& r) {
  v("bname", r.bname);
  v("layer", r.layer);
  v("ltype", r.ltype);
  v("code48", r.code48);
  v("color", r.color);
  v("center", r.center);
  v("hankei", r.hankei);
  v("st", r.st);
  v("ed", r.ed);
  v.Derived("PenColor", r.PenColor);
  v.Derived("PenStyle", r.PenStyle);
  v("code67", r.code67);
  v("code210", r.code210);
  v.Derived("layindex", r.layindex);
  v("atsumi", r.atsumi);
  v("lwpflag", r.lwpflag);
  v("code60", r.code60);
}

template <class V>
void Visit(V& v, const TLwpVer& r) {
  v("ihand", r.ihand);
  v("code10", r.code10);
  v("code42", r.code42);
  v("code40", r.code40);
  v("code41", r.code41);
}

template <class V>
void Visit(V& v, const TLwpBlk& r) {
  v("bname", r.bname);
  v("layer", r.layer);
  v("ltype", r.ltype);
  v("code48", r.code48);
  v("ihand", r.ihand);
  v("color", r.color);
  v("code38", r.code38);
  v("code40", r.code40);
  v("code41", r.code41);
  v("code43", r.code43);
  v("code67", r.code67);
  v("code70", r.code70);
  v("code71", r.code71);
  v("code72", r.code72);
  v("code73", r.code73);
  v("code74", r.code74);
  v("code210", r.code210);
  v.Derived("PenColor", r.PenColor);
  v.Derived("PenStyle", r.PenStyle);
  v.Derived("layindex", r.layindex);
  v("code60", r.code60);
}

template <class V>
void Visit(V& v, const TTextBlk& r) {
  v("bname", r.bname);
  v("layer", r.layer);
  v("color", r.color);
  v("pt10", r.pt10);
  v("pt11", r.pt11);
  v("code40", r.code40);
  v("code41", r.code41);
  v("code44", r.code44);
  v("code50", r.code50);
  v("code51", r.code51);
  v("style", r.style);
  v("code72", r.code72);
  v("code73", r.code73);
  v("code70", r.code70);
  v("code71", r.code71);
  v("str", r.str);
  v("mtflag", r.mtflag);
  v("atflag", r.atflag);
  v.Derived("PenColor", r.PenColor);
  v("code67", r.code67);
  v("code210", r.code210);
  v.Derived("layindex", r.layindex);
  v.Derived("styleindex", r.styleindex);
  v("code60", r.code60);
}

template <class V>
void Visit(V& v, const TFaceBlk& r) {
  v("bname", r.bname);
  v("layer", r.layer);
  v("ltype", r.ltype);
  v("color", r.color);
  v("pt", r.pt);
  v.Derived("PenColor", r.PenColor);
  v.Derived("PenStyle", r.PenStyle);
  v("code67", r.code67);
  v("code70", r.code70);
  v("count", r.count);
  v.Derived("layindex", r.layindex);
  v("code60", r.code60);
}

template <class V>
void Visit(V& v, const TEllipseBlk& r) {
  v("bname", r.bname);
  v("layer", r.layer);
  v("ltype", r.ltype);
  v("code48", r.code48);
  v("color", r.color);
  v("center", r.center);
  v("endpoint", r.endpoint);
  v("henpei", r.henpei);
  v("kaisi", r.kaisi);
  v("owari", r.owari);
  v("code210", r.code210);
  v("code67", r.code67);
  v.Derived("layindex", r.layindex);
  v("code60", r.code60);
}

template <class V>
void Visit(V& v, const TSolidBlk& r) {
  v("bname", r.bname);
  v("layer", r.layer);
  v("ltype", r.ltype);
  v("color", r.color);
  v("p1", r.p1);
  v("p2", r.p2);
  v("p3", r.p3);
  v("p4", r.p4);
  v("count", r.count);
  v("code210", r.code210);
  v("code67", r.code67);
  v("code60", r.code60);
}

template <class V>
void Visit(V& v, const TLeaderBlk& r) {
  v("bname", r.bname);
  v("layer", r.layer);
  v("ltype", r.ltype);
  v("color", r.color);
  v("code41", r.code41);
  v("code76", r.code76);
  v("p1", r.p1);
  v("p2", r.p2);
  v("p3", r.p3);
  v("code67", r.code67);
  v("code60", r.code60);
}

template <class V>
void Visit(V& v, const TDimensionBlk& r) {
  v("bname", r.bname);
  v("layer", r.layer);
  v("ltype", r.ltype);
  v("color", r.color);
  v("dimblkName", r.dimblkName);
  v("p0", r.p0);
  v("p1", r.p1);
  v("p2", r.p2);
  v("p3", r.p3);
  v("p4", r.p4);
  v("P5", r.P5);
  v("P6", r.P6);
  v("dimtype", r.dimtype);
  v("code40", r.code40);
  v("code50", r.code50);
  v("code51", r.code51);
  v("code210", r.code210);
  v("code67", r.code67);
  v("code60", r.code60);
}

template <class V>
void Visit(V& v, const TSplineBlk& r) {
  v("bname", r.bname);
  v("layer", r.layer);
  v("ltype", r.ltype);
  v("code48", r.code48);
  v("ihand", r.ihand);
  v("color", r.color);
  v("code70", r.code70);
  v("code71", r.code71);
  v("code72", r.code72);
  v("code73", r.code73);
  v("code74", r.code74);
  v("code210", r.code210);
  v.Derived("PenColor", r.PenColor);
  v.Derived("PenStyle", r.PenStyle);
  v.Derived("layindex", r.layindex);
  v("code10Ary", r.code10Ary);
  v("code40Ary", r.code40Ary);
  v("code41Ary", r.code41Ary);
  v("code11Ary", r.code11Ary);
  v("code12", r.code12);
  v("code13", r.code13);
  v("code67", r.code67);
  v("code60", r.code60);
}

template <class V>
void Visit(V& v, const TFillBlk& r) {
  v("bname", r.bname);
  v("layer", r.layer);
  v("color", r.color);
  v("first", r.first);
  v("count", r.count);
  v("firstRing", r.firstRing);
  v("rings", r.rings);
  v("firstFamily", r.firstFamily);
  v("families", r.families);
  v.Derived("PenColor", r.PenColor);
  v("code67", r.code67);
  v.Derived("layindex", r.layindex);
  v("code60", r.code60);
}

template <class V>
void Visit(V& v, const TFillFamily& r) {
  v("base", r.base);
  v("dir", r.dir);
  v("offset", r.offset);
  v("firstDash", r.firstDash);
  v("dashes", r.dashes);
}

template <class V>
void Visit(V& v, const THatchPath& r) {
  v("code92", r.code92);
  v("code73", r.code73);
  v("first", r.first);
  v("count", r.count);
}

template <class V>
void Visit(V& v, const THatchEdge& r) {
  v("type", r.type);
  v("code10", r.code10);
  v("code11", r.code11);
  v("code40", r.code40);
  v("code42", r.code42);
  v("code50", r.code50);
  v("code51", r.code51);
  v("code73", r.code73);
  v("spline", r.spline);
}

template <class V>
void Visit(V& v, const THatchLine& r) {
  v("code53", r.code53);
  v("base", r.base);
  v("offset", r.offset);
  v("code49Ary", r.code49Ary);
}

template <class V>
void Visit(V& v, const THatchBlk& r) {
  v("bname", r.bname);
  v("layer", r.layer);
  v("color", r.color);
  v("code10", r.code10);
  v("code210", r.code210);
  v("pattern", r.pattern);
  v("code70", r.code70);
  v("code75", r.code75);
  v("code76", r.code76);
  v("code52", r.code52);
  v("code41", r.code41);
  v("paths", r.paths);
  v("edges", r.edges);
  v("splines", r.splines);
  v("lines", r.lines);
  v("code67", r.code67);
  v("code60", r.code60);
}

template <class V>
void Visit(V& v, const TPointBlk& r) {
  v("bname", r.bname);
  v("layer", r.layer);
  v("ltype", r.ltype);
  v("color", r.color);
  v("pt10", r.pt10);
  v("code67", r.code67);
  v("code60", r.code60);
}

template <class V>
void Visit(V& v, const TXLineBlk& r) {
  v("layer", r.layer);
  v("ltype", r.ltype);
  v("color", r.color);
  v("ray", r.ray);
  v("code10", r.code10);
  v("code11", r.code11);
  v.Derived("PenColor", r.PenColor);
  v.Derived("PenStyle", r.PenStyle);
  v("code67", r.code67);
  v.Derived("layindex", r.layindex);
  v("code60", r.code60);
}

template <class V>
void Visit(V& v, const TMLineVer& r) {
  v("code11", r.code11);
  v("code12", r.code12);
  v("code13", r.code13);
  v("code41Ary", r.code41Ary);
}

template <class V>
void Visit(V& v, const TMLineBlk& r) {
  v("bname", r.bname);
  v("layer", r.layer);
  v("ltype", r.ltype);
  v("color", r.color);
  v("style", r.style);
  v("code40", r.code40);
  v("code70", r.code70);
  v("code71", r.code71);
  v("code73", r.code73);
  v("verAry", r.verAry);
  v("code67", r.code67);
  v("code60", r.code60);
}

template <class V>
void Visit(V& v, const TMLineStyle& r) {
  v("name", r.name);
  v("handle", r.handle);
  v("code49Ary", r.code49Ary);
}

template <class V>
void Visit(V& v, const TMeshBlk& r) {
  v("bname", r.bname);
  v("layer", r.layer);
  v("ltype", r.ltype);
  v("color", r.color);
  v("code10Ary", r.code10Ary);
  v("code90Ary", r.code90Ary);
  v("code67", r.code67);
  v("code60", r.code60);
}

template <class V>
void Visit(V& v, const TMLeaderLdr& r) {
  v("code10", r.code10);
  v("code11", r.code11);
  v("code40", r.code40);
  v("code271", r.code271);
  v("code10Ary", r.code10Ary);
  v("lineAry", r.lineAry);
}

template <class V>
void Visit(V& v, const TMLeaderBlk& r) {
  v("bname", r.bname);
  v("layer", r.layer);
  v("ltype", r.ltype);
  v("color", r.color);
  v("code170", r.code170);
  v("code291", r.code291);
  v("code292", r.code292);
  v("code91", r.code91);
  v("code40", r.code40);
  v("code41", r.code41);
  v("code140", r.code140);
  v("code145", r.code145);
  v("code290", r.code290);
  v("str", r.str);
  v("code296", r.code296);
  v("code341", r.code341);
  v("code15", r.code15);
  v("code16", r.code16);
  v("code46", r.code46);
  v("code93", r.code93);
  v("code12", r.code12);
  v("code13", r.code13);
  v("code43", r.code43);
  v("code45", r.code45);
  v("code171", r.code171);
  v("code90", r.code90);
  v("leaderAry", r.leaderAry);
  v("code67", r.code67);
  v("code60", r.code60);
}

// Every table in model order; f(name, table).
template <class F>
void ForEachTable(const Drawing& d, F&& f) {
  f("LayerAry", d.LayerAry);
  f("LtypeAry", d.LtypeAry);
  f("ViewAry", d.ViewAry);
  f("StyleAry", d.StyleAry);
  f("BlockAry", d.BlockAry);
  f("BlkLineAry", d.BlkLineAry);
  f("BlkCircleAry", d.BlkCircleAry);
  f("BlkArcAry", d.BlkArcAry);
  f("BlkLwpAry", d.BlkLwpAry);
  f("BlkLwpVerAry", d.BlkLwpVerAry);
  f("BlkTextAry", d.BlkTextAry);
  f("BlkEllipseAry", d.BlkEllipseAry);
  f("BlkSolidAry", d.BlkSolidAry);
  f("BlkInsertAry", d.BlkInsertAry);
  f("BlkFaceAry", d.BlkFaceAry);
  f("BlkLeaderAry", d.BlkLeaderAry);
  f("BlkSplineAry", d.BlkSplineAry);
  f("BlkDimensionAry", d.BlkDimensionAry);
  f("BlkFillAry", d.BlkFillAry);
  f("BlkFillPtAry", d.BlkFillPtAry);
  f("BlkFillRingAry", d.BlkFillRingAry);
  f("BlkFillFamilyAry", d.BlkFillFamilyAry);
  f("BlkFillDashAry", d.BlkFillDashAry);
  f("BlkHatchAry", d.BlkHatchAry);
  f("EntLineAry", d.EntLineAry);
  f("EntCircleAry", d.EntCircleAry);
  f("EntArcAry", d.EntArcAry);
  f("EntLwpAry", d.EntLwpAry);
  f("EntLwpVerAry", d.EntLwpVerAry);
  f("EntTextAry", d.EntTextAry);
  f("EntInsertAry", d.EntInsertAry);
  f("EntFaceAry", d.EntFaceAry);
  f("EntEllipseAry", d.EntEllipseAry);
  f("EntSolidAry", d.EntSolidAry);
  f("LeaderAry", d.LeaderAry);
  f("SplineAry", d.SplineAry);
  f("DimensionAry", d.DimensionAry);
  f("EntFillAry", d.EntFillAry);
  f("EntFillPtAry", d.EntFillPtAry);
  f("EntFillRingAry", d.EntFillRingAry);
  f("EntFillFamilyAry", d.EntFillFamilyAry);
  f("EntFillDashAry", d.EntFillDashAry);
  f("EntHatchAry", d.EntHatchAry);
  f("BlkPointAry", d.BlkPointAry);
  f("EntPointAry", d.EntPointAry);
  f("BlkMeshAry", d.BlkMeshAry);
  f("EntMeshAry", d.EntMeshAry);
  f("BlkMLineAry", d.BlkMLineAry);
  f("EntMLineAry", d.EntMLineAry);
  f("MLineStyleAry", d.MLineStyleAry);
  f("BlkMLeaderAry", d.BlkMLeaderAry);
  f("MLeaderAry", d.MLeaderAry);
  f("AttdefAry", d.AttdefAry);
  f("AcadTableAry", d.AcadTableAry);
  f("ArcDimensionAry", d.ArcDimensionAry);
  f("XLineAry", d.XLineAry);
}

constexpr char kHex[] = "0123456789abcdef";

// JSON text into a buffer that goes to a file in large pieces, or stays in
// memory when there is no file. A drawing of a hundred megabytes gives
// several hundred megabytes of JSON; it is never held whole.
class JsonOut {
 public:
  JsonOut(std::FILE* file, const JsonOptions& options) : file_(file), options_(options) {
    buf_.reserve(kFlushAt + 4096);
  }

  void Raw(std::string_view s) {
    buf_.append(s);
    if (file_ != nullptr && buf_.size() >= kFlushAt) Flush();
  }

  void String(const std::u16string& s) {
    buf_.push_back('"');
    for (std::size_t i = 0; i < s.size(); ++i) {
      const char16_t c = s[i];
      if (c >= 0x20 && c < 0x80 && c != u'"' && c != u'\\') {
        buf_.push_back(static_cast<char>(c));
        continue;
      }
      switch (c) {
        case u'"': buf_.append("\\\""); continue;
        case u'\\': buf_.append("\\\\"); continue;
        case u'\n': buf_.append("\\n"); continue;
        case u'\r': buf_.append("\\r"); continue;
        case u'\t': buf_.append("\\t"); continue;
        default: break;
      }
      if (c < 0x20) {
        buf_.append("\\u00");
        buf_.push_back(kHex[c >> 4]);
        buf_.push_back(kHex[c & 15]);
        continue;
      }
      // The rest of a non-ASCII run, converted in one piece.
      std::size_t end = i + 1;
      while (end < s.size() && (s[end] >= 0x80)) ++end;
      buf_.append(U16ToUtf8(std::u16string_view(s).substr(i, end - i)));
      i = end - 1;
    }
    buf_.push_back('"');
  }

  void Real(double v) {
    if (!std::isfinite(v)) {
      buf_.append("null");
      return;
    }
    char tmp[32];
    // Shortest text that reads back to the same double.
    auto res = std::to_chars(tmp, tmp + sizeof tmp, v);
    buf_.append(tmp, static_cast<std::size_t>(res.ptr - tmp));
  }

  template <class I>
  void Integer(I v) {
    char tmp[24];
    auto res = std::to_chars(tmp, tmp + sizeof tmp, v);
    buf_.append(tmp, static_cast<std::size_t>(res.ptr - tmp));
  }

  void Point(const TAcadPoint& p) {
    buf_.push_back('[');
    Real(p.x);
    buf_.push_back(',');
    Real(p.y);
    buf_.push_back(',');
    Real(p.z);
    buf_.push_back(']');
  }

  // The record visitor.
  template <class T>
  void operator()(const char* name, const T& value) {
    Key(name);
    Value(value);
  }

  template <class T>
  void Derived(const char* name, const T& value) {
    if (options_.withPens) (*this)(name, value);
  }

  template <class T>
  void Record(const T& r) {
    buf_.push_back('{');
    firstField_ = true;
    Visit(*this, r);
    buf_.push_back('}');
  }

  template <class T>
  void Table(const std::vector<T>& table, const char* separator) {
    buf_.push_back('[');
    for (std::size_t i = 0; i < table.size(); ++i) {
      if (i > 0) buf_.push_back(',');
      buf_.append(separator);
      Record(table[i]);
      if (file_ != nullptr && buf_.size() >= kFlushAt) Flush();
    }
    if (!table.empty()) buf_.append(separator);
    buf_.push_back(']');
  }

  // The point and ring tables of the fills: plain values, several to a line.
  void Table(const std::vector<TAcadPoint>& points, const char* separator) { Values(points, separator); }
  void Table(const std::vector<std::uint32_t>& sizes, const char* separator) { Values(sizes, separator); }
  void Table(const std::vector<double>& dashes, const char* separator) { Values(dashes, separator); }

  std::string Finish() {
    if (file_ == nullptr) return std::move(buf_);
    Flush();
    return {};
  }

 private:
  static constexpr std::size_t kFlushAt = 1 << 20;

  void Key(const char* name) {
    if (!firstField_) buf_.push_back(',');
    firstField_ = false;
    buf_.push_back('"');
    buf_.append(name);
    buf_.append("\":");
  }

  void Value(const std::u16string& s) { String(s); }
  void Value(const TAcadPoint& p) { Point(p); }
  void Value(double v) { Real(v); }
  // The shortest text of the float itself, not of its double.
  void Value(float v) {
    if (!std::isfinite(v)) {
      buf_.append("null");
      return;
    }
    char tmp[32];
    auto res = std::to_chars(tmp, tmp + sizeof tmp, v);
    buf_.append(tmp, static_cast<std::size_t>(res.ptr - tmp));
  }
  void Value(bool b) { buf_.append(b ? "true" : "false"); }
  void Value(TPenStyle s) {
    buf_.push_back('"');
    buf_.append(PenStyleName(s));
    buf_.push_back('"');
  }
  void Value(std::int16_t v) { Integer(v); }
  void Value(std::int32_t v) { Integer(v); }
  void Value(std::uint32_t v) { Integer(v); }
  void Value(std::uint64_t v) { Integer(v); }
  // Points and reals; records go through Table.
  template <class T>
  void List(const T* items, std::size_t count) {
    buf_.push_back('[');
    for (std::size_t i = 0; i < count; ++i) {
      if (i > 0) buf_.push_back(',');
      Value(items[i]);
    }
    buf_.push_back(']');
  }
  void Value(const std::vector<TAcadPoint>& points) { List(points.data(), points.size()); }
  void Value(const std::vector<double>& values) { List(values.data(), values.size()); }
  void Value(const std::vector<SmallInt>& values) { List(values.data(), values.size()); }
  template <std::size_t N>
  void Value(const TAcadPoint (&points)[N]) {
    List(points, N);
  }
  void Value(const std::vector<std::int32_t>& values) { List(values.data(), values.size()); }
  // Records nested in a record (a block's inserts, a hatch's paths): the
  // fields of the outer record resume after them.
  template <class T>
  void Value(const std::vector<T>& records) {
    const bool outerFirst = firstField_;
    Table(records, "");
    firstField_ = outerFirst;
  }

  template <class T>
  void Values(const std::vector<T>& values, const char* separator) {
    constexpr std::size_t kPerLine = 16;
    buf_.push_back('[');
    for (std::size_t i = 0; i < values.size(); ++i) {
      if (i > 0) buf_.push_back(',');
      if (i % kPerLine == 0) buf_.append(separator);
      Value(values[i]);
      if (file_ != nullptr && buf_.size() >= kFlushAt) Flush();
    }
    if (!values.empty()) buf_.append(separator);
    buf_.push_back(']');
  }

  void Flush() {
    if (buf_.empty()) return;
    if (std::fwrite(buf_.data(), 1, buf_.size(), file_) != buf_.size())
      throw std::runtime_error("cannot write the output");
    buf_.clear();
  }

  std::FILE* file_;
  JsonOptions options_;
  std::string buf_;
  bool firstField_ = true;
};

void WriteObject(JsonOut& out, const Drawing& d, const std::u16string& Status,
                 const std::u16string& Version) {
  out.Raw("{\"Status\":");
  out.String(Status);
  out.Raw(",\"Version\":");
  out.String(Version);
  out.Raw(",\"DwgCodePage\":");
  out.String(d.DwgCodePage);
  out.Raw(",\"LtScale\":");
  out.Real(d.LtScale);
  out.Raw(",\"ExtMin\":");
  out.Point(d.ExtMin);
  out.Raw(",\"ExtMax\":");
  out.Point(d.ExtMax);
  ForEachTable(d, [&](const char* name, const auto& table) {
    out.Raw(",\n\"");
    out.Raw(name);
    out.Raw("\":");
    out.Table(table, "\n");
  });
  out.Raw("}\n");
}

}  // namespace

std::vector<std::pair<const char*, std::size_t>> TableCounts(const Drawing& d) {
  std::vector<std::pair<const char*, std::size_t>> counts;
  ForEachTable(d, [&](const char* name, const auto& table) { counts.emplace_back(name, table.size()); });
  return counts;
}

void WriteDrawingJson(std::FILE* out, const Drawing& d, const std::u16string& Status,
                      const std::u16string& Version, const JsonOptions& options) {
  JsonOut json(out, options);
  WriteObject(json, d, Status, Version);
  json.Finish();
}

std::string DrawingJson(const Drawing& d, const std::u16string& Status,
                        const std::u16string& Version, const JsonOptions& options) {
  JsonOut json(nullptr, options);
  WriteObject(json, d, Status, Version);
  return json.Finish();
}

}  // namespace vantrel::cli
