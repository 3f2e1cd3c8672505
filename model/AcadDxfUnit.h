// The drawing model: plain records named after their DXF groups, one table
// per kind, all held by one Drawing. Free procedures take the Drawing first.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <unordered_map>
#include <vector>

#include "model/SharedName.h"

namespace vantrel {

// Coordinates are held as 64-bit doubles. The original data are 80-bit
// extended reals, but every value the reader stores comes from a decimal
// text of at most ~16 significant digits, and the passes that round "to
// Double" then become exact no-ops; double also keeps records small and the
// passes vectorisable.
using Extended = double;
using SmallInt = std::int16_t;
using Integer = std::int32_t;

// RGB packed 0x00BBGGRR (red in the low byte).
using TColor = std::uint32_t;

enum TPenStyle : std::uint8_t {
  psSolid = 0,
  psDash,
  psDot,
  psDashDot,
  psDashDotDot,
  psClear,
};

struct TAcadPoint {
  Extended x = 0;
  Extended y = 0;
  Extended z = 0;
  bool operator==(const TAcadPoint&) const = default;
};

inline constexpr TAcadPoint DefaultExtrusion{0, 0, 1};

struct TLayer {
  std::u16string Name;
  SmallInt color = 7;
  SmallInt code70 = 0;
  std::u16string ltype = u"CONTINUOUS";
  bool visible = true;
  std::u16string Comment;
};

// Packed like the entity records below: nested blocks multiply inserts.
struct TInsertBlk {
  SharedName name;
  SharedName layer = u"0";
  SharedName ltype = u"BYLAYER";
  SharedName dimBlkName;
  TAcadPoint base;
  TAcadPoint scale{1, 1, 1};
  TAcadPoint code210 = DefaultExtrusion;
  double rotate = 0;
  // A MINSERT is an insert repeated in code71 rows and code70 columns, code45
  // and code44 apart along its turned axes; a plain INSERT is one of each.
  double code44 = 0;
  double code45 = 0;
  TColor PenColor = 0;
  SmallInt color = 256;
  SmallInt code70 = 1;
  SmallInt code71 = 1;
  SmallInt code66 = 0;
  SmallInt code67 = 0;
  SmallInt layindex = 0;
  SmallInt code60 = 0;
  TPenStyle PenStyle = psSolid;
};

struct TBlockBlk {
  SharedName name;
  SharedName layer;
  SharedName ltype;
  TAcadPoint base;
  SmallInt layindex = 0;
  std::vector<TInsertBlk> InsertAry;
  SmallInt code60 = 0;
  std::u16string code330;  // the handle of its block record, by which others name it
};

// The member initialisers of the entity records are the reader's start
// defaults; records appended by the geometry passes start from
// ZeroRecord<T>() instead, which is all-zero as those passes require.
//
// The records the passes multiply (lines, circles, arcs, texts) hold their
// small fields together after the wide ones rather than in the order the
// format lists them: spread out, their padding made every line 8 bytes and
// every text 16 bytes larger, which a drawing of millions of placed records
// pays in memory and time. Nothing depends on the order; the dump writes
// the fields in the format's order.
struct TAcadLineBlk {
  SharedName bname;
  SharedName layer = u"0";
  SharedName ltype = u"BYLAYER";
  TAcadPoint st;
  TAcadPoint ed;
  TAcadPoint code210 = DefaultExtrusion;
  double atsumi = 0;
  TColor PenColor = 0;
  SmallInt color = 256;
  SmallInt code67 = 0;
  SmallInt layindex = 0;
  SmallInt convtype = 0;
  SmallInt code60 = 0;
  TPenStyle PenStyle = psSolid;
  // Two flags no pass uses share a byte: it keeps the most numerous record
  // of all at 120 bytes.
  bool lwpflag : 1 = false;
  bool checked : 1 = false;
};

struct TCircleBlk {
  SharedName bname;
  SharedName layer = u"0";
  SharedName ltype = u"BYLAYER";
  TAcadPoint center;
  double hankei = 0;
  TAcadPoint code210 = DefaultExtrusion;
  TColor PenColor = 0;
  SmallInt color = 256;
  SmallInt code67 = 0;
  SmallInt layindex = 0;
  SmallInt code60 = 0;
  TPenStyle PenStyle = psSolid;
  bool checked = false;
};

struct TArcBlk {
  SharedName bname;
  SharedName layer = u"0";
  SharedName ltype = u"BYLAYER";
  TAcadPoint center;
  double hankei = 0;
  double st = 0;  // degrees
  double ed = 0;  // degrees; the renderer may raise it by 360
  TAcadPoint code210 = DefaultExtrusion;
  double atsumi = 0;
  TColor PenColor = 0;
  SmallInt color = 256;
  SmallInt code67 = 0;
  SmallInt layindex = 0;
  SmallInt code60 = 0;
  TPenStyle PenStyle = psSolid;
  bool lwpflag = false;
  bool checked = false;
};

struct TLwpVer {
  Integer ihand = 0;
  // The vertex flags and, for a face record of a polyface mesh, the 1-based
  // indices of its corners (negative: the edge from that corner is hidden).
  SmallInt code70 = 0;
  SmallInt code71 = 0;
  TAcadPoint code10;
  double code42 = 0;
  SmallInt code72 = 0;
  SmallInt code73 = 0;
  SmallInt code74 = 0;
};

struct TLwpBlk {
  SharedName bname;
  SharedName layer = u"0";
  SharedName ltype = u"BYLAYER";
  Integer ihand = 0;
  SmallInt color = 256;
  double code38 = 0;
  SmallInt code67 = 0;
  SmallInt code70 = 0;
  SmallInt code71 = 0;
  SmallInt code72 = 0;
  SmallInt code73 = 0;
  SmallInt code74 = 0;
  TAcadPoint code210 = DefaultExtrusion;
  TColor PenColor = 0;
  TPenStyle PenStyle = psSolid;
  SmallInt layindex = 0;
  std::vector<TLwpVer> verAry;  // unused: vertices live in the vertex tables
  SmallInt code60 = 0;
};

struct TTextBlk {
  SharedName bname;
  SharedName layer;  // no default: a reused slot keeps the dropped text's
  TAcadPoint pt10;
  TAcadPoint pt11;
  double code40 = 0;  // no default, see layer
  double code41 = 1.0;
  double code44 = 1.0;
  double code50 = 0;
  TAcadPoint code210 = DefaultExtrusion;
  std::u16string str;
  TColor PenColor = 0;
  SmallInt color = 256;
  SmallInt code72 = 0;
  SmallInt code73 = 0;
  SmallInt code70 = 0;
  SmallInt code71 = 0;
  SmallInt code67 = 0;
  SmallInt layindex = 0;
  SmallInt code60 = 0;
  bool mtflag = false;
  bool atflag = false;
  bool checked = false;
};

struct TFaceBlk {
  SharedName bname;
  SharedName layer = u"0";
  SharedName ltype = u"BYLAYER";
  SmallInt color = 256;
  TAcadPoint pt[4];
  TColor PenColor = 0;
  TPenStyle PenStyle = psSolid;
  SmallInt code67 = 0;
  SmallInt code70 = 0;
  SmallInt count = 3;
  SmallInt layindex = 0;
  SmallInt code60 = 0;
};

struct TEllipseBlk {
  SharedName bname;
  SharedName layer = u"0";
  SharedName ltype = u"BYLAYER";
  SmallInt color = 256;
  TAcadPoint center;
  TAcadPoint endpoint;
  double henpei = 0;
  double kaisi = 0;
  double owari = 0;
  TAcadPoint code210 = DefaultExtrusion;
  SmallInt code67 = 0;
  SmallInt layindex = 0;
  SmallInt code60 = 0;
};

// SOLID and TRACE alike: corners in object coordinates of code210.
struct TSolidBlk {
  SharedName bname;
  SharedName layer = u"0";
  SharedName ltype = u"BYLAYER";
  SmallInt color = 256;
  TAcadPoint p1, p2, p3, p4;
  TAcadPoint code210 = DefaultExtrusion;
  SmallInt code67 = 0;
  SmallInt count = 3;  // 4 once group 13 has been read
  SmallInt code60 = 0;
};

struct TLeaderBlk {
  SharedName bname;
  SharedName layer = u"0";
  SharedName ltype = u"BYLAYER";
  SmallInt color = 256;
  double code41 = 0;
  SmallInt code76 = 0;
  TAcadPoint p1, p2, p3;
  SmallInt code67 = 0;
  SmallInt code60 = 0;
};

struct TDimensionBlk {
  SharedName bname;
  SharedName layer = u"0";
  SharedName ltype = u"BYLAYER";
  SmallInt color = 256;
  SharedName dimblkName;
  TAcadPoint p0, p1, p2, p3, p4, P5, P6;
  SmallInt dimtype = 0;
  double code40 = 0;
  double code50 = 0;
  double code51 = 0;
  TAcadPoint code210 = DefaultExtrusion;
  SmallInt code67 = 0;
  SmallInt code60 = 0;
};

struct TViewTbl {
  std::u16string name;
  TAcadPoint center;
  double height = 0;
  double width = 0;
  SmallInt code70 = 0;
};

struct TSplineBlk {
  SharedName bname;
  SharedName layer = u"0";
  SharedName ltype = u"BYLAYER";
  Integer ihand = 0;
  SmallInt color = 256;
  SmallInt code70 = 0;
  SmallInt code71 = 0;
  SmallInt code72 = 0;
  SmallInt code73 = 0;
  SmallInt code74 = 0;
  TAcadPoint code210;  // not read; stays (0, 0, 0)
  TColor PenColor = 0;
  TPenStyle PenStyle = psSolid;
  SmallInt layindex = 0;
  std::vector<TAcadPoint> code10Ary;
  std::vector<double> code40Ary;
  std::vector<double> code41Ary;
  // Fit points, for a spline given by the points it passes through, and
  // the tangents at its ends (zero when the file gives none).
  std::vector<TAcadPoint> code11Ary;
  TAcadPoint code12;
  TAcadPoint code13;
  SmallInt code67 = 0;
  SmallInt code60 = 0;
};

// A filled area: rings of points in world coordinates (block coordinates in
// a block table), filled by the even-odd rule in the record's colour. Its
// points and the sizes of its rings stand in the point and ring tables of
// its place, from first and firstRing on. A SOLID or TRACE is one ring of
// its corners.
struct TFillBlk {
  SharedName bname;
  SharedName layer = u"0";
  std::size_t first = 0;
  std::size_t firstRing = 0;
  std::uint32_t count = 0;  // points of all rings
  std::uint32_t rings = 0;
  TColor PenColor = 0;
  SmallInt color = 256;
  SmallInt code67 = 0;
  SmallInt layindex = 0;
  SmallInt code60 = 0;
};

// A POINT, drawn as a dot in its colour.
struct TPointBlk {
  SharedName bname;
  SharedName layer = u"0";
  SharedName ltype = u"BYLAYER";
  TAcadPoint pt10;
  SmallInt color = 256;
  SmallInt code67 = 0;
  SmallInt code60 = 0;
};

// An XLINE (endless both ways) or a RAY (endless from code10 on) along
// code11. Having no ends, they are drawn across whatever window the view
// shows and never count in the extents.
struct TXLineBlk {
  SharedName layer = u"0";
  SharedName ltype = u"BYLAYER";
  TAcadPoint code10;
  TAcadPoint code11{1, 0, 0};
  TColor PenColor = 0;
  SmallInt color = 256;
  SmallInt code67 = 0;
  SmallInt layindex = 0;
  SmallInt code60 = 0;
  TPenStyle PenStyle = psSolid;
  bool ray = false;
};

// One vertex of an MLINE: its position, the direction of the segment that
// starts there, the miter direction, and for each element the distance
// along the miter to the element's line (the first of its 41 parameters).
struct TMLineVer {
  TAcadPoint code11;
  TAcadPoint code12;
  TAcadPoint code13;
  std::vector<double> code41Ary;
};

struct TMLineBlk {
  SharedName bname;
  SharedName layer = u"0";
  SharedName ltype = u"BYLAYER";
  SharedName style;  // group 2
  double code40 = 1;  // scale
  SmallInt color = 256;
  SmallInt code70 = 0;  // justification
  SmallInt code71 = 0;  // bit 2: closed
  SmallInt code73 = 0;  // elements
  SmallInt code67 = 0;
  SmallInt code60 = 0;
  std::vector<TMLineVer> verAry;
};

// The element offsets of an MLINESTYLE object, for MLINEs whose vertices
// carry no parameters of their own.
struct TMLineStyle {
  SharedName name;
  std::u16string handle;
  std::vector<double> code49Ary;
};

// A MESH: its vertices and its faces as the file lists them (a corner count,
// then that many vertex indices, face after face).
struct TMeshBlk {
  SharedName bname;
  SharedName layer = u"0";
  SharedName ltype = u"BYLAYER";
  SmallInt color = 256;
  SmallInt code67 = 0;
  SmallInt code60 = 0;
  std::vector<TAcadPoint> code10Ary;
  std::vector<Integer> code90Ary;
};

// One LEADER of a MULTILEADER's context data: where its lines end, the
// dogleg from there, and the vertices of its lines (lineAry holds how many
// of code10Ary each line takes).
struct TMLeaderLdr {
  TAcadPoint code10;
  TAcadPoint code11{1, 0, 0};
  double code40 = 0;
  SmallInt code271 = 0;  // 0: the content is attached beside, over a dogleg
  std::vector<TAcadPoint> code10Ary;
  std::vector<Integer> lineAry;
};

// A MULTILEADER: leaders with arrowheads and an MTEXT content, from its
// context data (scaled values: char height 41, arrow size 140).
struct TMLeaderBlk {
  SharedName bname;
  SharedName layer = u"0";
  SharedName ltype = u"BYLAYER";
  SmallInt color = 256;
  SmallInt code67 = 0;
  SmallInt code60 = 0;
  SmallInt code170 = 1;  // leader type: 0 none, 1 straight, 2 spline
  SmallInt code291 = 1;  // has dogleg
  SmallInt code292 = 0;  // has a frame around its text
  SmallInt code171 = 1;  // text alignment: 1 left, 2 centre, 3 right
  bool code290 = false;  // has MTEXT content
  bool code296 = false;  // has block content
  std::u16string code341;  // the block record of the block content
  TAcadPoint code15;       // where the block content is inserted
  TAcadPoint code16{1, 1, 1};  // its scale
  double code46 = 0;       // its rotation, radians
  Integer code93 = 0;      // its colour, raw
  Integer code90 = 0;    // text colour, raw (0xC3nnnnnn: colour number nn)
  Integer code91 = 0;    // leader line colour, raw
  double code40 = 1;     // scale
  double code41 = 0;     // char height
  double code140 = 0;    // arrowhead size
  double code145 = 0;    // landing gap, between a frame and its text
  double code43 = 0;     // text width, unscaled
  double code45 = 1;     // line spacing factor
  TAcadPoint code12;     // text location
  TAcadPoint code13{1, 0, 0};  // text direction
  std::u16string str;
  std::vector<TMLeaderLdr> leaderAry;
};

// An all-zero record (empty strings, zero numbers, false flags), the start
// of every record a geometry pass appends.
template <class T>
T ZeroRecord();

// First-wins lookup of layer names. It indexes LayerAry lazily and picks up
// appended layers on its own; code that renames a layer already in the table
// must call LayerNamesChanged.
struct LayerNameIndex {
  std::unordered_map<std::u16string, int> first;
  std::size_t indexed = 0;
};

struct Drawing {
  std::vector<TLayer> LayerAry;
  std::vector<TViewTbl> ViewAry;
  std::vector<TBlockBlk> BlockAry;

  std::vector<TAcadLineBlk> BlkLineAry;
  std::vector<TCircleBlk> BlkCircleAry;
  std::vector<TArcBlk> BlkArcAry;
  std::vector<TLwpBlk> BlkLwpAry;
  std::vector<TLwpVer> BlkLwpVerAry;
  std::vector<TTextBlk> BlkTextAry;
  std::vector<TEllipseBlk> BlkEllipseAry;
  std::vector<TSolidBlk> BlkSolidAry;
  std::vector<TInsertBlk> BlkInsertAry;
  std::vector<TFaceBlk> BlkFaceAry;
  std::vector<TLeaderBlk> BlkLeaderAry;
  std::vector<TSplineBlk> BlkSplineAry;
  std::vector<TDimensionBlk> BlkDimensionAry;
  std::vector<TFillBlk> BlkFillAry;
  std::vector<TAcadPoint> BlkFillPtAry;
  std::vector<std::uint32_t> BlkFillRingAry;

  std::vector<TAcadLineBlk> EntLineAry;
  std::vector<TCircleBlk> EntCircleAry;
  std::vector<TArcBlk> EntArcAry;
  std::vector<TLwpBlk> EntLwpAry;
  std::vector<TLwpVer> EntLwpVerAry;
  std::vector<TTextBlk> EntTextAry;
  std::vector<TInsertBlk> EntInsertAry;
  std::vector<TFaceBlk> EntFaceAry;
  std::vector<TEllipseBlk> EntEllipseAry;
  std::vector<TSolidBlk> EntSolidAry;
  std::vector<TLeaderBlk> LeaderAry;
  std::vector<TSplineBlk> SplineAry;
  std::vector<TDimensionBlk> DimensionAry;
  // Filled areas, drawn like the line, circle, arc and text tables.
  std::vector<TFillBlk> EntFillAry;
  std::vector<TAcadPoint> EntFillPtAry;
  std::vector<std::uint32_t> EntFillRingAry;

  // Kinds the passes turn into the tables above: points and meshes into
  // lines, multilines into lines, multileaders into lines, fills and texts,
  // attribute definitions standing in the model into texts, tables into
  // inserts and arc dimensions into dimensions. They keep tables of their
  // own so that the counts taken after reading keep their meaning.
  std::vector<TPointBlk> BlkPointAry;
  std::vector<TPointBlk> EntPointAry;
  std::vector<TMeshBlk> BlkMeshAry;
  std::vector<TMeshBlk> EntMeshAry;
  std::vector<TMLineBlk> BlkMLineAry;
  std::vector<TMLineBlk> EntMLineAry;
  std::vector<TMLineStyle> MLineStyleAry;
  std::vector<TMLeaderBlk> BlkMLeaderAry;
  std::vector<TMLeaderBlk> MLeaderAry;
  std::vector<TTextBlk> AttdefAry;
  std::vector<TInsertBlk> AcadTableAry;
  std::vector<TDimensionBlk> ArcDimensionAry;
  // Drawn as they are, clipped to the view.
  std::vector<TXLineBlk> XLineAry;

  TAcadPoint ExtMin;
  TAcadPoint ExtMax;
  std::u16string DwgCodePage;

  mutable LayerNameIndex layerIndex;
};

// Model accessors. Names compare exactly and case-sensitively; the first
// entry of a name wins.
SmallInt LayerColor(Drawing& d, const std::u16string& name);
Integer LayerIndex(const Drawing& d, const std::u16string& name);
bool LayerVisibleAt(const Drawing& d, Integer index);
bool LayerVisible(const Drawing& d, const std::u16string& name);
void SetLayerVisible(Drawing& d, const std::u16string& name, bool value);
Integer ViewIndex(const Drawing& d, const std::u16string& name);
void LayerNamesChanged(const Drawing& d);

// Empties the tables a new selection must not show (the filled areas and
// the block tables of every kind among them); leaves DimensionAry,
// BlkSolidAry, EntSolidAry, LeaderAry, SplineAry, ExtMin, ExtMax and
// DwgCodePage as they are.
void ClearDrawing(Drawing& d);

// Empties every table and DwgCodePage (the start of a read); ExtMin and
// ExtMax are kept.
void EmptyAllTables(Drawing& d);

// The layer appended for a name the LAYER table lacks.
TLayer NewLayer(const std::u16string& name);

class ProgressSink;
class Reporter;
enum class TextEncoding;

// Reads one text DXF file into d, after emptying every table. Status is empty
// when the file was read to its end, "busy" or "error" when it was not read
// at all, or "<line>:<code>/<line>:<value>" of the pair that failed; the
// reader shows its own messages through OwnerWindow (caption "Quolmark").
void ReadDxf(Drawing& d, const std::filesystem::path& FileName, ProgressSink& ProgressBar,
             Reporter& OwnerWindow, TextEncoding Encoding, std::u16string& Status,
             std::u16string& Version);

}  // namespace vantrel
