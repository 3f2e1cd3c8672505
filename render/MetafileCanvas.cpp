#include "render/MetafileCanvas.h"

#include <uemf.h>
#include <uwmf.h>

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>
#include <numbers>
#include <stdexcept>
#include <utility>

#include "model/TextCodec.h"

namespace vantrel {

namespace {

// A reference screen of 96 dots per inch, a size whose pixels come out in
// whole millimetres (3840 px = 1016 mm, 2400 px = 635 mm), so that readers
// that derive the resolution from the two get exactly 96.
constexpr int kReferenceWidth = 3840;
constexpr int kReferenceHeight = 2400;
constexpr int kReferenceWidthMm = 1016;
constexpr int kReferenceHeightMm = 635;
constexpr double kHundredthsMmPerPixel = 2540.0 / 96.0;

// GDI refuses coordinates beyond 2^27; WMF records hold 16 bits.
constexpr int kEmfLimit = (1 << 27) - 1;
constexpr int kWmfLimit = 32767;

// LF_FACESIZE less the terminator.
constexpr std::size_t kFaceUnits = 31;

struct FreeRecord {
  void operator()(char* p) const { std::free(p); }
};
using Record = std::unique_ptr<char, FreeRecord>;

U_COLORREF Colour(TColor c) { return colorref3_set(c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF); }

uint32_t PenStyleCode(TPenStyle style) {
  switch (style) {
    case psDash: return U_PS_DASH;
    case psDot: return U_PS_DOT;
    case psDashDot: return U_PS_DASHDOT;
    case psDashDotDot: return U_PS_DASHDOTDOT;
    case psClear: return U_PS_NULL;
    case psSolid: break;
  }
  return U_PS_SOLID;
}

uint32_t RasterCode(PenMode mode) {
  switch (mode) {
    case PenMode::Not: return U_R2_NOT;
    case PenMode::Xor: return U_R2_XORPEN;
    case PenMode::NotXor: return U_R2_NOTXORPEN;
    case PenMode::Copy: break;
  }
  return U_R2_COPYPEN;
}

U_POINT16 Point16(int x, int y) { return point16_set(static_cast<int16_t>(x), static_cast<int16_t>(y)); }

U_RECT16 Rect16(int left, int top, int right, int bottom) {
  return U_RECT16_set(Point16(left, top), Point16(right, bottom));
}

U_RECTL RectL(int left, int top, int right, int bottom) {
  return rectl_set(point32_set(left, top), point32_set(right, bottom));
}

int16_t Clamp16(int v) { return static_cast<int16_t>(std::clamp(v, -32767, 32767)); }

template <typename T>
void Patch(std::string& bytes, std::size_t offset, T value) {
  std::memcpy(bytes.data() + offset, &value, sizeof value);
}

// Liang-Barsky: the part of the segment inside [-limit, limit] in both
// coordinates; false when none is.
bool ClipToSquare(double& x0, double& y0, double& x1, double& y1, double limit) {
  double t0 = 0, t1 = 1;
  const double dx = x1 - x0, dy = y1 - y0;
  const double p[4] = {-dx, dx, -dy, dy};
  const double q[4] = {x0 + limit, limit - x0, y0 + limit, limit - y0};
  for (int i = 0; i < 4; ++i) {
    if (p[i] == 0) {
      if (q[i] < 0) return false;
      continue;
    }
    const double r = q[i] / p[i];
    if (p[i] < 0) t0 = std::max(t0, r);
    else t1 = std::min(t1, r);
    if (t0 > t1) return false;
  }
  const double ax = x0 + t0 * dx, ay = y0 + t0 * dy;
  x1 = x0 + t1 * dx;
  y1 = y0 + t1 * dy;
  x0 = ax;
  y0 = ay;
  return true;
}

}  // namespace

MetafileCanvas::MetafileCanvas(MetafileFormat format, int width, int height,
                               RecordingCanvas::TextMetrics metrics, RecordingCanvas::ShapeMetrics shapes)
    : format_(format),
      width_(std::clamp(width, 1, 32767)),
      height_(std::clamp(height, 1, 32767)),
      metrics_(std::move(metrics)),
      shapes_(std::move(shapes)),
      limit_(format == MetafileFormat::Emf ? kEmfLimit : kWmfLimit) {
  Begin();
}

void MetafileCanvas::Append(char* record) {
  const Record owned(record);
  if (finished_) throw std::logic_error("MetafileCanvas drawn on after Finish");
  if (!record) throw std::bad_alloc();
  std::size_t size = 0;
  if (format_ == MetafileFormat::Emf) {
    U_EMR head;
    std::memcpy(&head, record, sizeof head);
    size = head.nSize;
  } else {
    size = U_wmr_size(reinterpret_cast<const U_METARECORD*>(record));
  }
  bytes_.append(record, size);
  ++records_;
  largestRecord_ = std::max(largestRecord_, size);
}

void MetafileCanvas::Begin() {
  if (format_ == MetafileFormat::Emf) {
    const U_RECTL bounds = RectL(0, 0, width_ - 1, height_ - 1);
    const U_RECTL frame = RectL(0, 0, static_cast<int>(std::lround(width_ * kHundredthsMmPerPixel)),
                                static_cast<int>(std::lround(height_ * kHundredthsMmPerPixel)));
    Append(U_EMRHEADER_set(bounds, frame, nullptr, 0, nullptr, sizel_set(kReferenceWidth, kReferenceHeight),
                           sizel_set(kReferenceWidthMm, kReferenceHeightMm), 0));
    // Defaults all, but readers differ in what they assume.
    Append(U_EMRSETMAPMODE_set(U_MM_TEXT));
    Append(U_EMRSETBKMODE_set(U_TRANSPARENT));
    Append(U_EMRSETTEXTALIGN_set(U_TA_TOP | U_TA_LEFT));
    return;
  }
  // A placeable header: the picture's size in units of 1/96 inch.
  U_PAIRF inches{static_cast<float>(width_ / 96.0), static_cast<float>(height_ / 96.0)};
  const Record header(U_WMRHEADER_set(&inches, 96));
  if (!header) throw std::bad_alloc();
  bytes_.append(header.get(), U_SIZE_WMRPLACEABLE + U_SIZE_WMRHEADER);
  // The placeable box and the window must agree, or players scale.
  Patch<int16_t>(bytes_, offsetof(U_WMRPLACEABLE, Dst) + offsetof(U_RECT16, right), Clamp16(width_));
  Patch<int16_t>(bytes_, offsetof(U_WMRPLACEABLE, Dst) + offsetof(U_RECT16, bottom), Clamp16(height_));
  Patch<int16_t>(bytes_, offsetof(U_WMRPLACEABLE, Checksum),
                 U_16_checksum(reinterpret_cast<int16_t*>(bytes_.data()), 10));
  Append(U_WMRSETWINDOWORG_set(Point16(0, 0)));
  Append(U_WMRSETWINDOWEXT_set(Point16(width_, height_)));
  Append(U_WMRSETBKMODE_set(U_TRANSPARENT));
  Append(U_WMRSETTEXTALIGN_set(U_TA_TOP | U_TA_LEFT));
}

std::string MetafileCanvas::Finish() {
  if (finished_) throw std::logic_error("MetafileCanvas finished twice");
  if (format_ == MetafileFormat::Emf) {
    EMFTRACK track{};
    track.used = bytes_.size();
    Append(U_EMREOF_set(0, nullptr, &track));
    Patch<uint32_t>(bytes_, offsetof(U_EMRHEADER, nBytes), static_cast<uint32_t>(bytes_.size()));
    Patch<uint32_t>(bytes_, offsetof(U_EMRHEADER, nRecords), static_cast<uint32_t>(records_));
    // Slot 0 of an EMF's object table stands for the metafile itself.
    Patch<uint16_t>(bytes_, offsetof(U_EMRHEADER, nHandles), static_cast<uint16_t>(objectPeak_ + 1));
    if constexpr (std::endian::native == std::endian::big) U_emf_endian(bytes_.data(), bytes_.size(), 1);
  } else {
    Append(U_WMREOF_set());
    // Sizes in 16-bit words; the placeable header is no part of the
    // metafile proper.
    const std::size_t header = U_SIZE_WMRPLACEABLE;
    Patch<uint32_t>(bytes_, header + offsetof(U_WMRHEADER, Sizew),
                    static_cast<uint32_t>((bytes_.size() - header) / 2));
    Patch<uint16_t>(bytes_, header + offsetof(U_WMRHEADER, nObjects), static_cast<uint16_t>(objectPeak_));
    Patch<uint32_t>(bytes_, header + offsetof(U_WMRHEADER, maxSize), static_cast<uint32_t>(largestRecord_ / 2));
    if constexpr (std::endian::native == std::endian::big) U_wmf_endian(bytes_.data(), bytes_.size(), 1, 0);
  }
  finished_ = true;
  return std::move(bytes_);
}

// Both formats' players put a new object into the lowest free slot of their
// table; EMF records name the slot (counting from 1), WMF ones imply it.
int MetafileCanvas::FreeSlot() {
  const auto it = std::find(objectSlots_.begin(), objectSlots_.end(), false);
  const int slot = static_cast<int>(it - objectSlots_.begin());
  if (it == objectSlots_.end()) objectSlots_.push_back(true);
  else *it = true;
  objectPeak_ = std::max(objectPeak_, objectSlots_.size());
  return slot;
}

// The new object is selected before the old one goes: an object still
// selected must not be deleted.
void MetafileCanvas::SelectInstead(int& selected, int slot) {
  const int index = ObjectIndex(slot);
  Append(format_ == MetafileFormat::Emf ? U_EMRSELECTOBJECT_set(index) : U_WMRSELECTOBJECT_set(index));
  if (selected >= 0) {
    const int old = ObjectIndex(selected);
    Append(format_ == MetafileFormat::Emf ? U_EMRDELETEOBJECT_set(old) : U_WMRDELETEOBJECT_set(old));
    objectSlots_[selected] = false;
  }
  selected = slot;
}

void MetafileCanvas::UsePen() {
  if (penCurrent_) return;
  const int slot = FreeSlot();
  const uint32_t style = PenStyleCode(penStyle_);
  // Width 0 and 1 are both one pixel; 1 keeps it so in every reader, some
  // of which draw 0 as nothing.
  const int width = std::clamp(penWidth_, 1, 32767);
  if (format_ == MetafileFormat::Emf)
    Append(U_EMRCREATEPEN_set(ObjectIndex(slot), logpen_set(style, point32_set(width, 0), Colour(penColor_))));
  else
    Append(U_WMRCREATEPENINDIRECT_set(U_PEN_set(style, width, Colour(penColor_))));
  SelectInstead(penObject_, slot);
  penCurrent_ = true;
}

void MetafileCanvas::UseNullPen() {
  const int slot = FreeSlot();
  if (format_ == MetafileFormat::Emf)
    Append(U_EMRCREATEPEN_set(ObjectIndex(slot), logpen_set(U_PS_NULL, point32_set(1, 0), Colour(0))));
  else
    Append(U_WMRCREATEPENINDIRECT_set(U_PEN_set(U_PS_NULL, 1, Colour(0))));
  SelectInstead(penObject_, slot);
  penCurrent_ = penStyle_ == psClear;
}

void MetafileCanvas::UseBrush() {
  if (brushCurrent_) return;
  const int slot = FreeSlot();
  const uint32_t style = brushStyle_ == BrushStyle::Solid ? U_BS_SOLID : U_BS_NULL;
  if (format_ == MetafileFormat::Emf)
    Append(U_EMRCREATEBRUSHINDIRECT_set(ObjectIndex(slot), logbrush_set(style, Colour(brushColor_), 0)));
  else
    Append(U_WMRCREATEBRUSHINDIRECT_set(U_WLOGBRUSH_set(style, Colour(brushColor_), 0)));
  SelectInstead(brushObject_, slot);
  brushCurrent_ = true;
  dcSolidBrush_ = style == U_BS_SOLID;
}

// GDI never fills an arc, but some readers of metafiles fill one with the
// brush a fill left selected: arcs go out with a hollow brush.
void MetafileCanvas::UseHollowBrush() {
  if (!dcSolidBrush_) return;
  const int slot = FreeSlot();
  if (format_ == MetafileFormat::Emf)
    Append(U_EMRCREATEBRUSHINDIRECT_set(ObjectIndex(slot), logbrush_set(U_BS_NULL, Colour(0), 0)));
  else
    Append(U_WMRCREATEBRUSHINDIRECT_set(U_WLOGBRUSH_set(U_BS_NULL, Colour(0), 0)));
  SelectInstead(brushObject_, slot);
  dcSolidBrush_ = false;
  brushCurrent_ = brushStyle_ != BrushStyle::Solid;
}

void MetafileCanvas::UseFont() {
  if (fontObject_ >= 0 && dcFont_ == font_) return;
  const int slot = FreeSlot();
  // Orientation follows escapement: GDI's compatible mode takes the
  // escapement for both, readers often only the orientation.
  const int escapement = font_.escapement;
  if (format_ == MetafileFormat::Emf) {
    std::vector<uint16_t> face(font_.face.begin(), font_.face.begin() + std::min(font_.face.size(), kFaceUnits));
    face.push_back(0);
    uint16_t noStyle = 0;
    const U_LOGFONT lf = logfont_set(font_.height, font_.width, escapement, escapement, font_.weight,
                                     font_.italic ? 1 : 0, 0, 0,
                                     U_DEFAULT_CHARSET, U_OUT_DEFAULT_PRECIS, U_CLIP_DEFAULT_PRECIS,
                                     U_DEFAULT_QUALITY, U_DEFAULT_PITCH, face.data());
    U_PANOSE panose{};
    const U_LOGFONT_PANOSE elfw = logfont_panose_set(lf, face.data(), &noStyle, 0, panose);
    Append(U_EMREXTCREATEFONTINDIRECTW_set(ObjectIndex(slot), nullptr, reinterpret_cast<const char*>(&elfw)));
  } else {
    // WMF knows no UTF-16: the face goes in code page 932, whole
    // characters only.
    std::u16string face = font_.face;
    std::string faceBytes = EncodeText(face, TextEncoding::Ansi);
    while (faceBytes.size() > kFaceUnits) {
      face.pop_back();
      faceBytes = EncodeText(face, TextEncoding::Ansi);
    }
    const std::unique_ptr<U_FONT, void (*)(void*)> font(
        U_FONT_set(Clamp16(font_.height), Clamp16(font_.width), Clamp16(escapement), Clamp16(escapement),
                   Clamp16(font_.weight), font_.italic ? 1 : 0, 0, 0, U_SHIFTJIS_CHARSET, U_OUT_DEFAULT_PRECIS, U_CLIP_DEFAULT_PRECIS, U_DEFAULT_QUALITY,
                   U_DEFAULT_PITCH, faceBytes.data()),
        std::free);
    if (!font) throw std::bad_alloc();
    Append(U_WMRCREATEFONTINDIRECT_set(font.get()));
  }
  SelectInstead(fontObject_, slot);
  dcFont_ = font_;
}

void MetafileCanvas::UseRasterMode(PenMode mode) {
  if (mode == dcMode_) return;
  Append(format_ == MetafileFormat::Emf ? U_EMRSETROP2_set(RasterCode(mode)) : U_WMRSETROP2_set(RasterCode(mode)));
  dcMode_ = mode;
}

void MetafileCanvas::SetPenColor(TColor color) {
  if (color == penColor_) return;
  penColor_ = color;
  penCurrent_ = false;
}

void MetafileCanvas::SetPenWidth(int width) {
  if (width == penWidth_) return;
  penWidth_ = width;
  penCurrent_ = false;
}

void MetafileCanvas::SetPenStyle(TPenStyle style) {
  if (style == penStyle_) return;
  penStyle_ = style;
  penCurrent_ = false;
}

void MetafileCanvas::SetBrushColor(TColor color) {
  if (color == brushColor_) return;
  brushColor_ = color;
  brushCurrent_ = false;
}

void MetafileCanvas::SetBrushStyle(BrushStyle style) {
  if (style == brushStyle_) return;
  brushStyle_ = style;
  brushCurrent_ = false;
}

bool MetafileCanvas::Reaches(int x, int y) const {
  return x >= -limit_ && x <= limit_ && y >= -limit_ && y <= limit_;
}

void MetafileCanvas::Rectangle(int x1, int y1, int x2, int y2) {
  int left = std::min(x1, x2), right = std::max(x1, x2);
  int top = std::min(y1, y2), bottom = std::max(y1, y2);
  if (right - left < 1 || bottom - top < 1) return;
  UseRasterMode(penMode_);
  if (penStyle_ == psClear) {
    // GDI fills one pixel less each way without an outline.
    ++right;
    ++bottom;
  }
  UsePen();
  UseBrush();
  left = std::clamp(left, -limit_, limit_);
  right = std::clamp(right, -limit_, limit_);
  top = std::clamp(top, -limit_, limit_);
  bottom = std::clamp(bottom, -limit_, limit_);
  Append(format_ == MetafileFormat::Emf ? U_EMRRECTANGLE_set(RectL(left, top, right, bottom))
                                        : U_WMRRECTANGLE_set(Rect16(left, top, right, bottom)));
}

void MetafileCanvas::FillRect(const PixelRect& rect) {
  if (brushStyle_ != BrushStyle::Solid) return;
  const int left = std::clamp(std::min(rect.left, rect.right), -limit_, limit_);
  const int right = std::clamp(std::max(rect.left, rect.right) + 1, -limit_, limit_);
  const int top = std::clamp(std::min(rect.top, rect.bottom), -limit_, limit_);
  const int bottom = std::clamp(std::max(rect.top, rect.bottom) + 1, -limit_, limit_);
  if (right - left < 2 || bottom - top < 2) return;
  UseRasterMode(PenMode::Copy);
  UseNullPen();
  UseBrush();
  Append(format_ == MetafileFormat::Emf ? U_EMRRECTANGLE_set(RectL(left, top, right, bottom))
                                        : U_WMRRECTANGLE_set(Rect16(left, top, right, bottom)));
}

void MetafileCanvas::MoveTo(int x, int y) { at_ = Point{x, y}; }

void MetafileCanvas::EmitLine(Point from, Point to) {
  UseRasterMode(penMode_);
  UsePen();
  // The renderer moves before every line; where lines join, the move is
  // left out.
  if (dcAt_ != from)
    Append(format_ == MetafileFormat::Emf ? U_EMRMOVETOEX_set(point32_set(from.x, from.y))
                                          : U_WMRMOVETO_set(Point16(from.x, from.y)));
  Append(format_ == MetafileFormat::Emf ? U_EMRLINETO_set(point32_set(to.x, to.y))
                                        : U_WMRLINETO_set(Point16(to.x, to.y)));
  dcAt_ = to;
}

void MetafileCanvas::Segment(double x0, double y0, double x1, double y1) {
  if (!ClipToSquare(x0, y0, x1, y1, limit_)) return;
  const Point from{static_cast<int>(std::lround(x0)), static_cast<int>(std::lround(y0))};
  const Point to{static_cast<int>(std::lround(x1)), static_cast<int>(std::lround(y1))};
  if (from != to) EmitLine(from, to);
}

void MetafileCanvas::LineTo(int x, int y) {
  const Point to{x, y};
  if (penStyle_ != psClear && to != at_) {
    if (Reaches(at_.x, at_.y) && Reaches(x, y)) EmitLine(at_, to);
    else Segment(at_.x, at_.y, x, y);
  }
  at_ = to;
}

void MetafileCanvas::Arc(int left, int top, int right, int bottom, int xStart, int yStart, int xEnd,
                         int yEnd) {
  if (penStyle_ == psClear || left == right || top == bottom) return;
  // Rays that coincide mean the whole ellipse to GDI, but readers of
  // metafiles draw such an arc as nothing; two halves mean the same to all.
  const long long sx = 2LL * xStart - left - right, sy = 2LL * yStart - top - bottom;
  const long long ex = 2LL * xEnd - left - right, ey = 2LL * yEnd - top - bottom;
  if ((sx != 0 || sy != 0) && sx * ey == sy * ex && sx * ex + sy * ey > 0) {
    const int xOpposite = left + right - xStart, yOpposite = top + bottom - yStart;
    Arc(left, top, right, bottom, xStart, yStart, xOpposite, yOpposite);
    Arc(left, top, right, bottom, xOpposite, yOpposite, xStart, yStart);
    return;
  }
  if (!Reaches(left, top) || !Reaches(right, bottom) || !Reaches(xStart, yStart) || !Reaches(xEnd, yEnd)) {
    ArcAsChords(left, top, right, bottom, xStart, yStart, xEnd, yEnd);
    return;
  }
  UseRasterMode(penMode_);
  UsePen();
  UseHollowBrush();
  if (format_ == MetafileFormat::Emf)
    Append(U_EMRARC_set(RectL(left, top, right, bottom), point32_set(xStart, yStart), point32_set(xEnd, yEnd)));
  else
    Append(U_WMRARC_set(Point16(xStart, yStart), Point16(xEnd, yEnd), Rect16(left, top, right, bottom)));
}

// An arc too large for the format's coordinates: chords within a quarter
// pixel of the curve, each clipped, the way GDI itself flattens curves.
void MetafileCanvas::ArcAsChords(int left, int top, int right, int bottom, int xStart, int yStart, int xEnd,
                                 int yEnd) {
  const double l = std::min(left, right), r = std::max(left, right);
  const double t = std::min(top, bottom), b = std::max(top, bottom);
  const double cx = (l + r) / 2, cy = (t + b) / 2, rx = (r - l) / 2, ry = (b - t) / 2;
  // The rays through the two points, as angles of the ellipse's parameter,
  // counter-clockwise as seen.
  auto parameter = [&](int x, int y) { return std::atan2((cy - y) / ry, (x - cx) / rx); };
  const double from = parameter(xStart, yStart);
  double sweep = parameter(xEnd, yEnd) - from;
  while (sweep <= 0) sweep += 2 * std::numbers::pi;
  const double step = 2 * std::acos(1 - 0.25 / std::max({rx, ry, 1.0}));
  const int n = std::clamp(static_cast<int>(std::ceil(sweep / step)), 1, 1 << 16);
  auto x = [&](double a) { return cx + rx * std::cos(a); };
  auto y = [&](double a) { return cy - ry * std::sin(a); };
  for (int i = 0; i < n; ++i) {
    const double a0 = from + sweep * i / n, a1 = from + sweep * (i + 1) / n;
    Segment(x(a0), y(a0), x(a1), y(a1));
  }
}

void MetafileCanvas::Polygon(std::span<const PixelPoint> points, std::span<const int> ringSizes) {
  // Rings clipped to what the format holds, those of fewer than two points
  // left out.
  std::vector<PlanePoint> ring;
  std::vector<Point> kept;
  std::vector<int> sizes;
  std::size_t at = 0;
  for (int size : ringSizes) {
    if (size < 0 || at + static_cast<std::size_t>(size) > points.size()) break;
    ring.clear();
    bool reaches = true;
    for (int i = 0; i < size; ++i) {
      const PixelPoint& p = points[at + i];
      ring.push_back(PlanePoint{static_cast<double>(p.x), static_cast<double>(p.y)});
      reaches = reaches && Reaches(p.x, p.y);
    }
    at += static_cast<std::size_t>(size);
    if (!reaches) ring = ClipRingToSquare(ring, limit_);
    if (ring.size() < 2) continue;
    for (const PlanePoint& p : ring)
      kept.push_back(Point{static_cast<int>(std::lround(p.x)), static_cast<int>(std::lround(p.y))});
    sizes.push_back(static_cast<int>(ring.size()));
  }
  // WMF counts in 16 bits.
  if (sizes.empty() || (format_ == MetafileFormat::Wmf && (kept.size() > 32767 || sizes.size() > 32767))) return;
  UseRasterMode(penMode_);
  UsePen();
  UseBrush();
  if (!dcAlternateFill_) {
    Append(format_ == MetafileFormat::Emf ? U_EMRSETPOLYFILLMODE_set(U_ALTERNATE)
                                          : U_WMRSETPOLYFILLMODE_set(U_ALTERNATE));
    dcAlternateFill_ = true;
  }
  if (format_ == MetafileFormat::Emf) {
    std::vector<U_POINTL> pts;
    pts.reserve(kept.size());
    int left = kept[0].x, right = kept[0].x, top = kept[0].y, bottom = kept[0].y;
    for (const Point& p : kept) {
      pts.push_back(point32_set(p.x, p.y));
      left = std::min(left, p.x);
      right = std::max(right, p.x);
      top = std::min(top, p.y);
      bottom = std::max(bottom, p.y);
    }
    const U_RECTL bounds = RectL(left, top, right, bottom);
    if (sizes.size() == 1) {
      Append(U_EMRPOLYGON_set(bounds, static_cast<uint32_t>(pts.size()), pts.data()));
    } else {
      std::vector<uint32_t> counts(sizes.begin(), sizes.end());
      Append(U_EMRPOLYPOLYGON_set(bounds, static_cast<uint32_t>(counts.size()), counts.data(),
                                  static_cast<uint32_t>(pts.size()), pts.data()));
    }
    return;
  }
  std::vector<U_POINT16> pts;
  pts.reserve(kept.size());
  for (const Point& p : kept) pts.push_back(Point16(p.x, p.y));
  if (sizes.size() == 1) {
    Append(U_WMRPOLYGON_set(static_cast<uint16_t>(pts.size()), pts.data()));
  } else {
    std::vector<uint16_t> counts(sizes.begin(), sizes.end());
    Append(U_WMRPOLYPOLYGON_set(static_cast<uint16_t>(counts.size()), counts.data(), pts.data()));
  }
}

void MetafileCanvas::SetPixel(int x, int y, TColor color) {
  if (!Reaches(x, y)) return;
  Append(format_ == MetafileFormat::Emf ? U_EMRSETPIXELV_set(point32_set(x, y), Colour(color))
                                        : U_WMRSETPIXEL_set(Colour(color), Point16(x, y)));
}

int MetafileCanvas::TextWidth(const std::u16string& text) { return metrics_(font_, text); }

void MetafileCanvas::TextOut(int x, int y, const std::u16string& text) {
  if (text.empty() || !Reaches(x, y)) return;
  // A font beyond 16 bits would be drawn at the wrong size.
  if (format_ == MetafileFormat::Wmf && std::max(std::abs(font_.height), std::abs(font_.width)) > kWmfLimit)
    return;
  UseFont();
  if (fontColor_ != dcTextColor_) {
    Append(format_ == MetafileFormat::Emf ? U_EMRSETTEXTCOLOR_set(Colour(fontColor_))
                                          : U_WMRSETTEXTCOLOR_set(Colour(fontColor_)));
    dcTextColor_ = fontColor_;
  }
  EmitText(x, y, text);
}

void MetafileCanvas::EmitText(int x, int y, const std::u16string& text) {
  if (format_ == MetafileFormat::Wmf) {
    // WMF has no UTF-16 text record: code page 932 bytes, read by the
    // players through the font's Shift-JIS character set.
    std::string bytes = EncodeText(text, TextEncoding::Ansi);
    // The record's length is 16 bits and the library takes the text up to
    // its first zero byte.
    bytes.resize(std::min(bytes.size(), std::size_t{32767}));
    bytes.resize(std::strlen(bytes.c_str()));
    if (bytes.empty()) return;
    Append(U_WMRTEXTOUT_set(Point16(x, y), bytes.data()));
    return;
  }
  // Every character's advance as the text was measured, so that a reader
  // with other font metrics still spans the same width. Measured as
  // prefixes, which keeps kerning and sums to the whole width.
  std::vector<uint32_t> advances(text.size(), 0);
  int before = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const bool highSurrogate = text[i] >= 0xD800 && text[i] < 0xDC00 && i + 1 < text.size();
    if (highSurrogate) continue;  // the pair's advance goes to its second unit
    const int upTo = metrics_(font_, std::u16string_view(text).substr(0, i + 1));
    advances[i] = static_cast<uint32_t>(std::max(0, upTo - before));
    before = upTo;
  }
  std::vector<uint16_t> units(text.begin(), text.end());
  const U_RECTL noRect = RectL(0, 0, -1, -1);
  const Record body(emrtext_set(point32_set(x, y), static_cast<U_NUM_STR>(units.size()), 2, units.data(),
                                U_ETO_NONE, noRect, advances.data()));
  if (!body) throw std::bad_alloc();
  const float scale = static_cast<float>(kHundredthsMmPerPixel);
  Append(U_EMREXTTEXTOUTW_set(noRect, U_GM_COMPATIBLE, scale, scale, reinterpret_cast<PU_EMRTEXT>(body.get())));
}

}  // namespace vantrel
