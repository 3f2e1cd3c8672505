// Every enabled, checked and visible state of the main window's menus, and
// the captions that change, derived in one place from the window's state.
// The window applies the result after each command; tests read it directly.
#pragma once

#include <array>
#include <string>

#include "app/FolderHistory.h"

namespace vantrel {

// Menu items by the names the window has always given them; items without a
// name of their own are named after their menu and caption.
enum class MenuItem {
  N11,                  // 現フォルダを履歴に追加
  History0,             // ... History0 + 15, handler N10Click
  HistorySeparator = History0 + kHistoryCount,
  N12,                  // 現フォルダを履歴から削除
  WMF1,                 // WMF/EMF・BMP作成
  N5,                   // 終了
  BMP1, N7, DXF1, DXFDwgCodePage1, DXFDwgCodePageANSI9321,  // 一括処理
  N13, N24, PrintCancel,                                    // 印刷
  AutoCAD2, AutoCAD1, AutoCADCommandLine,                   // 挿入
  BricscadBlock, BricscadExploded, BricscadCommandLine,
  IjcadBlock, IjcadExploded, IjcadCommandLine,
  NanoBlock, NanoExploded, InsertCancel,
  N23,                                                      // 表示
  N28, N32, N33,
  N43, N44, N47, N45,
  eighaFileConverter1, TeighaFileConverter2,
  DwgImage, N62, N60, N63,                                  // 一覧イメージ
  DwgImageZoom, N65, N66,
  Size200, Size160, Size100, Size80,
  N50,
  NEWJIS1, OLDJIS1,
  N16,                                                      // ヘルプ
  Count
};

inline constexpr int kMenuItemCount = static_cast<int>(MenuItem::Count);

inline MenuItem HistoryItem(int i) { return static_cast<MenuItem>(static_cast<int>(MenuItem::History0) + i); }

// Commands whose work is not built yet keep their items, disabled.
struct LandedCommands {
  bool imageExport = false;
  bool batch = true;
  bool printing = true;
  bool insertion = true;
  bool monochrome = true;
};
inline constexpr LandedCommands kLanded{.imageExport = true};

struct MainWindowState {
  bool detailTab = false;
  // Set by the tab change and the thumbnail double click.
  bool listPrintOn = true;
  bool detailPrintOn = false;
  bool exportOn = false;
  bool listHasDxf = false;
  bool treeHidden = false;   // N28
  bool listHidden = false;   // N32
  bool infoHidden = false;   // N33
  int cellWidth = 200;
  int BltMode = 1;
  bool ClipFlag = true;
  bool newJis = true;
  bool oldJis = false;
  bool showConverter = false;
  // The program was given a way to insert into CAD applications.
  bool canInsert = false;
  int MonoFlag = 0;
  FolderHistory history;
};

struct MenuItemState {
  bool enabled = true;
  bool checked = false;
  bool visible = true;
  std::u16string caption;  // empty: the item's own caption stays
};

using MenuStates = std::array<MenuItemState, kMenuItemCount>;

MenuStates DeriveMenuStates(const MainWindowState& s, const LandedCommands& landed = kLanded);

inline const MenuItemState& StateOf(const MenuStates& states, MenuItem item) {
  return states[static_cast<int>(item)];
}

// The cell sizes of "一覧イメージサイズ", in menu order.
struct CellSizeChoice {
  MenuItem item;
  int width, height;
};
inline constexpr std::array<CellSizeChoice, 4> kCellSizes{{
    {MenuItem::Size200, 200, 160},
    {MenuItem::Size160, 160, 130},
    {MenuItem::Size100, 100, 88},
    {MenuItem::Size80, 80, 76},
}};

}  // namespace vantrel
