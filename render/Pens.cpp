#include "render/Pens.h"

#include <cstdint>
#include <cstdlib>
#include <type_traits>
#include <vector>

#include "geometry/RecentLayers.h"

namespace vantrel {

namespace {

constexpr TColor Rgb(int r, int g, int b) {
  return static_cast<TColor>(r) | (static_cast<TColor>(g) << 8) | (static_cast<TColor>(b) << 16);
}

// Colours 10 to 249: 24 hues 15 degrees apart, five values, and for odd
// numbers a pale variant whose smallest channel is half the value.
TColor HueColor(int n) {
  const int k = n / 10;
  const int j = n % 10;
  const double h = (k - 1) * 15.0;
  static constexpr double kValues[5] = {255, 204, 153, 127.5, 76.5};
  const double v = kValues[j / 2];
  const double m = j % 2 == 0 ? 0 : v / 2;
  const double f = static_cast<double>(static_cast<int>(h) % 60) / 60;
  const double rise = m + (v - m) * f;
  const double fall = v - (v - m) * f;
  double r, g, b;
  switch (static_cast<int>(h) / 60) {
    case 0: r = v; g = rise; b = m; break;
    case 1: r = fall; g = v; b = m; break;
    case 2: r = m; g = v; b = rise; break;
    case 3: r = m; g = fall; b = v; break;
    case 4: r = rise; g = m; b = v; break;
    default: r = v; g = m; b = fall; break;
  }
  return Rgb(static_cast<int>(r), static_cast<int>(g), static_cast<int>(b));
}

bool StartsWith(const std::u16string& s, const char* prefix) {
  std::size_t i = 0;
  for (; prefix[i] != 0; ++i)
    if (i >= s.size() || s[i] != static_cast<char16_t>(prefix[i])) return false;
  return true;
}

std::u16string UpperAscii(const std::u16string& s) {
  std::u16string r = s;
  for (char16_t& c : r)
    if (c >= u'a' && c <= u'z') c = static_cast<char16_t>(c - u'a' + u'A');
  return r;
}

// Such a linetype means the linetype of the record's layer.
bool IsByLayer(const std::u16string& ltype) { return ltype.empty() || ltype == u"BYLAYER"; }

SmallInt ToLayIndex(Integer index) {
  // layindex is 16 bits wide; an index it cannot hold would name another
  // layer, so such records count as having no layer.
  return index > INT16_MAX ? SmallInt{-1} : static_cast<SmallInt>(index);
}

}  // namespace

TColor AciToColor(Integer n) {
  const std::int64_t a = std::llabs(static_cast<std::int64_t>(n));
  switch (a) {
    case 0: return Rgb(255, 255, 255);
    case 1: return Rgb(255, 0, 0);
    case 2: return Rgb(255, 255, 0);
    case 3: return Rgb(0, 255, 0);
    case 4: return Rgb(0, 255, 255);
    case 5: return Rgb(0, 0, 255);
    case 6: return Rgb(255, 0, 255);
    case 7: return Rgb(255, 255, 255);
    case 8: return Rgb(128, 128, 128);
    case 9: return Rgb(192, 192, 192);
    case 250: return Rgb(51, 51, 51);
    case 251: return Rgb(91, 91, 91);
    case 252: return Rgb(132, 132, 132);
    case 253: return Rgb(173, 173, 173);
    case 254: return Rgb(214, 214, 214);
    default: break;
  }
  if (a >= 10 && a <= 249) return HueColor(static_cast<int>(a));
  return Rgb(255, 255, 255);
}

TPenStyle LtypeToPenStyle(const std::u16string& name) {
  const std::u16string u = UpperAscii(name);
  if (StartsWith(u, "CON")) return psSolid;
  if (StartsWith(u, "HID") || StartsWith(u, "DASHE")) return psDot;
  if (StartsWith(u, "CEN") || StartsWith(u, "BOR") || StartsWith(u, "DASHD")) return psDashDot;
  // DIVIDE is the common dash-dot-dot linetype; "DEV" alone would miss it,
  // so both spellings lead there.
  if (StartsWith(u, "DEV") || StartsWith(u, "DIV") || StartsWith(u, "PHA")) return psDashDotDot;
  if (StartsWith(u, "DOT")) return psDot;
  return psSolid;
}

TPenStyle EntityPenStyle(const Drawing& d, const std::u16string& ltype, const std::u16string& layer) {
  if (IsByLayer(ltype)) {
    const Integer i = LayerIndex(d, layer);
    if (i >= 0) return LtypeToPenStyle(d.LayerAry[i].ltype);
  }
  return LtypeToPenStyle(ltype);
}

namespace {

// The pen of a record from its layer and linetype. Layer indexes come
// through the layers asked last, the pen style of each layer's own linetype
// is worked out once, an explicit linetype is upper-cased only when it
// differs from the previous record's, and the palette is worked out once.
class PenCache {
 public:
  explicit PenCache(const Drawing& d) : d_(d), layers_(d), layerStyles_(d.LayerAry.size(), -1) {
    for (int n = 0; n < kPaletteSize; ++n) palette_[n] = AciToColor(n);
  }

  template <class T>
  void Assign(T& r) {
    const Integer index = layers_.IndexOf(r.layer);
    if constexpr (requires { r.PenStyle; }) {
      r.PenStyle = IsByLayer(r.ltype) && index >= 0 ? LayerStyle(index) : LtypeStyle(r.ltype);
    }
    const int n = r.color < 0 ? -r.color : r.color;
    r.PenColor = n < kPaletteSize ? palette_[n] : AciToColor(n);
    r.layindex = ToLayIndex(index);
  }

 private:
  TPenStyle LayerStyle(Integer index) {
    int& style = layerStyles_[static_cast<std::size_t>(index)];
    if (style < 0) style = LtypeToPenStyle(d_.LayerAry[static_cast<std::size_t>(index)].ltype);
    return static_cast<TPenStyle>(style);
  }

  TPenStyle LtypeStyle(const SharedName& ltype) {
    if (!haveLtype_ || ltype != lastLtype_) {
      lastLtype_ = ltype;
      lastLtypeStyle_ = LtypeToPenStyle(ltype);
      haveLtype_ = true;
    }
    return lastLtypeStyle_;
  }

  static constexpr int kPaletteSize = 256;
  const Drawing& d_;
  RecentLayers layers_;
  TColor palette_[kPaletteSize];
  std::vector<int> layerStyles_;  // -1 until asked
  SharedName lastLtype_;
  TPenStyle lastLtypeStyle_ = psSolid;
  bool haveLtype_ = false;
};

}  // namespace

void AssignPens(Drawing& d) {
  PenCache cache(d);
  for (TAcadLineBlk& r : d.EntLineAry) cache.Assign(r);
  for (TArcBlk& r : d.EntArcAry) cache.Assign(r);
  for (TCircleBlk& r : d.EntCircleAry) cache.Assign(r);
  // Texts and fills get a colour and a layer index but no pen style.
  for (TTextBlk& r : d.EntTextAry) cache.Assign(r);
  for (TFillBlk& r : d.EntFillAry) cache.Assign(r);
  for (TXLineBlk& r : d.XLineAry) cache.Assign(r);
}

const char* PenStyleName(TPenStyle style) {
  switch (style) {
    case psSolid: return "psSolid";
    case psDash: return "psDash";
    case psDot: return "psDot";
    case psDashDot: return "psDashDot";
    case psDashDotDot: return "psDashDotDot";
    case psClear: return "psClear";
  }
  return "psSolid";
}

}  // namespace vantrel
