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
  // The thickness is never drawn; a float of it leaves room for the
  // linetype scale (group 48) within the same 120 bytes.
  float atsumi = 0;
  float code48 = 1;
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
  float code48 = 1;
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
  float atsumi = 0;  // as for lines
  float code48 = 1;
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
  // Start and end width of the segment that leaves the vertex; a vertex
  // without its own takes its polyline's.
  double code40 = 0;
  double code41 = 0;
};

struct TLwpBlk {
  SharedName bname;
  SharedName layer = u"0";
  SharedName ltype = u"BYLAYER";
  Integer ihand = 0;
  SmallInt color = 256;
  double code38 = 0;
  // The widths new vertices start with: a POLYLINE's default start and end
  // widths, or an LWPOLYLINE's constant width (code43) in both.
  double code40 = 0;
  double code41 = 0;
  double code43 = 0;
  SmallInt code67 = 0;
  SmallInt code70 = 0;
  SmallInt code71 = 0;
  SmallInt code72 = 0;
  SmallInt code73 = 0;
  SmallInt code74 = 0;
  float code48 = 1;  // in what was padding
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
  double code51 = 0;  // oblique angle in degrees; TEXT only, MTEXT takes its style's
  TAcadPoint code210 = DefaultExtrusion;
  SharedName style = u"STANDARD";  // group 7
  std::u16string str;
  TColor PenColor = 0;
  SmallInt color = 256;
  SmallInt code72 = 0;
  SmallInt code73 = 0;
  SmallInt code70 = 0;
  SmallInt code71 = 0;
  SmallInt code67 = 0;
  SmallInt layindex = 0;
  SmallInt styleindex = 0;  // derived: the record's entry of StyleAry, -1 none
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
  float code48 = 1;  // in what was padding
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

// A linetype of the LTYPE table. Its pattern elements (group 49) are
// dashes when positive, gaps when negative and dots when 0, in drawing
// units; code74Ary holds each element's flags (a shape or text drawn in
// it, which is left out while its length still counts).
struct TLtypeTbl {
  std::u16string name;  // upper case, as the records name their linetypes
  std::u16string code3;
  SmallInt code70 = 0;
  SmallInt code72 = 65;
  SmallInt code73 = 0;
  double code40 = 0;
  std::vector<double> code49Ary;
  std::vector<SmallInt> code74Ary;
};

struct TViewTbl {
  std::u16string name;
  TAcadPoint center;
  double height = 0;
  double width = 0;
  SmallInt code70 = 0;
};

// A STYLE table entry: the fonts a text of that style is drawn in. code3 is
// the font file (an SHX or TrueType file name), code4 the big font for the
// double-byte characters; family and code1071 come from the ACAD extended
// data, where a TrueType style names its family and whether it is bold
// (0x2000000) or italic (0x1000000).
struct TStyleTbl {
  std::u16string name;
  std::u16string code3;
  std::u16string code4;
  std::u16string family;
  double code40 = 0;
  double code41 = 1.0;
  double code50 = 0;
  Integer code1071 = 0;
  SmallInt code70 = 0;
  // Derived by the face pass: the installed face the style is drawn in, and
  // whether that face stands in for a font this machine lacks.
  std::u16string face;
  bool bold = false;
  bool italic = false;
  bool substituted = false;
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
  float code48 = 1;
};

// One piece of a hatch boundary path. A polyline path is a run of vertices
// (type 0: code10 with the bulge code42 of the segment leaving it); an edge
// path a run of lines (1: code10 to code11), circular arcs (2: centre
// code10, radius code40, angles code50 to code51 in degrees), elliptic arcs
// (3: centre code10, end of the major axis code11 relative to it, axis
// ratio code40, angles code50 to code51) and splines (4: the hatch's spline
// at index spline). An arc or elliptic arc with code73 0 runs clockwise,
// its angles stored as their complements, as the format writes them. All in
// the object coordinates of the hatch.
struct THatchEdge {
  TAcadPoint code10;
  TAcadPoint code11;
  double code40 = 0;
  double code42 = 0;
  double code50 = 0;
  double code51 = 0;
  std::uint32_t spline = 0;
  SmallInt type = 0;
  SmallInt code73 = 1;
};

// A boundary path: its flags (code92: 1 external, 2 polyline, 8 text box,
// 16 outermost), whether a polyline path is closed (code73), and its edges
// in the hatch's edge list from first on.
struct THatchPath {
  Integer code92 = 0;
  SmallInt code73 = 1;
  std::uint32_t first = 0;
  std::uint32_t count = 0;
};

// One line family of a hatch pattern as the hatch stores it, its scale and
// angle already applied: lines at code53 degrees through the base point
// (code43, code44) and through every whole multiple of the offset (code45,
// code46) from it, dashed by code49Ary (dashes positive, gaps negative, dots
// zero; none is a solid line), the dashes starting at the base point.
struct THatchLine {
  double code53 = 0;
  TAcadPoint base;
  TAcadPoint offset;
  std::vector<double> code49Ary;
};

struct THatchBlk {
  SharedName bname;
  SharedName layer = u"0";
  SharedName pattern;  // code2
  TAcadPoint code10;   // its z is the elevation of the hatch's plane
  TAcadPoint code210 = DefaultExtrusion;
  double code41 = 1;  // pattern scale and angle, as the file gives them
  double code52 = 0;
  std::vector<THatchPath> paths;
  std::vector<THatchEdge> edges;
  std::vector<TSplineBlk> splines;
  std::vector<THatchLine> lines;
  SmallInt color = 256;
  SmallInt code70 = 0;  // 1: solid fill
  SmallInt code75 = 0;  // 0 all paths, 1 outermost only, 2 external only
  SmallInt code76 = 1;
  SmallInt code67 = 0;
  SmallInt code60 = 0;
};

// A filled area: rings of points in world coordinates (block coordinates in
// a block table), filled by the even-odd rule in the record's colour. Its
// points and the sizes of its rings stand in the point and ring tables of
// its place, from first and firstRing on. A SOLID or TRACE is one ring of
// its corners. A hatch pattern fills with lines instead: its families stand
// in the family table of its place from firstFamily on.
struct TFillBlk {
  SharedName bname;
  SharedName layer = u"0";
  std::size_t first = 0;
  std::size_t firstRing = 0;
  std::size_t firstFamily = 0;
  std::uint32_t count = 0;  // points of all rings
  std::uint32_t rings = 0;
  std::uint32_t families = 0;
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

// One family of a pattern fill's lines, in the coordinates of its fill: the
// lines through base + k * offset for every whole k, running along dir; a
// dash of length L in the pattern spans L * dir, so a placement moves all
// three as it moves points and vectors. Its dashes stand in the dash table
// of its place from firstDash on; none makes solid lines.
struct TFillFamily {
  TAcadPoint base;
  TAcadPoint dir;
  TAcadPoint offset;
  std::size_t firstDash = 0;
  std::uint32_t dashes = 0;
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
  std::vector<TLtypeTbl> LtypeAry;
  std::vector<TViewTbl> ViewAry;
  std::vector<TStyleTbl> StyleAry;
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
  std::vector<TFillFamily> BlkFillFamilyAry;
  std::vector<double> BlkFillDashAry;
  std::vector<THatchBlk> BlkHatchAry;

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
  std::vector<TFillFamily> EntFillFamilyAry;
  std::vector<double> EntFillDashAry;
  std::vector<THatchBlk> EntHatchAry;

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
  // $LTSCALE: every linetype pattern is drawn this much larger.
  double LtScale = 1;

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
