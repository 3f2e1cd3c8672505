#include "geometry/Blocks.h"

#include <algorithm>
#include <cmath>
#include <string>
#include <type_traits>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "geometry/AcadCtrl2016.h"
#include "geometry/LineOf.h"
#include "geometry/TableRoom.h"

namespace vantrel {

namespace {

constexpr double kTwoPi = 2 * kPi;
// A circle or arc that an unequal scale makes an ellipse is drawn as
// ellipses are: chords at this step of its angle.
constexpr double kChordStepDeg = 10;
constexpr std::size_t kNoNode = SIZE_MAX;

bool IsAnonymous(const std::u16string& name) { return !name.empty() && name[0] == u'*'; }

// Chords of an arc from st to ed degrees (counter-clockwise, a full circle
// when they are equal).
std::size_t ChordCount(double st, double ed) {
  double sweep = ed - st;
  if (!(sweep > 0)) sweep += 360;
  if (!(sweep > 0) || !std::isfinite(sweep)) return 1;
  return static_cast<std::size_t>(std::ceil(std::min(sweep, 360.0) / kChordStepDeg));
}

std::size_t TextBytes(const TTextBlk& t) {
  // A copy of a text with its string, which is copied on its own when it
  // is too long to stand in the record.
  constexpr std::size_t kInRecord = 7;
  return sizeof(TTextBlk) + (t.str.size() > kInRecord ? (t.str.size() + 1) * sizeof(char16_t) : 0);
}

std::size_t FillBytes(const Drawing& d, const TFillBlk& f) {
  std::size_t dashes = 0;
  for (std::size_t i = 0; i < f.families; ++i) dashes += d.BlkFillFamilyAry[f.firstFamily + i].dashes;
  return sizeof(TFillBlk) + f.count * sizeof(TAcadPoint) + f.rings * sizeof(std::uint32_t) +
         f.families * sizeof(TFillFamily) + dashes * sizeof(double);
}

// The records of one block name in every block table, in table order, with
// what placing them once costs: built once per pass, so that each placed
// insert finds its records with one lookup instead of a scan of the tables.
struct Entry {
  int block = -1;  // the first block of the name in BlockAry; -1 when none
  std::vector<std::size_t> lines, circles, arcs, texts, fills;
  std::size_t chords = 0;  // lines of its circles and arcs drawn as ellipses
  std::size_t similarBytes = 0, chordedBytes = 0;

  std::size_t Records(bool similar) const {
    return lines.size() + texts.size() + fills.size() + (similar ? circles.size() + arcs.size() : chords);
  }
  std::size_t Bytes(bool similar) const { return similar ? similarBytes : chordedBytes; }
  TableRoom Room(bool similar) const {
    if (similar) return TableRoom{lines.size(), circles.size(), arcs.size(), texts.size()};
    return TableRoom{lines.size() + chords, 0, 0, texts.size()};
  }
};

class BlockIndex {
 public:
  explicit BlockIndex(const Drawing& d) {
    entries_.reserve(d.BlockAry.size());
    for (std::size_t i = 0; i < d.BlockAry.size(); ++i) {
      Entry& e = entries_[d.BlockAry[i].name];
      if (e.block < 0) e.block = static_cast<int>(i);
    }
    Fill(&Entry::lines, d.BlkLineAry);
    Fill(&Entry::circles, d.BlkCircleAry);
    Fill(&Entry::arcs, d.BlkArcAry);
    Fill(&Entry::texts, d.BlkTextAry);
    Fill(&Entry::fills, d.BlkFillAry);
    for (auto& [name, e] : entries_) {
      std::size_t shared = e.lines.size() * sizeof(TAcadLineBlk);
      for (std::size_t i : e.texts) shared += TextBytes(d.BlkTextAry[i]);
      for (std::size_t i : e.fills) shared += FillBytes(d, d.BlkFillAry[i]);
      e.chords = 36 * e.circles.size();
      for (std::size_t i : e.arcs) e.chords += ChordCount(d.BlkArcAry[i].st, d.BlkArcAry[i].ed);
      e.similarBytes = shared + e.circles.size() * sizeof(TCircleBlk) + e.arcs.size() * sizeof(TArcBlk);
      e.chordedBytes = SaturatingAdd(shared, SaturatingMul(e.chords, sizeof(TAcadLineBlk)));
    }
  }

  // The entry of a name that has a block; null when there is none.
  const Entry* Find(const std::u16string& name) const {
    auto it = entries_.find(name);
    return it == entries_.end() || it->second.block < 0 ? nullptr : &it->second;
  }

 private:
  template <class T>
  void Fill(std::vector<std::size_t> Entry::*table, const std::vector<T>& records) {
    // Records of one block stand together; the entry of the previous record
    // saves most lookups.
    Entry* last = nullptr;
    const SharedName* lastName = nullptr;
    for (std::size_t i = 0; i < records.size(); ++i) {
      const SharedName& name = records[i].bname;
      if (lastName == nullptr || *lastName != name) {
        last = &entries_[name];
        lastName = &name;
      }
      (last->*table).push_back(i);
    }
  }

  std::unordered_map<std::u16string, Entry> entries_;
};

// x' = m x + t, in three dimensions.
struct Affine {
  double m[3][3] = {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}};
  double t[3] = {0, 0, 0};

  TAcadPoint operator()(const TAcadPoint& p) const {
    return TAcadPoint{m[0][0] * p.x + m[0][1] * p.y + m[0][2] * p.z + t[0],
                      m[1][0] * p.x + m[1][1] * p.y + m[1][2] * p.z + t[1],
                      m[2][0] * p.x + m[2][1] * p.y + m[2][2] * p.z + t[2]};
  }
  // outer after this.
  Affine Then(const Affine& outer) const {
    Affine r;
    for (int i = 0; i < 3; ++i) {
      for (int j = 0; j < 3; ++j)
        r.m[i][j] = outer.m[i][0] * m[0][j] + outer.m[i][1] * m[1][j] + outer.m[i][2] * m[2][j];
      r.t[i] = outer.m[i][0] * t[0] + outer.m[i][1] * t[1] + outer.m[i][2] * t[2] + outer.t[i];
    }
    return r;
  }
};

// How an insert, with the inserts that place its block, puts the records of
// its block into the model. As long as it is one insert's base, scale and
// turn (nesting keeps that form where turns and scales commute), points go
// through exactly the arithmetic of T(P) = I.base + Rot(I.rotate) *
// (I.scale (.) (P - B.base)); otherwise through the composed matrix.
struct Placement {
  bool identity = false;  // the block as its definition stands it
  bool simple = true;
  TAcadPoint blockBase, scale{1, 1, 1}, insertBase;
  double rotate = 0;                // degrees, summed over the nesting
  double cosTurn = 1, sinTurn = 0;  // of the clockwise angle RotatePoint takes
  Affine affine;                    // when not simple

  static Placement Identity() {
    Placement p;
    p.identity = true;
    return p;
  }

  // Insert I (at base, one cell of a MINSERT) of a block based at blockBase,
  // itself placed by outer.
  static Placement Of(const TInsertBlk& insert, TAcadPoint base, TAcadPoint blockBase,
                      const Placement& outer = Identity()) {
    Placement p;
    const bool flat = SamePoint(insert.code210, DefaultExtrusion, 0.00001);
    if (!outer.identity && outer.simple && flat &&
        (outer.scale.x == outer.scale.y || std::fmod(insert.rotate, 360.0) == 0)) {
      TAcadPoint combined;
      MulPoint(insert.scale, outer.scale, combined);
      p.SetSimple(blockBase, combined, outer(base), insert.rotate + outer.rotate);
      return p;
    }
    p.SetSimple(blockBase, insert.scale, base, insert.rotate);
    if (flat && outer.identity) return p;
    Affine own = p.SimpleAffine();
    if (!flat) {
      // The insert stands in the object coordinates of its extrusion.
      const OcsAxes axes = OcsAxesOf(insert.code210);
      Affine ocs;
      const TAcadPoint* columns[3] = {&axes.ax, &axes.ay, &axes.n};
      for (int j = 0; j < 3; ++j) {
        ocs.m[0][j] = columns[j]->x;
        ocs.m[1][j] = columns[j]->y;
        ocs.m[2][j] = columns[j]->z;
      }
      own = own.Then(ocs);
    }
    p.simple = false;
    p.affine = outer.identity ? own : own.Then(outer.Matrix());
    return p;
  }

  void SetSimple(TAcadPoint bb, TAcadPoint s, TAcadPoint base, double rot) {
    simple = true;
    blockBase = bb;
    scale = s;
    insertBase = base;
    rotate = rot;
    const double turn = -(rot * kDegToRad);
    cosTurn = std::cos(turn);
    sinTurn = std::sin(turn);
  }

  Affine SimpleAffine() const {
    Affine a;
    a.m[0][0] = scale.x * cosTurn;
    a.m[0][1] = scale.y * sinTurn;
    a.m[1][0] = -scale.x * sinTurn;
    a.m[1][1] = scale.y * cosTurn;
    a.m[2][2] = scale.z;
    const TAcadPoint moved = a(blockBase);
    a.t[0] = insertBase.x - moved.x;
    a.t[1] = insertBase.y - moved.y;
    a.t[2] = insertBase.z - moved.z;
    return a;
  }

  Affine Matrix() const { return identity ? Affine{} : simple ? SimpleAffine() : affine; }

  TAcadPoint operator()(TAcadPoint p) const {
    if (identity) return p;
    if (!simple) return affine(p);
    // SubPoint, MulPoint, RotatePoint and AddPoint, written out so that the
    // compiler keeps the point in registers; the operations are theirs.
    const Extended x = (p.x - blockBase.x) * scale.x;
    const Extended y = (p.y - blockBase.y) * scale.y;
    const Extended z = (p.z - blockBase.z) * scale.z;
    return TAcadPoint{(x * cosTurn + y * sinTurn) + insertBase.x, (-x * sinTurn + y * cosTurn) + insertBase.y,
                      z + insertBase.z};
  }

  // A turn and an equal positive scale: the forms the records had placed
  // before any of the others were known.
  bool PlainTurn() const { return identity || (simple && scale.x == scale.y && scale.x > 0); }

  // The 2 x 2 part that x and y go through.
  void Linear(double& a, double& b, double& c, double& d) const {
    if (identity) {
      a = d = 1;
      b = c = 0;
    } else if (simple) {
      a = scale.x * cosTurn;
      b = scale.y * sinTurn;
      c = -scale.x * sinTurn;
      d = scale.y * cosTurn;
    } else {
      a = affine.m[0][0];
      b = affine.m[0][1];
      c = affine.m[1][0];
      d = affine.m[1][1];
    }
  }

  // Turns, mirrors and equal scales keep circles round.
  bool Similar() const {
    if (identity || (simple && std::fabs(scale.x) == std::fabs(scale.y))) return true;
    double a, b, c, d;
    Linear(a, b, c, d);
    const double size = std::fabs(a) + std::fabs(b) + std::fabs(c) + std::fabs(d);
    const double tol = 1e-9 * size;
    return (std::fabs(a - d) <= tol && std::fabs(b + c) <= tol) ||
           (std::fabs(a + d) <= tol && std::fabs(b - c) <= tol);
  }
};

// The layer, linetype, space and extrusion a placed record may take from
// what placed it: the insert, or for inserts standing in their definition,
// the block.
struct Owner {
  SharedName layer, ltype;
  SmallInt code67 = 0;
  TAcadPoint code210 = DefaultExtrusion;
};

Owner OwnerOf(const TInsertBlk& insert) { return Owner{insert.layer, insert.ltype, insert.code67, insert.code210}; }

bool TakesOwnerLayer(const std::u16string& layer, SmallInt color) {
  return layer == u"0" || color == 0;
}

// LayerColor of the owner's layer, asked once per owner and only when some
// record needs it, so a missing layer is appended exactly when the plain
// algorithm would append it.
class OwnerLayerColor {
 public:
  OwnerLayerColor(Drawing& d, const std::u16string& layer) : d_(d), layer_(layer) {}
  SmallInt operator()() {
    if (!known_) {
      color_ = LayerColor(d_, layer_);
      known_ = true;
    }
    return color_;
  }

 private:
  Drawing& d_;
  const std::u16string& layer_;
  bool known_ = false;
  SmallInt color_ = 0;
};

// Texts and filled areas have no linetype to take.
template <class T>
void TakeOwnerLayer(T& e, const Owner& owner, OwnerLayerColor& ownerColor) {
  if (!TakesOwnerLayer(e.layer, e.color)) return;
  if constexpr (requires { e.ltype; }) e.ltype = owner.ltype;
  e.layer = owner.layer;
  e.color = ownerColor();
}

template <class T>
void ApplyOwner(T& e, const Owner& owner, OwnerLayerColor& ownerColor) {
  e.code67 = owner.code67;
  if constexpr (requires { e.code210; }) e.code210 = owner.code210;
  TakeOwnerLayer(e, owner, ownerColor);
}

double Hypot(double x, double y) { return std::sqrt(x * x + y * y); }
double DirectionDeg(double x, double y) { return std::atan2(y, x) * kRadToDeg; }

// A circle or arc placed where the placement keeps it round.
template <class R>
void PlaceRound(R& e, const Placement& place) {
  const bool plain = place.PlainTurn();
  e.center = place(e.center);
  double a, b, c, d;
  place.Linear(a, b, c, d);
  const double det = a * d - b * c;
  e.hankei = e.hankei * (plain ? std::fabs(place.scale.x) : std::sqrt(std::fabs(det)));
  if constexpr (requires { e.st; }) {
    if (plain) {
      e.st = e.st + place.rotate;
      e.ed = e.ed + place.rotate;
    } else if (det >= 0) {
      const double turn = DirectionDeg(a, c);
      e.st = e.st + turn;
      e.ed = e.ed + turn;
    } else {
      // A mirror: the angle a goes to phi - a, and the arc runs the other way.
      const double phi = DirectionDeg(a, c);
      const double st = e.st;
      e.st = phi - e.ed;
      e.ed = phi - st;
    }
  }
}

// A circle or arc under a placement that does not keep it round: the
// ellipse it becomes, as chords.
template <class R>
void PlaceAsChords(Drawing& d, const R& e, double st, double ed, const Placement& place, const Owner& owner,
                   OwnerLayerColor& ownerColor) {
  double sweep = ed - st;
  if (!(sweep > 0)) sweep += 360;
  sweep = std::min(sweep, 360.0);
  const std::size_t n = ChordCount(st, ed);
  auto at = [&](std::size_t k) {
    const double deg = k == n ? st + sweep : st + sweep * static_cast<double>(k) / static_cast<double>(n);
    return place(PolarPoint(e.center, deg * kDegToRad, e.hankei));
  };
  TAcadPoint prev = at(0);
  for (std::size_t k = 1; k <= n; ++k) {
    TAcadLineBlk line = LineOf(e, prev, at(k));
    prev = line.ed;
    ApplyOwner(line, owner, ownerColor);
    d.EntLineAry.push_back(std::move(line));
  }
}

// Right and left alignment trade places when a text is mirrored.
SmallInt MirroredAlignment(SmallInt code72) {
  return code72 == 0 ? 2 : code72 == 2 ? 0 : code72;
}
SmallInt MirroredAttachment(SmallInt code71) {
  switch (code71) {
    case 1: case 4: case 7: return static_cast<SmallInt>(code71 + 2);
    case 3: case 6: case 9: return static_cast<SmallInt>(code71 - 2);
    default: return code71;
  }
}

// A text's position, angle, height and width follow the placement. A
// mirroring placement gives the mirror image of the text's cell, with the
// text in it still readable: turned the other way and aligned at the other
// end, as CAD programs mirror texts that must stay legible.
void PlaceText(TTextBlk& e, const Placement& place) {
  if (place.PlainTurn()) {
    e.pt10 = place(e.pt10);
    const double grow = std::fabs(place.scale.x);
    if (!e.mtflag) {
      e.pt11 = place(e.pt11);
      e.code50 = e.code50 + place.rotate;
    } else if (e.pt11.x != 0 || e.pt11.y != 0) {
      // An MTEXT's pt11 is a direction, not a position.
      const double x = e.pt11.x, y = e.pt11.y;
      e.pt11.x = x * place.cosTurn + y * place.sinTurn;
      e.pt11.y = -x * place.sinTurn + y * place.cosTurn;
    } else {
      e.code50 = e.code50 + place.rotate;
    }
    e.code40 = e.code40 * grow;
    if (e.mtflag) e.code41 = e.code41 * grow;
    return;
  }
  double a, b, c, d;
  place.Linear(a, b, c, d);
  const bool mirrored = a * d - b * c < 0;
  const bool byVector = e.mtflag && (e.pt11.x != 0 || e.pt11.y != 0);
  double dx = std::cos(e.code50 * kDegToRad), dy = std::sin(e.code50 * kDegToRad);
  if (byVector) {
    const double l = Hypot(e.pt11.x, e.pt11.y);
    dx = e.pt11.x / l;
    dy = e.pt11.y / l;
  }
  double tx = a * dx + b * dy, ty = c * dx + d * dy;     // the text's x axis
  const double ux = -a * dy + b * dx, uy = -c * dy + d * dx;  // its y axis
  const double along = Hypot(tx, ty), across = Hypot(ux, uy);
  if (mirrored) {
    tx = -tx;
    ty = -ty;
  }
  if (!e.mtflag) {
    const TAcadPoint p10 = place(e.pt10), p11 = place(e.pt11);
    e.pt10 = p10;
    e.pt11 = p11;
    if (mirrored) {
      const bool atInsertion = e.code73 == 0 && (e.code72 == 0 || e.code72 == 3 || e.code72 == 5);
      if (e.code72 == 3 || e.code72 == 5) {
        // Aligned and fitted texts run between their two points.
        e.pt10 = p11;
        e.pt11 = p10;
      } else if (e.code72 == 0 && atInsertion) {
        e.pt11 = p10;  // now aligned right, at the same point
      } else if (e.code72 == 2 && e.code73 == 0) {
        e.pt10 = p11;  // now aligned left, at the same point
      }
      e.code72 = MirroredAlignment(e.code72);
    }
    e.code50 = DirectionDeg(tx, ty);
    if (across > 0) e.code41 = e.code41 * along / across;
  } else {
    e.pt10 = place(e.pt10);
    if (byVector)
      e.pt11 = TAcadPoint{tx, ty, e.pt11.z};
    else
      e.code50 = DirectionDeg(tx, ty);
    if (mirrored) e.code71 = MirroredAttachment(e.code71);
    e.code41 = e.code41 * along;
  }
  e.code40 = e.code40 * across;
}

// A copy of a block's filled area, its points put through place.
TFillBlk& AppendFill(Drawing& d, const TFillBlk& source, const Placement& place) {
  TFillBlk& e = d.EntFillAry.emplace_back(source);
  e.first = d.EntFillPtAry.size();
  e.firstRing = d.EntFillRingAry.size();
  for (std::size_t i = 0; i < source.count; ++i) d.EntFillPtAry.push_back(place(d.BlkFillPtAry[source.first + i]));
  for (std::size_t i = 0; i < source.rings; ++i) d.EntFillRingAry.push_back(d.BlkFillRingAry[source.firstRing + i]);
  if (source.families == 0) return e;
  // A pattern's lines move with the points they run between: the base
  // point as a point, the direction and the offset as vectors.
  e.firstFamily = d.EntFillFamilyAry.size();
  const Affine m = place.Matrix();
  auto vector = [&m](const TAcadPoint& v) {
    return TAcadPoint{m.m[0][0] * v.x + m.m[0][1] * v.y + m.m[0][2] * v.z,
                      m.m[1][0] * v.x + m.m[1][1] * v.y + m.m[1][2] * v.z,
                      m.m[2][0] * v.x + m.m[2][1] * v.y + m.m[2][2] * v.z};
  };
  for (std::size_t i = 0; i < source.families; ++i) {
    TFillFamily family = d.BlkFillFamilyAry[source.firstFamily + i];
    family.base = place(family.base);
    family.dir = vector(family.dir);
    family.offset = vector(family.offset);
    const std::size_t firstDash = family.firstDash;
    family.firstDash = d.EntFillDashAry.size();
    for (std::size_t k = 0; k < family.dashes; ++k) d.EntFillDashAry.push_back(d.BlkFillDashAry[firstDash + k]);
    d.EntFillFamilyAry.push_back(family);
  }
  return e;
}

// Places the records of the block of entry.
void PlaceBlock(Drawing& d, const Entry& entry, const Placement& place, const Owner& owner) {
  // The owner may live in a table that is not appended to here, but its
  // layer name is read after LayerColor may have grown LayerAry: it is held
  // by value, never through LayerAry.
  OwnerLayerColor ownerColor(d, owner.layer);
  const bool similar = place.Similar();
  for (std::size_t i : entry.lines) {
    TAcadLineBlk& e = d.EntLineAry.emplace_back(d.BlkLineAry[i]);
    e.st = place(e.st);
    e.ed = place(e.ed);
    ApplyOwner(e, owner, ownerColor);
  }
  for (std::size_t i : entry.circles) {
    if (!similar) {
      const TCircleBlk& source = d.BlkCircleAry[i];
      PlaceAsChords(d, source, 0.0, 0.0, place, owner, ownerColor);
      continue;
    }
    TCircleBlk& e = d.EntCircleAry.emplace_back(d.BlkCircleAry[i]);
    PlaceRound(e, place);
    ApplyOwner(e, owner, ownerColor);
  }
  for (std::size_t i : entry.arcs) {
    if (!similar) {
      const TArcBlk& source = d.BlkArcAry[i];
      PlaceAsChords(d, source, source.st, source.ed, place, owner, ownerColor);
      continue;
    }
    TArcBlk& e = d.EntArcAry.emplace_back(d.BlkArcAry[i]);
    PlaceRound(e, place);
    ApplyOwner(e, owner, ownerColor);
  }
  for (std::size_t i : entry.texts) {
    TTextBlk& e = d.EntTextAry.emplace_back(d.BlkTextAry[i]);
    PlaceText(e, place);
    ApplyOwner(e, owner, ownerColor);
  }
  for (std::size_t i : entry.fills) ApplyOwner(AppendFill(d, d.BlkFillAry[i], place), owner, ownerColor);
}

// The base of the cell in row r and column c of a MINSERT, in the insert's
// own coordinates: the array runs along the insert's turned axes.
TAcadPoint CellBase(const TInsertBlk& insert, int row, int column) {
  if (row == 0 && column == 0) return insert.base;
  const double ox = column * insert.code44, oy = row * insert.code45;
  const double a = insert.rotate * kDegToRad;
  const double c = std::cos(a), s = std::sin(a);
  return TAcadPoint{insert.base.x + ox * c - oy * s, insert.base.y + ox * s + oy * c, insert.base.z};
}

int Rows(const TInsertBlk& insert) { return std::max<int>(1, insert.code71); }
int Columns(const TInsertBlk& insert) { return std::max<int>(1, insert.code70); }
std::size_t Cells(const TInsertBlk& insert) {
  return static_cast<std::size_t>(Rows(insert)) * static_cast<std::size_t>(Columns(insert));
}

template <class F>
void ForEachCell(const TInsertBlk& insert, F&& f) {
  for (int row = 0; row < Rows(insert); ++row)
    for (int column = 0; column < Columns(insert); ++column)
      if (!f(CellBase(insert, row, column))) return;
}

// Whether a single insert keeps circles round (the scales of its x and y
// are equal in size).
bool SimilarInsert(const TInsertBlk& insert) { return std::fabs(insert.scale.x) == std::fabs(insert.scale.y); }

// What the nested levels need besides the block index: each block's nested
// inserts (its dimensions among them, as inserts of their pictures), the
// blocks that are some dimension's picture, the model inserts of each
// block name, and the blocks that can reach themselves.
class Nesting {
 public:
  Nesting(const Drawing& d, const BlockIndex& index) : nested_(d.BlockAry.size()), cyclic_(d.BlockAry.size()) {
    anyDimension_ = !d.DimensionAry.empty();
    for (const TDimensionBlk& dim : d.DimensionAry) {
      dimensionPictures_.insert(dim.dimblkName);
      modelPictures_.emplace(dim.dimblkName.str(), dim.code67);
    }
    for (std::size_t i = 0; i < d.BlockAry.size(); ++i)
      for (const TInsertBlk& e : d.BlockAry[i].InsertAry) nested_[i].push_back(&e);
    // A dimension inside a block draws its picture in the block's
    // coordinates: an insert of the picture that leaves its points where
    // they stand.
    dimensionInserts_.reserve(d.BlkDimensionAry.size());
    for (const TDimensionBlk& dim : d.BlkDimensionAry) {
      const Entry* container = index.Find(dim.bname);
      const Entry* picture = index.Find(dim.dimblkName);
      if (container == nullptr || dim.code60 != 0) continue;
      dimensionPictures_.insert(dim.dimblkName);
      TInsertBlk& e = dimensionInserts_.emplace_back();
      e.name = dim.dimblkName;
      e.layer = dim.layer;
      e.ltype = dim.ltype;
      e.color = dim.color;
      e.code67 = dim.code67;
      e.dimBlkName = dim.bname;
      if (picture != nullptr) e.base = d.BlockAry[picture->block].base;
      nested_[container->block].push_back(&e);
    }
    for (std::size_t i = 0; i < d.EntInsertAry.size(); ++i) modelInserts_[d.EntInsertAry[i].name].push_back(i);
    FindCycles(index);
  }

  const std::vector<const TInsertBlk*>& NestedIn(std::size_t block) const { return nested_[block]; }
  // The cells of all the nested inserts of a block.
  std::size_t NestedCells(std::size_t block) const {
    std::size_t cells = 0;
    for (const TInsertBlk* e : nested_[block]) cells = SaturatingAdd(cells, Cells(*e));
    return cells;
  }
  bool Cyclic(int block) const { return block >= 0 && cyclic_[block]; }

  // Inserts of anonymous blocks other than dimension pictures (layouts,
  // groups, tables) are drawn only in drawings without dimensions.
  bool Eligible(const TInsertBlk& e) const {
    return !IsAnonymous(e.dimBlkName) || !anyDimension_ || dimensionPictures_.count(e.dimBlkName) != 0;
  }

  // The picture of a model dimension, and the space of its first dimension.
  bool ModelPicture(const std::u16string& block, SmallInt& code67) const {
    auto it = modelPictures_.find(block);
    if (it == modelPictures_.end()) return false;
    code67 = it->second;
    return true;
  }

  // Anonymous blocks stand their nested inserts where the definition puts
  // them, except the pictures of dimensions inside blocks: their points are
  // the block's, not the model's.
  bool StandsInPlace(const TBlockBlk& block) const {
    if (!IsAnonymous(block.name)) return false;
    SmallInt code67;
    return ModelPicture(block.name, code67) || dimensionPictures_.count(block.name) == 0;
  }

  const std::vector<std::size_t>* PlacersOf(const std::u16string& block) const {
    auto it = modelInserts_.find(block);
    return it == modelInserts_.end() ? nullptr : &it->second;
  }

 private:
  // Tarjan's strongly connected components, without recursion (a chain of
  // blocks can be as long as the file allows).
  void FindCycles(const BlockIndex& index) {
    const std::size_t n = nested_.size();
    std::vector<std::vector<int>> edges(n);
    for (std::size_t i = 0; i < n; ++i)
      for (const TInsertBlk* e : nested_[i])
        if (const Entry* target = index.Find(e->name)) {
          edges[i].push_back(target->block);
          if (target->block == static_cast<int>(i)) cyclic_[i] = true;
        }
    std::vector<int> order(n, -1), low(n, 0);
    std::vector<bool> onStack(n, false);
    std::vector<int> stack;
    std::vector<std::pair<int, std::size_t>> frames;
    int counter = 0;
    for (std::size_t root = 0; root < n; ++root) {
      if (order[root] >= 0) continue;
      frames.emplace_back(static_cast<int>(root), 0);
      while (!frames.empty()) {
        auto& [v, next] = frames.back();
        if (next == 0 && order[v] < 0) {
          order[v] = low[v] = counter++;
          stack.push_back(v);
          onStack[v] = true;
        }
        if (next < edges[v].size()) {
          const int w = edges[v][next++];
          if (order[w] < 0)
            frames.emplace_back(w, 0);
          else if (onStack[w])
            low[v] = std::min(low[v], order[w]);
          continue;
        }
        if (low[v] == order[v]) {
          std::vector<int> component;
          int w;
          do {
            w = stack.back();
            stack.pop_back();
            onStack[w] = false;
            component.push_back(w);
          } while (w != v);
          if (component.size() > 1)
            for (int c : component) cyclic_[c] = true;
        }
        const int done = v;
        frames.pop_back();
        if (!frames.empty()) low[frames.back().first] = std::min(low[frames.back().first], low[done]);
      }
    }
  }

  std::vector<std::vector<const TInsertBlk*>> nested_;
  std::vector<bool> cyclic_;
  std::vector<TInsertBlk> dimensionInserts_;
  std::unordered_set<std::u16string> dimensionPictures_;
  std::unordered_map<std::u16string, SmallInt> modelPictures_;
  std::unordered_map<std::u16string, std::vector<std::size_t>> modelInserts_;
  bool anyDimension_ = false;
};

// A block to place: where, for whom, and the blocks that placed it (for the
// guard against cycles).
struct Instance {
  const Entry* entry;
  Placement place;
  Owner owner;
  std::size_t node;  // in the path nodes
};

struct PathNode {
  int block;
  std::size_t parent;
};

}  // namespace

std::size_t NestedInsertBytes() { return sizeof(Instance) + sizeof(PathNode); }

namespace {

// The levels of nested inserts below the model's, each collected from the
// one above it and paid for, with all it places, as it is collected.
class NestedLevels {
 public:
  NestedLevels(Drawing& d, const BlockIndex& index, const Nesting& nesting, ExpansionBudget& budget)
      : d_(d), index_(index), nesting_(nesting), budget_(budget) {}

  // The nested inserts of block (index into BlockAry) placed by parent for
  // owner; inPlace says they stand where the definition puts them, with
  // the block as their owner. False when the budget stopped them.
  bool Collect(std::size_t block, const Placement& parent, const Owner& owner, bool inPlace,
               std::size_t parentNode) {
    const std::vector<const TInsertBlk*>& nested = nesting_.NestedIn(block);
    if (nested.empty()) return true;
    const std::size_t node = nodes_.size();
    nodes_.push_back(PathNode{static_cast<int>(block), parentNode});
    // Collected straight into the next level, and taken back when the
    // budget refuses them.
    const std::size_t start = next_.size();
    std::size_t bytes = 0;
    OwnerLayerColor ownerColor(d_, owner.layer);
    for (const TInsertBlk* e : nested) {
      bytes = SaturatingAdd(bytes, SaturatingMul(Cells(*e), NestedInsertBytes()));
      // A copy placed by an insert takes its space and extrusion; one that
      // stands in place keeps its own, unless its block is the picture of
      // a dimension in paper space.
      Owner taken{e->layer, e->ltype, owner.code67, owner.code210};
      if (inPlace) {
        if (owner.code67 == 0) taken.code67 = e->code67;
        taken.code210 = e->code210;
      }
      if (TakesOwnerLayer(e->layer, e->color)) {
        taken.layer = owner.layer;
        taken.ltype = owner.ltype;
        ownerColor();
      }
      if (!nesting_.Eligible(*e)) continue;
      const Entry* entry = index_.Find(e->name);
      if (entry == nullptr) continue;
      if (nesting_.Cyclic(entry->block)) {
        bool repeated = false;
        std::size_t steps = 0;
        for (std::size_t at = node; at != kNoNode && !repeated; at = nodes_[at].parent, ++steps)
          repeated = nodes_[at].block == entry->block;
        // The walk is paid for too: a hostile web of blocks makes paths as
        // long as it has blocks.
        bytes = SaturatingAdd(bytes, steps * sizeof(PathNode));
        if (repeated) continue;
      }
      const TAcadPoint blockBase = d_.BlockAry[entry->block].base;
      ForEachCell(*e, [&](TAcadPoint base) {
        const Instance& item =
            next_.emplace_back(Instance{entry, Placement::Of(*e, base, blockBase, parent), taken, node});
        bytes = SaturatingAdd(bytes, entry->Bytes(item.place.Similar()));
        // Past the budget there is no need to go on counting.
        return bytes <= budget_.bytes;
      });
      if (bytes > budget_.bytes) break;
    }
    if (!budget_.Take(bytes)) {
      next_.erase(next_.begin() + static_cast<std::ptrdiff_t>(start), next_.end());
      return false;
    }
    return true;
  }

  // Room for count more nested inserts in the level being collected, as far
  // as the budget can pay for them: the work list of a big drawing is
  // megabytes, grown once.
  void Reserve(std::size_t count) {
    ReserveTable(next_, next_.size() + std::min(count, budget_.bytes / NestedInsertBytes()));
  }

  // Places the collected level, collects the one below it from it, and so
  // on while there is one.
  void PlaceAll() {
    std::vector<Instance> level;
    while (!next_.empty()) {
      level.swap(next_);
      next_.clear();
      for (const Instance& item : level) {
        PlaceBlock(d_, *item.entry, item.place, item.owner);
        budget_.placed += item.entry->Records(item.place.Similar());
      }
      std::size_t below = 0;
      for (const Instance& item : level) below = SaturatingAdd(below, nesting_.NestedCells(item.entry->block));
      Reserve(below);
      for (const Instance& item : level) {
        if (budget_.stopped) break;
        Collect(static_cast<std::size_t>(item.entry->block), item.place, item.owner, false, item.node);
      }
      level.clear();
    }
  }

 private:
  Drawing& d_;
  const BlockIndex& index_;
  const Nesting& nesting_;
  ExpansionBudget& budget_;
  std::vector<PathNode> nodes_;
  std::vector<Instance> next_;
};

// Copies a dimension's picture as stored, whole or not at all, in the
// space of its dimension.
void CopyDimensionPicture(Drawing& d, const Entry& entry, SmallInt code67, ExpansionBudget& budget) {
  if (!budget.Take(entry.Bytes(true))) return;
  for (std::size_t i : entry.lines) d.EntLineAry.emplace_back(d.BlkLineAry[i]).code67 = code67;
  for (std::size_t i : entry.circles) d.EntCircleAry.emplace_back(d.BlkCircleAry[i]).code67 = code67;
  for (std::size_t i : entry.arcs) d.EntArcAry.emplace_back(d.BlkArcAry[i]).code67 = code67;
  for (std::size_t i : entry.texts) d.EntTextAry.emplace_back(d.BlkTextAry[i]).code67 = code67;
  for (std::size_t i : entry.fills) AppendFill(d, d.BlkFillAry[i], Placement::Identity()).code67 = code67;
  budget.placed += entry.Records(true);
}

// Level one: every cell of every visible model insert, in table order.
template <class F>
void ForEachModelCell(const Drawing& d, const BlockIndex& index, F&& f) {
  for (const TInsertBlk& insert : d.EntInsertAry) {
    if (insert.code60 != 0) continue;
    const Entry* entry = index.Find(insert.name);
    if (entry == nullptr) continue;
    bool go = true;
    ForEachCell(insert, [&](TAcadPoint base) { return go = f(insert, *entry, base); });
    if (!go) return;
  }
}

// The room of the nested levels below a block, by block and by whether the
// placement so far keeps circles round; a block met again on the way in
// counts nothing more.
class NestedRoom {
 public:
  NestedRoom(const Drawing& d, const BlockIndex& index, const Nesting& nesting)
      : d_(d), index_(index), nesting_(nesting), state_(2 * d.BlockAry.size(), 0),
        room_(2 * d.BlockAry.size()) {}

  // What one placement of the block places, with its nested levels.
  TableRoom Of(int block, bool similar) {
    const std::size_t key = Key(block, similar);
    if (state_[key] == kDone) return room_[key];
    // Without recursion: a chain of blocks can be as long as the file.
    struct Frame {
      int block;
      bool similar;
      std::size_t next;
      TableRoom room;
    };
    std::vector<Frame> frames{{block, similar, 0, Own(block, similar)}};
    state_[key] = kOpen;
    while (!frames.empty()) {
      Frame& f = frames.back();
      const auto& nested = nesting_.NestedIn(static_cast<std::size_t>(f.block));
      if (f.next < nested.size()) {
        const TInsertBlk& e = *nested[f.next++];
        const Entry* entry = nesting_.Eligible(e) ? index_.Find(e.name) : nullptr;
        if (entry == nullptr) continue;
        const bool childSimilar = f.similar && SimilarInsert(e);
        const std::size_t childKey = Key(entry->block, childSimilar);
        if (state_[childKey] == kDone) {
          f.room += Times(room_[childKey], Cells(e));
        } else if (state_[childKey] == kFree) {
          state_[childKey] = kOpen;
          multiplier_.push_back(Cells(e));
          frames.push_back(Frame{entry->block, childSimilar, 0, Own(entry->block, childSimilar)});
        }
        continue;
      }
      const std::size_t doneKey = Key(f.block, f.similar);
      room_[doneKey] = f.room;
      state_[doneKey] = kDone;
      const TableRoom done = f.room;
      frames.pop_back();
      if (!frames.empty()) {
        frames.back().room += Times(done, multiplier_.back());
        multiplier_.pop_back();
      }
    }
    return room_[key];
  }

  // What the nested inserts of a block place, the block's own records aside
  // (and an insert of the block itself, which is never placed there).
  TableRoom Below(std::size_t block, bool similar) {
    TableRoom room;
    for (const TInsertBlk* e : nesting_.NestedIn(block)) {
      const Entry* entry = nesting_.Eligible(*e) ? index_.Find(e->name) : nullptr;
      if (entry != nullptr && entry->block != static_cast<int>(block))
        room += Times(Of(entry->block, similar && SimilarInsert(*e)), Cells(*e));
    }
    return room;
  }

 private:
  static constexpr char kFree = 0, kOpen = 1, kDone = 2;
  std::size_t Key(int block, bool similar) const {
    return static_cast<std::size_t>(block) * 2 + (similar ? 1 : 0);
  }
  TableRoom Own(int block, bool similar) const {
    const Entry* entry = index_.Find(d_.BlockAry[block].name);
    return entry != nullptr ? entry->Room(similar) : TableRoom{};
  }
  static TableRoom Times(const TableRoom& r, std::size_t n) {
    return TableRoom{SaturatingMul(r.lines, n), SaturatingMul(r.circles, n), SaturatingMul(r.arcs, n),
                     SaturatingMul(r.texts, n)};
  }

  const Drawing& d_;
  const BlockIndex& index_;
  const Nesting& nesting_;
  std::vector<char> state_;
  std::vector<TableRoom> room_;
  std::vector<std::size_t> multiplier_;
};

TableRoom ModelInsertRoom(const Drawing& d, const BlockIndex& index) {
  TableRoom room;
  for (const TInsertBlk& insert : d.EntInsertAry) {
    if (insert.code60 != 0) continue;
    if (const Entry* entry = index.Find(insert.name)) {
      const TableRoom one = entry->Room(SimilarInsert(insert));
      const std::size_t n = Cells(insert);
      room += TableRoom{SaturatingMul(one.lines, n), SaturatingMul(one.circles, n), SaturatingMul(one.arcs, n),
                        SaturatingMul(one.texts, n)};
    }
  }
  return room;
}

TableRoom BlockLevelsRoom(const Drawing& d, const BlockIndex& index, const Nesting& nesting) {
  TableRoom room;
  NestedRoom nested(d, index, nesting);
  for (std::size_t b = 0; b < d.BlockAry.size(); ++b) {
    const TBlockBlk& block = d.BlockAry[b];
    if (block.code60 != 0) continue;
    SmallInt code67;
    if (nesting.ModelPicture(block.name, code67))
      if (const Entry* entry = index.Find(block.name)) room += entry->Room(true);
    if (nesting.NestedIn(b).empty()) continue;
    if (const std::vector<std::size_t>* placers = nesting.PlacersOf(block.name)) {
      for (std::size_t pi : *placers) {
        const TInsertBlk& placer = d.EntInsertAry[pi];
        const TableRoom one = nested.Below(b, SimilarInsert(placer));
        const std::size_t n = Cells(placer);
        room += TableRoom{SaturatingMul(one.lines, n), SaturatingMul(one.circles, n), SaturatingMul(one.arcs, n),
                          SaturatingMul(one.texts, n)};
      }
    }
    if (nesting.StandsInPlace(block)) room += nested.Below(b, true);
  }
  return room;
}

}  // namespace

TableRoom ExpansionRoom(const Drawing& d) {
  const BlockIndex index(d);
  TableRoom room = ModelInsertRoom(d, index);
  if (!d.BlockAry.empty()) room += BlockLevelsRoom(d, index, Nesting(d, index));
  return room;
}

void ExpandInserts(Drawing& d, ExpansionBudget& budget) {
  const BlockIndex index(d);
  ReserveRoom(d, ModelInsertRoom(d, index).Within(budget.bytes));
  ForEachModelCell(d, index, [&](const TInsertBlk& insert, const Entry& entry, TAcadPoint base) {
    const Placement place = Placement::Of(insert, base, d.BlockAry[entry.block].base);
    const bool similar = place.Similar();
    if (!budget.Take(entry.Bytes(similar))) return false;
    PlaceBlock(d, entry, place, OwnerOf(insert));
    budget.placed += entry.Records(similar);
    return true;
  });
}

void ExpandInserts(Drawing& d) {
  ExpansionBudget unlimited;
  ExpandInserts(d, unlimited);
}

void ExpandBlocks(Drawing& d, ExpansionBudget& budget) {
  if (d.BlockAry.empty() || budget.stopped) return;
  const BlockIndex index(d);
  const Nesting nesting(d, index);
  ReserveRoom(d, BlockLevelsRoom(d, index, nesting).Within(budget.bytes));
  NestedLevels levels(d, index, nesting, budget);
  std::size_t collected = 0;
  for (std::size_t b = 0; b < d.BlockAry.size(); ++b) {
    const TBlockBlk& block = d.BlockAry[b];
    if (block.code60 != 0 || nesting.NestedIn(b).empty()) continue;
    std::size_t copies = nesting.StandsInPlace(block) ? 1 : 0;
    if (const std::vector<std::size_t>* placers = nesting.PlacersOf(block.name))
      for (std::size_t pi : *placers) copies = SaturatingAdd(copies, Cells(d.EntInsertAry[pi]));
    collected = SaturatingAdd(collected, SaturatingMul(copies, nesting.NestedCells(b)));
  }
  levels.Reserve(collected);
  for (std::size_t b = 0; b < d.BlockAry.size() && !budget.stopped; ++b) {
    const TBlockBlk& block = d.BlockAry[b];
    if (block.code60 != 0) continue;
    SmallInt pictureSpace = 0;
    const bool picture = nesting.ModelPicture(block.name, pictureSpace);
    if (picture)
      if (const Entry* entry = index.Find(block.name)) CopyDimensionPicture(d, *entry, pictureSpace, budget);
    if (nesting.NestedIn(b).empty() || budget.stopped) continue;
    // One copy of the nested inserts per cell of every model insert that
    // places the block, visible or not.
    if (const std::vector<std::size_t>* placers = nesting.PlacersOf(block.name)) {
      for (std::size_t pi : *placers) {
        const TInsertBlk& placer = d.EntInsertAry[pi];
        ForEachCell(placer, [&](TAcadPoint base) {
          return levels.Collect(b, Placement::Of(placer, base, block.base), OwnerOf(placer), false, kNoNode);
        });
        if (budget.stopped) break;
      }
    }
    if (budget.stopped || !nesting.StandsInPlace(block)) continue;
    Owner owner{block.layer, block.ltype, picture ? pictureSpace : SmallInt{0}, DefaultExtrusion};
    levels.Collect(b, Placement::Identity(), owner, true, kNoNode);
  }
  // What was collected before a stop is paid for and placed.
  levels.PlaceAll();
}

void ExpandBlocks(Drawing& d) {
  ExpansionBudget unlimited;
  ExpandBlocks(d, unlimited);
}

}  // namespace vantrel
