#include "geometry/Blocks.h"

#include <cmath>
#include <string>
#include <type_traits>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "geometry/AcadCtrl2016.h"

namespace vantrel {

namespace {

// Each placed insert needs the records of its block in every block table, in
// table order. Scanning the tables per insert is quadratic in drawings with
// thousands of inserts; this index, built once per pass, gives the same
// records in the same order. Block headers keep first-wins lookup.
struct BlockIndex {
  std::unordered_map<std::u16string, std::size_t> firstBlock;
  std::unordered_map<std::u16string, std::vector<std::size_t>> lines, circles, arcs, texts, solids;

  explicit BlockIndex(const Drawing& d, bool withSolids) {
    for (std::size_t i = 0; i < d.BlockAry.size(); ++i) firstBlock.emplace(d.BlockAry[i].name, i);
    Fill(lines, d.BlkLineAry);
    Fill(circles, d.BlkCircleAry);
    Fill(arcs, d.BlkArcAry);
    Fill(texts, d.BlkTextAry);
    if (withSolids) Fill(solids, d.BlkSolidAry);
  }

  const TBlockBlk* Find(const Drawing& d, const std::u16string& name) const {
    auto it = firstBlock.find(name);
    return it == firstBlock.end() ? nullptr : &d.BlockAry[it->second];
  }

  static const std::vector<std::size_t>& Of(
      const std::unordered_map<std::u16string, std::vector<std::size_t>>& table,
      const std::u16string& name) {
    static const std::vector<std::size_t> kNone;
    auto it = table.find(name);
    return it == table.end() ? kNone : it->second;
  }

 private:
  template <class T>
  static void Fill(std::unordered_map<std::u16string, std::vector<std::size_t>>& table,
                   const std::vector<T>& records) {
    for (std::size_t i = 0; i < records.size(); ++i) table[records[i].bname].push_back(i);
  }
};

// T(P) = I.base + Rot(I.rotate) * (I.scale (.) (P - B.base)).
struct Placement {
  TAcadPoint blockBase;
  TAcadPoint scale;
  TAcadPoint insertBase;
  double turn;  // radians, clockwise as RotatePoint takes it

  Placement(const TInsertBlk& insert, const TBlockBlk& block)
      : blockBase(block.base),
        scale(insert.scale),
        insertBase(insert.base),
        turn(-(insert.rotate * kDegToRad)) {}

  TAcadPoint operator()(TAcadPoint p) const {
    SubPoint(p, blockBase, p);
    MulPoint(p, scale, p);
    RotatePoint(p, turn, p);
    AddPoint(p, insertBase, p);
    return p;
  }
};

bool TakesOwnerLayer(const std::u16string& layer, SmallInt color) {
  return layer == u"0" || color == 0;
}

// LayerColor of the owner's layer, asked once per owner and only when some
// element needs it, so a missing layer is appended exactly when the plain
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

// Texts have no linetype to take.
template <class T>
void ApplyOwner(T& e, const TInsertBlk& insert, OwnerLayerColor& ownerColor) {
  e.code67 = insert.code67;
  e.code210 = insert.code210;
  if (TakesOwnerLayer(e.layer, e.color)) {
    if constexpr (!std::is_same_v<T, TTextBlk>) e.ltype = insert.ltype;
    e.layer = insert.layer;
    e.color = ownerColor();
  }
}

// Places the lines, circles, arcs and texts of block B by insert I.
void PlaceBlock(Drawing& d, const BlockIndex& index, const TInsertBlk& insert,
                const TBlockBlk& block) {
  const Placement place(insert, block);
  const double radiusScale = std::fabs(insert.scale.x);
  // The insert may live in a table that is not appended to here, but its
  // layer name is read after LayerColor may have grown LayerAry: it is held
  // by value in the insert, never through LayerAry.
  OwnerLayerColor ownerColor(d, insert.layer);
  for (std::size_t i : BlockIndex::Of(index.lines, insert.name)) {
    TAcadLineBlk e = d.BlkLineAry[i];
    e.st = place(e.st);
    e.ed = place(e.ed);
    ApplyOwner(e, insert, ownerColor);
    d.EntLineAry.push_back(std::move(e));
  }
  for (std::size_t i : BlockIndex::Of(index.circles, insert.name)) {
    TCircleBlk e = d.BlkCircleAry[i];
    e.center = place(e.center);
    e.hankei = e.hankei * radiusScale;
    ApplyOwner(e, insert, ownerColor);
    d.EntCircleAry.push_back(std::move(e));
  }
  for (std::size_t i : BlockIndex::Of(index.arcs, insert.name)) {
    TArcBlk e = d.BlkArcAry[i];
    e.center = place(e.center);
    e.hankei = e.hankei * radiusScale;
    e.st = e.st + insert.rotate;
    e.ed = e.ed + insert.rotate;
    ApplyOwner(e, insert, ownerColor);
    d.EntArcAry.push_back(std::move(e));
  }
  for (std::size_t i : BlockIndex::Of(index.texts, insert.name)) {
    TTextBlk e = d.BlkTextAry[i];
    e.pt10 = place(e.pt10);
    // An MTEXT's pt11 is a direction, not a position.
    if (!e.mtflag) e.pt11 = place(e.pt11);
    e.code40 = e.code40 * radiusScale;
    ApplyOwner(e, insert, ownerColor);
    d.EntTextAry.push_back(std::move(e));
  }
}

bool IsAnonymous(const std::u16string& name) { return !name.empty() && name[0] == u'*'; }

void CopyDimensionBlock(Drawing& d, const BlockIndex& index, const std::u16string& name) {
  for (std::size_t i : BlockIndex::Of(index.lines, name)) d.EntLineAry.push_back(d.BlkLineAry[i]);
  for (std::size_t i : BlockIndex::Of(index.arcs, name)) d.EntArcAry.push_back(d.BlkArcAry[i]);
  for (std::size_t i : BlockIndex::Of(index.solids, name)) {
    const TSolidBlk& s = d.BlkSolidAry[i];
    const TAcadPoint corners[4] = {s.p1, s.p2, s.p3, s.p1};
    for (int k = 0; k < 3; ++k) {
      TAcadLineBlk line = ZeroRecord<TAcadLineBlk>();
      line.bname = s.bname;
      line.layer = s.layer;
      line.color = s.color;
      line.ltype = s.ltype;
      line.st = corners[k];
      line.ed = corners[k + 1];
      d.EntLineAry.push_back(std::move(line));
    }
  }
  for (std::size_t i : BlockIndex::Of(index.texts, name)) d.EntTextAry.push_back(d.BlkTextAry[i]);
}

void ExpandNestedInsertsWith(Drawing& d, const BlockIndex& index) {
  if (d.BlkInsertAry.empty()) return;
  std::unordered_set<std::u16string> dimensionBlocks;
  for (const TDimensionBlk& dim : d.DimensionAry) dimensionBlocks.insert(dim.dimblkName);
  for (std::size_t k = 0; k < d.BlkInsertAry.size(); ++k) {
    const TInsertBlk& e = d.BlkInsertAry[k];
    // Inserts of anonymous blocks other than dimension pictures (layouts,
    // groups, tables) are drawn only in drawings without dimensions.
    const bool eligible = !IsAnonymous(e.dimBlkName) || d.DimensionAry.empty() ||
                          dimensionBlocks.count(e.dimBlkName) != 0;
    if (!eligible) continue;
    const TBlockBlk* block = index.Find(d, e.name);
    if (block == nullptr) continue;
    PlaceBlock(d, index, e, *block);
  }
}

}  // namespace

void ExpandInserts(Drawing& d) {
  const BlockIndex index(d, false);
  for (const TInsertBlk& insert : d.EntInsertAry) {
    if (insert.code60 != 0) continue;
    const TBlockBlk* block = index.Find(d, insert.name);
    if (block == nullptr) continue;
    PlaceBlock(d, index, insert, *block);
  }
}

void ExpandBlocks(Drawing& d) {
  if (d.BlockAry.empty()) return;
  const BlockIndex index(d, true);
  std::unordered_set<std::u16string> dimensionBlocks;
  for (const TDimensionBlk& dim : d.DimensionAry) dimensionBlocks.insert(dim.dimblkName);
  std::unordered_map<std::u16string, std::vector<std::size_t>> modelInserts;
  for (std::size_t i = 0; i < d.EntInsertAry.size(); ++i)
    modelInserts[d.EntInsertAry[i].name].push_back(i);

  // Set by the first block with nested inserts that a model insert places;
  // from then on named blocks no longer leave copies of their nested inserts
  // where the definition stands them.
  bool placedNestedSeen = false;
  for (const TBlockBlk& block : d.BlockAry) {
    if (block.code60 != 0) continue;
    if (dimensionBlocks.count(block.name) != 0) CopyDimensionBlock(d, index, block.name);
    if (block.InsertAry.empty()) continue;

    auto placers = modelInserts.find(block.name);
    if (placers != modelInserts.end()) {
      placedNestedSeen = true;
      for (std::size_t pi : placers->second) {
        const TInsertBlk& placer = d.EntInsertAry[pi];
        const Placement place(placer, block);
        OwnerLayerColor placerColor(d, placer.layer);
        for (const TInsertBlk& nested : block.InsertAry) {
          TInsertBlk e = nested;
          e.code67 = placer.code67;
          e.code210 = placer.code210;
          if (TakesOwnerLayer(e.layer, e.color)) {
            e.ltype = placer.ltype;
            e.layer = placer.layer;
            e.color = placerColor();
          }
          e.rotate = nested.rotate + placer.rotate;
          MulPoint(nested.scale, placer.scale, e.scale);
          e.base = place(nested.base);
          d.BlkInsertAry.push_back(std::move(e));
        }
      }
    }

    if (IsAnonymous(block.name) || !placedNestedSeen) {
      OwnerLayerColor blockColor(d, block.layer);
      for (const TInsertBlk& nested : block.InsertAry) {
        TInsertBlk e = nested;
        if (TakesOwnerLayer(e.layer, e.color)) {
          e.ltype = block.ltype;
          e.layer = block.layer;
          e.color = blockColor();
        }
        d.BlkInsertAry.push_back(std::move(e));
      }
    }
  }
  ExpandNestedInsertsWith(d, index);
}

void ExpandNestedInserts(Drawing& d) {
  if (d.BlkInsertAry.empty()) return;
  const BlockIndex index(d, false);
  ExpandNestedInsertsWith(d, index);
}

}  // namespace vantrel
