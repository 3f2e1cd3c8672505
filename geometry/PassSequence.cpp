#include "geometry/PassSequence.h"

#include <cstdio>
#include <exception>
#include <memory>
#include <new>
#include <stdexcept>
#include <vector>

#include "geometry/Blocks.h"
#include "geometry/Extents.h"
#include "geometry/Flatten.h"
#include "geometry/MoreKinds.h"
#include "geometry/Hatch.h"

namespace vantrel {

namespace {

constexpr double kCurveStepDeg = 10;

template <class T>
void Release(std::vector<T>& table) {
  std::vector<T>().swap(table);
}

bool EqualsUpperAscii(const std::u16string& name, const char16_t* upper) {
  std::size_t i = 0;
  for (; upper[i] != 0; ++i) {
    if (i >= name.size()) return false;
    char16_t c = name[i];
    if (c >= u'a' && c <= u'z') c = static_cast<char16_t>(c - u'a' + u'A');
    if (c != upper[i]) return false;
  }
  return i == name.size();
}

}  // namespace

std::size_t MachineExpansionBudget() {
  std::size_t available = std::size_t{8} << 30;
  if (std::FILE* f = std::fopen("/proc/meminfo", "r")) {
    char line[256];
    while (std::fgets(line, sizeof line, f) != nullptr) {
      unsigned long long kib = 0;
      if (std::sscanf(line, "MemAvailable: %llu kB", &kib) == 1) {
        available = static_cast<std::size_t>(kib) * 1024;
        break;
      }
    }
    std::fclose(f);
  }
  // The rest stays for the system, the other drawings of a list build, the
  // picture, and what the viewer holds besides the records.
  return available / 8;
}

void ApplySymbolLayerSwitch(Drawing& d, bool newJis, bool oldJis) {
  int set = 0;
  for (TLayer& layer : d.LayerAry) {
    if (EqualsUpperAscii(layer.Name, u"NEWJIS")) {
      layer.visible = newJis;
      ++set;
    } else if (EqualsUpperAscii(layer.Name, u"OLDJIS")) {
      layer.visible = oldJis;
      ++set;
    }
    if (set == 2) break;
  }
}

PassOutcome RunGeometryPasses(Drawing& d, const PassOptions& options) {
  ExpansionBudget budget;
  budget.bytes = options.expansionBudget != 0 ? options.expansionBudget : MachineExpansionBudget();

  if (!d.BlkLwpAry.empty()) BlockPolylinesToLines(d);
  Release(d.BlkLwpAry);
  Release(d.BlkLwpVerAry);
  // Every kind a block holds is drawn where its inserts place it; the
  // curves become block lines and the solids block fills first.
  BlockCurvesToLines(d, kCurveStepDeg);
  BlockKindsToLines(d);
  MLeaderBlocksToInserts(d);
  Release(d.BlkPointAry);
  Release(d.BlkMeshAry);
  Release(d.BlkMLineAry);
  Release(d.BlkMLeaderAry);
  // Tables are inserts of their blocks and arc dimensions dimensions from
  // here on; the counts of the panels were taken before.
  TablesToInserts(d);
  Release(d.AcadTableAry);
  ArcDimensionsToDimensions(d);
  Release(d.ArcDimensionAry);
  AttdefsToTexts(d);
  Release(d.AttdefAry);
  if (!d.BlkHatchAry.empty()) BlockHatchesToFills(d);
  Release(d.BlkHatchAry);

  // The passes below append to the entity tables, each by its own rule; room
  // for all of it at once moves the records read only once. Room that cannot
  // be had is not needed for the result: the tables then grow as they go.
  // When all of that room will be written (the expansion fits its budget),
  // its pages are faulted in beside the passes.
  std::unique_ptr<BackgroundFaultIn> faultIn;
  try {
    TableRoom room = FlatteningRoom(d, kCurveStepDeg);
    bool whole = true;
    if (!d.EntInsertAry.empty() || !d.BlockAry.empty()) {
      const TableRoom expansion = ExpansionRoom(d);
      whole = RecordBytes(expansion) <= budget.bytes;
      room += expansion.Within(budget.bytes);
    }
    ReserveRoom(d, room);
    if (whole)
      faultIn = std::make_unique<BackgroundFaultIn>(std::vector<BackgroundFaultIn::Range>{
          RoomOf(d.EntLineAry, room.lines), RoomOf(d.EntCircleAry, room.circles),
          RoomOf(d.EntArcAry, room.arcs), RoomOf(d.EntTextAry, room.texts)});
  } catch (const std::bad_alloc&) {
  } catch (const std::length_error&) {
  }

  if (!d.EntLwpAry.empty()) PolylinesToLines(d);
  Release(d.EntLwpAry);
  Release(d.EntLwpVerAry);
  if (!d.EntEllipseAry.empty()) EllipsesToLines(d, kCurveStepDeg);
  Release(d.EntEllipseAry);
  if (!d.EntArcAry.empty()) ArcsToLines(d, kCurveStepDeg);
  if (!d.EntCircleAry.empty()) CirclesToLines(d, kCurveStepDeg);
  LinesToWcs(d);
  TextsToWcs(d);

  // Whatever the expansion placed before failing stays; the drawing is
  // still worth showing without the rest of its blocks.
  bool outOfMemory = false;
  try {
    if (!d.EntInsertAry.empty()) ExpandInserts(d, budget);
  } catch (const std::bad_alloc&) {
    outOfMemory = true;
  }
  if (!d.BlockAry.empty() && !outOfMemory) {
    try {
      ExpandBlocks(d, budget);
    } catch (const std::bad_alloc&) {
      outOfMemory = true;
    } catch (const std::exception&) {
    }
  }
  Release(d.EntInsertAry);
  Release(d.BlkInsertAry);
  Release(d.BlockAry);

  if (!d.EntFaceAry.empty()) FacesToLines(d);
  Release(d.EntFaceAry);
  if (!d.LeaderAry.empty()) LeadersToLines(d);
  Release(d.LeaderAry);
  if (!d.EntSolidAry.empty()) SolidsToFills(d);
  Release(d.EntSolidAry);
  if (!d.EntHatchAry.empty()) HatchesToFills(d);
  Release(d.EntHatchAry);
  if (!d.SplineAry.empty()) SplinesToLines(d);
  Release(d.SplineAry);
  PointsToLines(d);
  Release(d.EntPointAry);
  MeshesToLines(d);
  Release(d.EntMeshAry);
  MLinesToLines(d);
  Release(d.EntMLineAry);
  Release(d.MLineStyleAry);
  MLeadersToLines(d);
  Release(d.MLeaderAry);

  if (options.symbolLayerSwitch) ApplySymbolLayerSwitch(d, options.newJisChecked, options.oldJisChecked);
  CalcExtents(d);
  return PassOutcome{budget.stopped || outOfMemory, budget.placed};
}

}  // namespace vantrel
