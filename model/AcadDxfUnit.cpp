#include "AcadDxfUnit.h"

namespace vantrel {

template <>
TAcadLineBlk ZeroRecord<TAcadLineBlk>() {
  TAcadLineBlk r;
  r.layer.clear();
  r.ltype.clear();
  r.color = 0;
  r.code210 = {};
  return r;
}

template <>
TCircleBlk ZeroRecord<TCircleBlk>() {
  TCircleBlk r;
  r.layer.clear();
  r.ltype.clear();
  r.color = 0;
  r.code210 = {};
  return r;
}

template <>
TArcBlk ZeroRecord<TArcBlk>() {
  TArcBlk r;
  r.layer.clear();
  r.ltype.clear();
  r.color = 0;
  r.code210 = {};
  return r;
}

template <>
TTextBlk ZeroRecord<TTextBlk>() {
  TTextBlk r;
  r.color = 0;
  r.code41 = 0;
  r.code44 = 0;
  r.code210 = {};
  return r;
}

template <>
TInsertBlk ZeroRecord<TInsertBlk>() {
  TInsertBlk r;
  r.layer.clear();
  r.ltype.clear();
  r.scale = {};
  r.color = 0;
  r.code70 = 0;
  r.code71 = 0;
  r.code210 = {};
  return r;
}

TLayer NewLayer(const std::u16string& name) {
  TLayer layer;
  layer.Name = name;
  return layer;
}

namespace {

void SyncLayerIndex(const Drawing& d) {
  LayerNameIndex& idx = d.layerIndex;
  if (idx.indexed > d.LayerAry.size()) {
    idx.first.clear();
    idx.indexed = 0;
  }
  for (; idx.indexed < d.LayerAry.size(); ++idx.indexed)
    idx.first.emplace(d.LayerAry[idx.indexed].Name, static_cast<int>(idx.indexed));
}

}  // namespace

void LayerNamesChanged(const Drawing& d) {
  d.layerIndex.first.clear();
  d.layerIndex.indexed = 0;
}

Integer LayerIndex(const Drawing& d, const std::u16string& name) {
  SyncLayerIndex(d);
  auto it = d.layerIndex.first.find(name);
  if (it == d.layerIndex.first.end()) return -1;
  // A hit on a renamed layer means the caller forgot LayerNamesChanged;
  // rebuild rather than answer wrongly.
  if (d.LayerAry[it->second].Name != name) {
    LayerNamesChanged(d);
    SyncLayerIndex(d);
    it = d.layerIndex.first.find(name);
    if (it == d.layerIndex.first.end()) return -1;
  }
  return it->second;
}

SmallInt LayerColor(Drawing& d, const std::u16string& name) {
  Integer i = LayerIndex(d, name);
  if (i >= 0) return d.LayerAry[i].color;
  d.LayerAry.push_back(NewLayer(name));
  return 7;
}

bool LayerVisibleAt(const Drawing& d, Integer index) {
  if (index < 0 || static_cast<std::size_t>(index) >= d.LayerAry.size()) return true;
  return d.LayerAry[index].visible;
}

bool LayerVisible(const Drawing& d, const std::u16string& name) {
  Integer i = LayerIndex(d, name);
  return i < 0 ? true : d.LayerAry[i].visible;
}

void SetLayerVisible(Drawing& d, const std::u16string& name, bool value) {
  Integer i = LayerIndex(d, name);
  if (i >= 0) d.LayerAry[i].visible = value;
}

Integer ViewIndex(const Drawing& d, const std::u16string& name) {
  for (std::size_t i = 0; i < d.ViewAry.size(); ++i)
    if (d.ViewAry[i].name == name) return static_cast<Integer>(i);
  return -1;
}

template <class T>
static void Empty(std::vector<T>& v) {
  std::vector<T>().swap(v);
}

void ClearDrawing(Drawing& d) {
  Empty(d.BlkCircleAry);
  Empty(d.BlkLineAry);
  Empty(d.BlkArcAry);
  Empty(d.BlkLwpAry);
  Empty(d.BlkLwpVerAry);
  Empty(d.BlkTextAry);
  Empty(d.BlkEllipseAry);
  Empty(d.BlockAry);
  Empty(d.LayerAry);
  Empty(d.LtypeAry);
  Empty(d.EntCircleAry);
  Empty(d.EntLineAry);
  Empty(d.EntArcAry);
  Empty(d.EntLwpAry);
  Empty(d.EntLwpVerAry);
  Empty(d.EntTextAry);
  Empty(d.EntInsertAry);
  Empty(d.BlkInsertAry);
  Empty(d.EntFaceAry);
  Empty(d.EntEllipseAry);
  Empty(d.ViewAry);
  Empty(d.StyleAry);
  Empty(d.BlkFaceAry);
  Empty(d.BlkLeaderAry);
  Empty(d.BlkSplineAry);
  Empty(d.BlkDimensionAry);
  Empty(d.BlkFillAry);
  Empty(d.BlkFillPtAry);
  Empty(d.BlkFillRingAry);
  Empty(d.EntFillAry);
  Empty(d.EntFillPtAry);
  Empty(d.EntFillRingAry);
  Empty(d.BlkPointAry);
  Empty(d.EntPointAry);
  Empty(d.BlkMeshAry);
  Empty(d.EntMeshAry);
  Empty(d.BlkMLineAry);
  Empty(d.EntMLineAry);
  Empty(d.MLineStyleAry);
  Empty(d.BlkMLeaderAry);
  Empty(d.MLeaderAry);
  Empty(d.AttdefAry);
  Empty(d.AcadTableAry);
  Empty(d.ArcDimensionAry);
  Empty(d.XLineAry);
  Empty(d.BlkFillFamilyAry);
  Empty(d.BlkFillDashAry);
  Empty(d.EntFillFamilyAry);
  Empty(d.EntFillDashAry);
  Empty(d.BlkHatchAry);
  Empty(d.EntHatchAry);
  LayerNamesChanged(d);
}

void EmptyAllTables(Drawing& d) {
  ClearDrawing(d);
  Empty(d.BlkSolidAry);
  Empty(d.EntSolidAry);
  Empty(d.SplineAry);
  Empty(d.LeaderAry);
  Empty(d.DimensionAry);
  d.DwgCodePage.clear();
  d.LtScale = 1;
}

}  // namespace vantrel
