#include "geometry/Blocks.h"

#include <cmath>
#include <string>
#include <type_traits>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "geometry/AcadCtrl2016.h"
#include "geometry/Flatten.h"
#include "geometry/TableRoom.h"

namespace vantrel {

namespace {

// Each placed insert needs the records of its block in every block table, in
// table order. Scanning the tables per insert is quadratic in drawings with
// thousands of inserts; this index, built once per pass, gives the same
// records in the same order, and one lookup per insert finds them all. Block
// headers keep first-wins lookup.
struct BlockIndex {
  struct Entry {
    const TBlockBlk* firstBlock = nullptr;
    std::vector<std::size_t> lines, circles, arcs, texts, solids;
    std::size_t records = 0;  // lines, circles, arcs and texts: what one insert places
    std::size_t bytes = 0;    // what they take
  };
  std::unordered_map<std::u16string, Entry> entries;

  BlockIndex(const Drawing& d, bool withSolids) {
    entries.reserve(d.BlockAry.size());
    for (const TBlockBlk& b : d.BlockAry) {
      Entry& e = entries[b.name];
      if (e.firstBlock == nullptr) e.firstBlock = &b;
    }
    Fill(&Entry::lines, d.BlkLineAry);
    Fill(&Entry::circles, d.BlkCircleAry);
    Fill(&Entry::arcs, d.BlkArcAry);
    Fill(&Entry::texts, d.BlkTextAry);
    if (withSolids) Fill(&Entry::solids, d.BlkSolidAry);
    for (auto& [name, e] : entries) {
      e.records = e.lines.size() + e.circles.size() + e.arcs.size() + e.texts.size();
      e.bytes = e.lines.size() * sizeof(TAcadLineBlk) + e.circles.size() * sizeof(TCircleBlk) +
                e.arcs.size() * sizeof(TArcBlk);
      for (std::size_t i : e.texts) e.bytes += TextBytes(d.BlkTextAry[i]);
    }
  }

  // A copy of a text with its string, which is copied on its own when it is
  // too long to stand in the record.
  static std::size_t TextBytes(const TTextBlk& t) {
    constexpr std::size_t kInRecord = 7;
    return sizeof(TTextBlk) + (t.str.size() > kInRecord ? (t.str.size() + 1) * sizeof(char16_t) : 0);
  }

  // The entry of a name that has records or a block; null when neither.
  const Entry* Find(const std::u16string& name) const {
    auto it = entries.find(name);
    return it == entries.end() ? nullptr : &it->second;
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
        last = &entries[name];
        lastName = &name;
      }
      (last->*table).push_back(i);
    }
  }
};

// T(P) = I.base + Rot(I.rotate) * (I.scale (.) (P - B.base)), the turn as
// RotatePoint makes it, with its cosine and sine taken once per insert.
struct Placement {
  TAcadPoint blockBase;
  TAcadPoint scale;
  TAcadPoint insertBase;
  Extended cosTurn, sinTurn;  // of the clockwise angle RotatePoint takes

  Placement(const TInsertBlk& insert, const TBlockBlk& block)
      : blockBase(block.base), scale(insert.scale), insertBase(insert.base) {
    const Extended turn = -(insert.rotate * kDegToRad);
    cosTurn = std::cos(turn);
    sinTurn = std::sin(turn);
  }

  // SubPoint, MulPoint, RotatePoint and AddPoint, written out so that the
  // compiler keeps the point in registers; the operations are theirs.
  TAcadPoint operator()(TAcadPoint p) const {
    const Extended x = (p.x - blockBase.x) * scale.x;
    const Extended y = (p.y - blockBase.y) * scale.y;
    const Extended z = (p.z - blockBase.z) * scale.z;
    return TAcadPoint{(x * cosTurn + y * sinTurn) + insertBase.x,
                      (-x * sinTurn + y * cosTurn) + insertBase.y, z + insertBase.z};
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

// The owner is the placing insert or, for inserts standing in their
// definition, the block. Texts have no linetype to take.
template <class T, class Owner>
void TakeOwnerLayer(T& e, const Owner& owner, OwnerLayerColor& ownerColor) {
  if (!TakesOwnerLayer(e.layer, e.color)) return;
  if constexpr (!std::is_same_v<T, TTextBlk>) e.ltype = owner.ltype;
  e.layer = owner.layer;
  e.color = ownerColor();
}

template <class T>
void ApplyOwner(T& e, const TInsertBlk& insert, OwnerLayerColor& ownerColor) {
  e.code67 = insert.code67;
  e.code210 = insert.code210;
  TakeOwnerLayer(e, insert, ownerColor);
}

// Places the lines, circles, arcs and texts of the block of entry by insert I.
// Each record is copied straight into its target table and changed there.
void PlaceBlock(Drawing& d, const BlockIndex::Entry& entry, const TInsertBlk& insert) {
  const Placement place(insert, *entry.firstBlock);
  const double radiusScale = std::fabs(insert.scale.x);
  // The insert may live in a table that is not appended to here, but its
  // layer name is read after LayerColor may have grown LayerAry: it is held
  // by value in the insert, never through LayerAry.
  OwnerLayerColor ownerColor(d, insert.layer);
  for (std::size_t i : entry.lines) {
    TAcadLineBlk& e = d.EntLineAry.emplace_back(d.BlkLineAry[i]);
    e.st = place(e.st);
    e.ed = place(e.ed);
    ApplyOwner(e, insert, ownerColor);
  }
  for (std::size_t i : entry.circles) {
    TCircleBlk& e = d.EntCircleAry.emplace_back(d.BlkCircleAry[i]);
    e.center = place(e.center);
    e.hankei = e.hankei * radiusScale;
    ApplyOwner(e, insert, ownerColor);
  }
  for (std::size_t i : entry.arcs) {
    TArcBlk& e = d.EntArcAry.emplace_back(d.BlkArcAry[i]);
    e.center = place(e.center);
    e.hankei = e.hankei * radiusScale;
    e.st = e.st + insert.rotate;
    e.ed = e.ed + insert.rotate;
    ApplyOwner(e, insert, ownerColor);
  }
  for (std::size_t i : entry.texts) {
    TTextBlk& e = d.EntTextAry.emplace_back(d.BlkTextAry[i]);
    e.pt10 = place(e.pt10);
    // An MTEXT's pt11 is a direction, not a position.
    if (!e.mtflag) e.pt11 = place(e.pt11);
    e.code40 = e.code40 * radiusScale;
    ApplyOwner(e, insert, ownerColor);
  }
}

// Room for times copies of the records of a block.
void AddBlock(TableRoom& room, const BlockIndex::Entry& entry, std::size_t times) {
  room += TableRoom{SaturatingMul(entry.lines.size(), times), SaturatingMul(entry.circles.size(), times),
                    SaturatingMul(entry.arcs.size(), times), SaturatingMul(entry.texts.size(), times)};
}

// The inserts a pass places, each with its block, in table order, with the
// room their records take.
struct PlacedInserts {
  std::vector<std::pair<const TInsertBlk*, const BlockIndex::Entry*>> items;
  TableRoom room;

  void Add(const TInsertBlk& insert, const BlockIndex::Entry& entry) {
    items.emplace_back(&insert, &entry);
    AddBlock(room, entry, 1);
  }

  void Place(Drawing& d, ExpansionBudget& budget) const {
    ReserveRoom(d, room.Within(budget.bytes));
    for (const auto& [insert, entry] : items) {
      if (!budget.Take(entry->bytes)) return;
      PlaceBlock(d, *entry, *insert);
      budget.placed += entry->records;
    }
  }

  // Places every item, whose records the budget has paid for already.
  void PlacePaid(Drawing& d, ExpansionBudget& budget) const {
    ReserveRoom(d, room);
    for (const auto& [insert, entry] : items) {
      PlaceBlock(d, *entry, *insert);
      budget.placed += entry->records;
    }
  }
};

// The block an insert places, or null when there is none.
const BlockIndex::Entry* BlockOf(const BlockIndex& index, const std::u16string& name) {
  const BlockIndex::Entry* entry = index.Find(name);
  return entry != nullptr && entry->firstBlock != nullptr ? entry : nullptr;
}

bool IsAnonymous(const std::u16string& name) { return !name.empty() && name[0] == u'*'; }

// A dimension's block goes in whole or not at all.
void CopyDimensionBlock(Drawing& d, const BlockIndex::Entry& entry, ExpansionBudget& budget) {
  const std::size_t outlines = 3 * entry.solids.size();
  const std::size_t bytes = entry.bytes - entry.circles.size() * sizeof(TCircleBlk) +
                            outlines * sizeof(TAcadLineBlk);
  if (!budget.Take(bytes)) return;
  for (std::size_t i : entry.lines) d.EntLineAry.push_back(d.BlkLineAry[i]);
  for (std::size_t i : entry.arcs) d.EntArcAry.push_back(d.BlkArcAry[i]);
  for (std::size_t i : entry.solids) AppendSolidOutline(d.BlkSolidAry[i], d.EntLineAry);
  for (std::size_t i : entry.texts) d.EntTextAry.push_back(d.BlkTextAry[i]);
  budget.placed += entry.records - entry.circles.size() + outlines;
}

// What the nested level needs besides the block index: the blocks that are
// some dimension's picture, and the model inserts of each block name.
struct NestingRules {
  std::unordered_set<std::u16string> dimensionBlocks;
  bool anyDimension = false;
  std::unordered_map<std::u16string, std::vector<std::size_t>> modelInserts;

  explicit NestingRules(const Drawing& d) : anyDimension(!d.DimensionAry.empty()) {
    for (const TDimensionBlk& dim : d.DimensionAry) dimensionBlocks.insert(dim.dimblkName);
    for (std::size_t i = 0; i < d.EntInsertAry.size(); ++i)
      modelInserts[d.EntInsertAry[i].name].push_back(i);
  }

  // Inserts of anonymous blocks other than dimension pictures (layouts,
  // groups, tables) are drawn only in drawings without dimensions.
  bool Eligible(const TInsertBlk& e) const {
    return !IsAnonymous(e.dimBlkName) || !anyDimension || dimensionBlocks.count(e.dimBlkName) != 0;
  }

  const std::vector<std::size_t>* PlacersOf(const std::u16string& block) const {
    auto it = modelInserts.find(block);
    return it == modelInserts.end() ? nullptr : &it->second;
  }
};

// The blocks in the order ExpandBlocks goes through them, with how many
// copies of their nested inserts it makes: one per model insert that places
// the block, and one where the definition stands them for anonymous blocks
// and for named blocks before the first placed block with nested inserts.
template <class F>
void ForEachNestingBlock(const Drawing& d, const NestingRules& rules, F&& f) {
  bool placedNestedSeen = false;
  for (const TBlockBlk& block : d.BlockAry) {
    if (block.code60 != 0) continue;
    const std::vector<std::size_t>* placers =
        block.InsertAry.empty() ? nullptr : rules.PlacersOf(block.name);
    if (placers != nullptr) placedNestedSeen = true;
    const bool inPlace = !block.InsertAry.empty() && (IsAnonymous(block.name) || !placedNestedSeen);
    f(block, placers, inPlace);
  }
}

// How many times ExpandBlocks collects a block's nested inserts.
std::size_t NestedCopies(const std::vector<std::size_t>* placers, bool inPlace) {
  return (placers != nullptr ? placers->size() : 0) + (inPlace ? 1 : 0);
}

// Everything ExpandBlocks will append to the target tables, counted by its
// own rules without placing anything.
TableRoom BlockExpansionRoom(const Drawing& d, const BlockIndex& index, const NestingRules& rules) {
  TableRoom room;
  ForEachNestingBlock(d, rules, [&](const TBlockBlk& block,
                                    const std::vector<std::size_t>* placers, bool inPlace) {
    if (rules.dimensionBlocks.count(block.name) != 0) {
      const BlockIndex::Entry& entry = *index.Find(block.name);
      room.lines += entry.lines.size() + 3 * entry.solids.size();
      room.arcs += entry.arcs.size();
      room.texts += entry.texts.size();
    }
    const std::size_t copies = NestedCopies(placers, inPlace);
    if (copies == 0) return;
    for (const TInsertBlk& nested : block.InsertAry)
      if (rules.Eligible(nested))
        if (const BlockIndex::Entry* entry = BlockOf(index, nested.name)) AddBlock(room, *entry, copies);
  });
  return room;
}

// The collected inserts were paid for, with all they place, when collected.
void ExpandNestedInsertsWith(Drawing& d, const BlockIndex& index, const NestingRules& rules,
                             ExpansionBudget& budget) {
  if (d.BlkInsertAry.empty()) return;
  PlacedInserts placed;
  for (const TInsertBlk& e : d.BlkInsertAry) {
    if (!rules.Eligible(e)) continue;
    if (const BlockIndex::Entry* entry = BlockOf(index, e.name)) placed.Add(e, *entry);
  }
  placed.PlacePaid(d, budget);
}

// One copy of a block's nested inserts: their own records, and everything
// they will place.
std::size_t NestedCopyBytes(const TBlockBlk& block, const BlockIndex& index, const NestingRules& rules) {
  std::size_t bytes = SaturatingMul(block.InsertAry.size(), sizeof(TInsertBlk));
  for (const TInsertBlk& nested : block.InsertAry)
    if (rules.Eligible(nested))
      if (const BlockIndex::Entry* entry = BlockOf(index, nested.name))
        bytes = SaturatingAdd(bytes, entry->bytes);
  return bytes;
}

// The inserts ExpandInserts places, found once for it and for ExpansionRoom.
PlacedInserts ModelInsertsToPlace(const Drawing& d, const BlockIndex& index) {
  PlacedInserts placed;
  for (const TInsertBlk& insert : d.EntInsertAry) {
    if (insert.code60 != 0) continue;
    if (const BlockIndex::Entry* entry = BlockOf(index, insert.name)) placed.Add(insert, *entry);
  }
  return placed;
}

}  // namespace

TableRoom ExpansionRoom(const Drawing& d) {
  const BlockIndex index(d, true);
  TableRoom room = ModelInsertsToPlace(d, index).room;
  if (!d.BlockAry.empty()) room += BlockExpansionRoom(d, index, NestingRules(d));
  return room;
}

void ExpandInserts(Drawing& d, ExpansionBudget& budget) {
  const BlockIndex index(d, false);
  ModelInsertsToPlace(d, index).Place(d, budget);
}

void ExpandInserts(Drawing& d) {
  ExpansionBudget unlimited;
  ExpandInserts(d, unlimited);
}

void ExpandBlocks(Drawing& d, ExpansionBudget& budget) {
  if (d.BlockAry.empty() || budget.stopped) return;
  const BlockIndex index(d, true);
  const NestingRules rules(d);
  ReserveRoom(d, BlockExpansionRoom(d, index, rules).Within(budget.bytes));
  // The nested inserts are collected block by block; room for all of them
  // at once moves none of them again.
  std::size_t nested = 0;
  ForEachNestingBlock(d, rules, [&](const TBlockBlk& block,
                                    const std::vector<std::size_t>* placers, bool inPlace) {
    nested = SaturatingAdd(nested, SaturatingMul(NestedCopies(placers, inPlace), block.InsertAry.size()));
  });
  ReserveTable(d.BlkInsertAry,
               d.BlkInsertAry.size() + std::min(nested, budget.bytes / sizeof(TInsertBlk)));
  ForEachNestingBlock(d, rules, [&](const TBlockBlk& block,
                                    const std::vector<std::size_t>* placers, bool inPlace) {
    if (budget.stopped) return;
    if (rules.dimensionBlocks.count(block.name) != 0)
      CopyDimensionBlock(d, *index.Find(block.name), budget);
    if (block.InsertAry.empty() || budget.stopped) return;
    // The nested inserts are paid for here, in the order of the blocks, with
    // what they place later: one copy per placer, all of it or none.
    const std::size_t copyBytes = NestedCopyBytes(block, index, rules);
    if (placers != nullptr) {
      for (std::size_t pi : *placers) {
        if (!budget.Take(copyBytes)) break;
        const TInsertBlk& placer = d.EntInsertAry[pi];
        const Placement place(placer, block);
        OwnerLayerColor placerColor(d, placer.layer);
        for (const TInsertBlk& nested : block.InsertAry) {
          TInsertBlk& e = d.BlkInsertAry.emplace_back(nested);
          ApplyOwner(e, placer, placerColor);
          e.rotate = nested.rotate + placer.rotate;
          MulPoint(nested.scale, placer.scale, e.scale);
          e.base = place(nested.base);
        }
      }
    }
    if (inPlace && budget.Take(copyBytes)) {
      OwnerLayerColor blockColor(d, block.layer);
      for (const TInsertBlk& nested : block.InsertAry) {
        TakeOwnerLayer(d.BlkInsertAry.emplace_back(nested), block, blockColor);
      }
    }
  });
  ExpandNestedInsertsWith(d, index, rules, budget);
}

void ExpandBlocks(Drawing& d) {
  ExpansionBudget unlimited;
  ExpandBlocks(d, unlimited);
}

void ExpandNestedInserts(Drawing& d) {
  if (d.BlkInsertAry.empty()) return;
  ExpansionBudget unlimited;
  ExpandNestedInsertsWith(d, BlockIndex(d, false), NestingRules(d), unlimited);
}

}  // namespace vantrel
