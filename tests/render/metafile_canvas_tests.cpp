// Guards the metafile canvas against headers that miscount, objects used after deletion or beyond the table, texts in the wrong encoding, whole circles that readers drop, polygons filled by the wrong rule, and WMF coordinates that overflow 16 bits.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <span>
#include <string>
#include <vector>

#include "model/TextCodec.h"
#include "render/MetafileCanvas.h"

namespace vantrel {
namespace {

// Record types, as the format descriptions number them.
constexpr std::uint32_t kEmrHeader = 1, kEmrEof = 14, kEmrMoveTo = 27, kEmrSelectObject = 37,
                        kEmrCreatePen = 38, kEmrCreateBrush = 39, kEmrDeleteObject = 40, kEmrArc = 45,
                        kEmrLineTo = 54, kEmrCreateFont = 82, kEmrTextOutW = 84;
constexpr std::uint16_t kWmrEof = 0x0000, kWmrSelectObject = 0x012D, kWmrDeleteObject = 0x01F0,
                        kWmrLineTo = 0x0213, kWmrMoveTo = 0x0214, kWmrTextOut = 0x0521, kWmrArc = 0x0817,
                        kWmrCreatePen = 0x02FA, kWmrCreateFont = 0x02FB, kWmrCreateBrush = 0x02FC;
constexpr std::size_t kPlaceable = 22;

template <typename T>
T At(const std::string& b, std::size_t offset) {
  T v{};
  std::memcpy(&v, b.data() + offset, sizeof v);
  return v;
}

struct Rec {
  std::uint32_t type;
  std::size_t offset, size;
};

std::vector<Rec> EmfRecords(const std::string& b) {
  std::vector<Rec> records;
  for (std::size_t at = 0; at + 8 <= b.size();) {
    const auto size = At<std::uint32_t>(b, at + 4);
    records.push_back({At<std::uint32_t>(b, at), at, size});
    if (size < 8) break;
    at += size;
  }
  return records;
}

std::vector<Rec> WmfRecords(const std::string& b) {
  std::vector<Rec> records;
  for (std::size_t at = kPlaceable + 18; at + 6 <= b.size();) {
    const std::size_t size = At<std::uint32_t>(b, at) * 2;
    records.push_back({At<std::uint16_t>(b, at + 4), at, size});
    if (size < 6) break;
    at += size;
  }
  return records;
}

std::vector<Rec> OfType(const std::vector<Rec>& records, std::uint32_t type) {
  std::vector<Rec> found;
  for (const Rec& r : records)
    if (r.type == type) found.push_back(r);
  return found;
}

MetafileCanvas NewCanvas(MetafileFormat format) {
  // Ten pixels a code unit, whatever the font.
  return MetafileCanvas(format, 200, 100, [](const CanvasFont&, std::u16string_view s) {
    return 10 * static_cast<int>(s.size());
  });
}

// Changes pens, brushes and fonts often enough that objects are made,
// selected and deleted many times over.
std::string DrawSome(MetafileFormat format) {
  MetafileCanvas c = NewCanvas(format);
  FillCanvas(c, 200, 100, clWhite);
  for (int i = 0; i < 5; ++i) {
    c.SetPenColor(0x0000FF + i);
    c.SetPenStyle(i % 2 ? psDot : psSolid);
    c.MoveTo(10, 10 + i);
    c.LineTo(190, 10 + i);
    c.SetFont(CanvasFont{12 + i, 0, 0, u"IPAexGothic"});
    c.TextOut(20, 40, u"A");
    c.SetBrushColor(0x00FF00 + i);
    c.Rectangle(5, 5, 50 + i, 50);
  }
  c.SetPixel(3, 3, clBlack);
  return c.Finish();
}

TEST(MetafileCanvas, HeadersTallyTheFileAndObjectsStayWithinTheirTable) {
  const std::string emf = DrawSome(MetafileFormat::Emf);
  const std::vector<Rec> er = EmfRecords(emf);
  ASSERT_GT(er.size(), 10u);
  EXPECT_EQ(er.front().type, kEmrHeader);
  EXPECT_EQ(emf.substr(40, 4), " EMF");
  EXPECT_EQ(At<std::uint32_t>(emf, 48), emf.size());
  EXPECT_EQ(At<std::uint32_t>(emf, 52), er.size());
  EXPECT_EQ(er.back().type, kEmrEof);
  EXPECT_EQ(er.back().offset + er.back().size, emf.size());
  // A player's view: made objects live until deleted, and only live ones
  // are selected or deleted, every index within the header's table.
  const std::uint16_t handles = At<std::uint16_t>(emf, 56);
  std::vector<bool> live(handles, false);
  for (const Rec& r : er) {
    const std::uint32_t index = At<std::uint32_t>(emf, r.offset + 8);
    if (r.type == kEmrCreatePen || r.type == kEmrCreateBrush || r.type == kEmrCreateFont) {
      ASSERT_TRUE(index > 0 && index < handles) << index;
      EXPECT_FALSE(live[index]);
      live[index] = true;
    } else if (r.type == kEmrSelectObject || r.type == kEmrDeleteObject) {
      ASSERT_LT(index, handles);
      EXPECT_TRUE(live[index]);
      if (r.type == kEmrDeleteObject) live[index] = false;
    }
  }

  const std::string wmf = DrawSome(MetafileFormat::Wmf);
  EXPECT_EQ(At<std::uint32_t>(wmf, 0), 0x9AC6CDD7u);
  std::uint16_t sum = 0;
  for (int i = 0; i < 10; ++i) sum ^= At<std::uint16_t>(wmf, 2 * i);
  EXPECT_EQ(At<std::uint16_t>(wmf, 20), sum);
  EXPECT_EQ(At<std::int16_t>(wmf, 10), 200);  // the placeable box's right
  EXPECT_EQ(At<std::uint32_t>(wmf, kPlaceable + 6), (wmf.size() - kPlaceable) / 2);
  const std::vector<Rec> wr = WmfRecords(wmf);
  ASSERT_FALSE(wr.empty());
  EXPECT_EQ(wr.back().type, kWmrEof);
  EXPECT_EQ(wr.back().offset + wr.back().size, wmf.size());
  std::size_t largest = 0;
  for (const Rec& r : wr) largest = std::max(largest, r.size);
  EXPECT_EQ(At<std::uint32_t>(wmf, kPlaceable + 12) * 2, largest);
  // WMF players put each new object into the lowest free slot.
  const std::uint16_t slots = At<std::uint16_t>(wmf, kPlaceable + 10);
  std::vector<bool> used(slots, false);
  for (const Rec& r : wr) {
    if (r.type == kWmrCreatePen || r.type == kWmrCreateBrush || r.type == kWmrCreateFont) {
      const auto free = std::find(used.begin(), used.end(), false);
      ASSERT_NE(free, used.end()) << "more objects than the header's " << slots;
      *free = true;
    } else if (r.type == kWmrSelectObject || r.type == kWmrDeleteObject) {
      const std::uint16_t index = At<std::uint16_t>(wmf, r.offset + 6);
      ASSERT_LT(index, slots);
      EXPECT_TRUE(used[index]);
      if (r.type == kWmrDeleteObject) used[index] = false;
    }
  }
}

TEST(MetafileCanvas, TextsAreUtf16WithAdvancesInEmfAndShiftJisInWmf) {
  const std::u16string text = u"居間Φ50";
  const CanvasFont font{24, 0, 900, u"IPAexGothic"};
  std::string files[2];
  for (MetafileFormat format : {MetafileFormat::Emf, MetafileFormat::Wmf}) {
    MetafileCanvas c = NewCanvas(format);
    c.SetFont(font);
    c.SetFontColor(0x0000FF);
    c.TextOut(30, 40, text);
    files[format == MetafileFormat::Wmf] = c.Finish();
  }
  const std::string& emf = files[0];
  const std::vector<Rec> texts = OfType(EmfRecords(emf), kEmrTextOutW);
  ASSERT_EQ(texts.size(), 1u);
  const std::size_t t = texts[0].offset, body = t + 36;
  EXPECT_EQ(At<std::int32_t>(emf, body), 30);
  EXPECT_EQ(At<std::int32_t>(emf, body + 4), 40);
  ASSERT_EQ(At<std::uint32_t>(emf, body + 8), text.size());
  const std::u16string units(reinterpret_cast<const char16_t*>(emf.data() + t + At<std::uint32_t>(emf, body + 12)),
                             text.size());
  EXPECT_EQ(units, text);
  const std::size_t dx = t + At<std::uint32_t>(emf, body + 36);
  for (std::size_t i = 0; i < text.size(); ++i) EXPECT_EQ(At<std::uint32_t>(emf, dx + 4 * i), 10u);
  const std::vector<Rec> fonts = OfType(EmfRecords(emf), kEmrCreateFont);
  ASSERT_EQ(fonts.size(), 1u);
  EXPECT_EQ(At<std::int32_t>(emf, fonts[0].offset + 12), 24);   // lfHeight
  EXPECT_EQ(At<std::int32_t>(emf, fonts[0].offset + 20), 900);  // lfEscapement

  const std::string& wmf = files[1];
  const std::vector<Rec> wtexts = OfType(WmfRecords(wmf), kWmrTextOut);
  ASSERT_EQ(wtexts.size(), 1u);
  const std::string sjis = EncodeText(text, TextEncoding::Ansi);
  ASSERT_EQ(At<std::int16_t>(wmf, wtexts[0].offset + 6), static_cast<std::int16_t>(sjis.size()));
  EXPECT_EQ(wmf.substr(wtexts[0].offset + 8, sjis.size()), sjis);
  const std::vector<Rec> wfonts = OfType(WmfRecords(wmf), kWmrCreateFont);
  ASSERT_EQ(wfonts.size(), 1u);
  EXPECT_EQ(static_cast<unsigned char>(wmf[wfonts[0].offset + 6 + 13]), 128u);  // SHIFTJIS_CHARSET
}

TEST(MetafileCanvas, WholeEllipsesGoAsTwoHalvesAndWmfLinesAreClippedTo16Bits) {
  for (MetafileFormat format : {MetafileFormat::Emf, MetafileFormat::Wmf}) {
    MetafileCanvas c = NewCanvas(format);
    c.Arc(0, 0, 100, 100, 100, 50, 100, 50);
    c.MoveTo(-100000, 10);
    c.LineTo(100000, 10);
    c.LineTo(100000, 20);
    const std::string b = c.Finish();
    if (format == MetafileFormat::Emf) {
      const std::vector<Rec> r = EmfRecords(b);
      ASSERT_EQ(OfType(r, kEmrArc).size(), 2u);
      const std::size_t arc = OfType(r, kEmrArc)[0].offset;
      EXPECT_EQ(At<std::int32_t>(b, arc + 24), 100);  // start x
      EXPECT_EQ(At<std::int32_t>(b, arc + 32), 0);    // end x, opposite
      ASSERT_EQ(OfType(r, kEmrMoveTo).size(), 1u);  // the joined line needs no move
      EXPECT_EQ(At<std::int32_t>(b, OfType(r, kEmrMoveTo)[0].offset + 8), -100000);
      EXPECT_EQ(At<std::int32_t>(b, OfType(r, kEmrLineTo)[0].offset + 8), 100000);
    } else {
      const std::vector<Rec> r = WmfRecords(b);
      ASSERT_EQ(OfType(r, kWmrArc).size(), 2u);
      const std::vector<Rec> moves = OfType(r, kWmrMoveTo), lines = OfType(r, kWmrLineTo);
      ASSERT_GE(moves.size(), 1u);
      ASSERT_GE(lines.size(), 1u);
      // Parameters run backwards: y, then x.
      EXPECT_EQ(At<std::int16_t>(b, moves[0].offset + 8), -32767);
      EXPECT_EQ(At<std::int16_t>(b, lines[0].offset + 8), 32767);
      EXPECT_EQ(At<std::int16_t>(b, lines[0].offset + 6), 10);
    }
  }
}

TEST(MetafileCanvas, PolygonsFillByTheEvenOddRuleAndWmfOnesAreClippedTo16Bits) {
  const PixelPoint points[] = {{10, 10}, {90, 10}, {50, 90}, {40, 30}, {60, 30}, {50, 50},
                               {-100000, 95}, {100000, 95}, {0, 99}};
  const int rings[] = {3, 3};
  const int far[] = {3};
  for (MetafileFormat format : {MetafileFormat::Emf, MetafileFormat::Wmf}) {
    MetafileCanvas c = NewCanvas(format);
    c.SetBrushColor(0x00FF00);
    c.Polygon(std::span(points, 6), rings);
    c.Polygon(std::span(points + 6, 3), far);
    c.Arc(0, 0, 20, 20, 20, 10, 0, 10);
    const std::string b = c.Finish();
    // The arc goes out with a hollow brush: readers that fill arcs with the
    // selected brush must not fill it with the polygons' green.
    auto lastBrushStyleBefore = [&](const std::vector<Rec>& r, auto brushType, auto arcType, std::size_t styleAt) {
      int style = -1;
      for (const Rec& x : r) {
        if (x.type == static_cast<std::uint32_t>(arcType)) return style;
        if (x.type == static_cast<std::uint32_t>(brushType)) style = At<std::uint16_t>(b, x.offset + styleAt);
      }
      return -2;
    };
    if (format == MetafileFormat::Emf) {
      EXPECT_EQ(lastBrushStyleBefore(EmfRecords(b), kEmrCreateBrush, kEmrArc, 12), 1);  // BS_NULL
      // EMR_POLYPOLYGON, EMR_POLYGON and EMR_SETPOLYFILLMODE (alternate) once.
      const std::vector<Rec> r = EmfRecords(b);
      ASSERT_EQ(OfType(r, 8).size(), 1u);
      ASSERT_EQ(OfType(r, 3).size(), 1u);
      ASSERT_EQ(OfType(r, 19).size(), 1u);
      EXPECT_EQ(At<std::uint32_t>(b, OfType(r, 19)[0].offset + 8), 1u);
      const std::size_t poly = OfType(r, 8)[0].offset;
      EXPECT_EQ(At<std::uint32_t>(b, poly + 24), 2u);  // rings
      EXPECT_EQ(At<std::uint32_t>(b, poly + 28), 6u);  // points
      EXPECT_EQ(At<std::int32_t>(b, OfType(r, 3)[0].offset + 28), -100000);
    } else {
      const std::vector<Rec> r = WmfRecords(b);
      EXPECT_EQ(lastBrushStyleBefore(r, kWmrCreateBrush, kWmrArc, 6), 1);
      ASSERT_EQ(OfType(r, 0x0538).size(), 1u);  // META_POLYPOLYGON
      ASSERT_EQ(OfType(r, 0x0106).size(), 1u);  // META_SETPOLYFILLMODE
      const std::vector<Rec> clipped = OfType(r, 0x0324);  // META_POLYGON
      ASSERT_EQ(clipped.size(), 1u);
      const auto count = At<std::int16_t>(b, clipped[0].offset + 6);
      ASSERT_GE(count, 3);
      // Cut at the edge of what 16 bits hold, not wrapped round.
      bool atEdge = false;
      for (int i = 0; i < count; ++i) atEdge = atEdge || At<std::int16_t>(b, clipped[0].offset + 8 + 4 * i) == -32767;
      EXPECT_TRUE(atEdge);
    }
  }
}

}  // namespace
}  // namespace vantrel
