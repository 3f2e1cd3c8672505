#include "app/MenuState.h"

#include "model/FileNames.h"

namespace vantrel {

MenuStates DeriveMenuStates(const MainWindowState& s, const LandedCommands& landed) {
  MenuStates m;
  auto at = [&](MenuItem item) -> MenuItemState& { return m[static_cast<int>(item)]; };

  for (int i = 0; i < kHistoryCount; ++i) {
    MenuItemState& item = at(HistoryItem(i));
    item.visible = s.history.visible[i];
    item.caption = PathText(s.history.paths[i]);
  }
  at(MenuItem::HistorySeparator).visible = s.history.separatorVisible;

  at(MenuItem::WMF1).enabled = landed.imageExport && s.exportOn;
  for (MenuItem item : {MenuItem::BMP1, MenuItem::N7, MenuItem::DXF1, MenuItem::DXFDwgCodePage1, MenuItem::N50})
    at(item).enabled = landed.batch;
  at(MenuItem::DXFDwgCodePageANSI9321).enabled = landed.batch && s.listHasDxf;
  at(MenuItem::N13).enabled = landed.printing && s.listPrintOn;
  at(MenuItem::N24).enabled = landed.printing && s.detailPrintOn;
  for (MenuItem item : {MenuItem::AutoCAD2, MenuItem::AutoCAD1, MenuItem::AutoCADCommandLine,
                        MenuItem::BricscadBlock, MenuItem::BricscadExploded, MenuItem::BricscadCommandLine,
                        MenuItem::IjcadBlock, MenuItem::IjcadExploded, MenuItem::IjcadCommandLine})
    at(item).enabled = landed.insertion && s.canInsert;
  at(MenuItem::NanoBlock).visible = false;
  at(MenuItem::NanoExploded).visible = false;

  at(MenuItem::N23).enabled = landed.monochrome;
  at(MenuItem::N23).checked = s.MonoFlag != 0;
  at(MenuItem::N28).checked = s.treeHidden;
  at(MenuItem::N32).checked = s.listHidden;
  at(MenuItem::N33).checked = s.infoHidden;
  at(MenuItem::TeighaFileConverter2).checked = s.showConverter;

  at(MenuItem::DwgImage).caption = s.BltMode == 0   ? u"DWG イメージ=ハーフトーン"
                                   : s.BltMode == 1 ? u"DWG イメージ=白を強調"
                                                    : u"DWG イメージ=黒を強調";
  at(MenuItem::DwgImageZoom).caption = s.ClipFlag ? u"DWG イメージ=拡大" : u"DWG イメージ=そのまま";
  for (const CellSizeChoice& c : kCellSizes) at(c.item).checked = s.cellWidth == c.width;
  at(MenuItem::NEWJIS1).checked = s.newJis;
  at(MenuItem::OLDJIS1).checked = s.oldJis;
  return m;
}

}  // namespace vantrel
