// Guards the command-line insertion against the wrong window, a copy-data
// record with a wrong count or no terminating zero, a send to a disabled
// window, a command cut short, and a missing "not found" message.
#include <gtest/gtest.h>

#include "CadFakes.h"
#include "cadlink/cadCtrl2023.h"

namespace vantrel {
namespace {

using test::Calls;
using test::FakeCadLink;
namespace fs = std::filesystem;

class CommandLineTest : public ::testing::Test {
 protected:
  void SetUp() override { test::WriteFile(drawing, "0\nEOF\n"); }
  void Insert(CadProduct product) {
    f.insertion.InsertThroughCommandLine(product, drawing, f.messages, f.statusBar);
  }
  std::string Command() const { return "-INSERT<13>\"" + drawing.string() + "\"<13>S 1 R 0<13>"; }
  test::TempDir dir;
  fs::path drawing = dir / "plan.dxf";
  FakeCadLink f;
};

TEST_F(CommandLineTest, AutoCadFrameWindowGetsCtrlCThenTheCommand) {
  f.windows.Add(0, u"Notepad", u"AutoCAD notes");
  const WindowId frame = f.windows.Add(0, u"AfxMDIFrame140u", u"Autodesk AutoCAD 2023 - [Drawing1.dwg]");
  Insert(CadProduct::AutoCad);
  const std::string w = std::to_string(frame);
  EXPECT_EQ(f.Acts(), (Calls{"Foreground " + w, "CopyData " + w + " #1 <3>", "Null " + w, "Pause 100",
                             "Foreground " + w, "CopyData " + w + " #1 " + Command(), "Null " + w}));
  EXPECT_TRUE(f.messages.messages.empty());
}

TEST_F(CommandLineTest, WithoutTheFrameTheFirstTrueViewOrAutoCadWindowByTitleAndClassIsUsed) {
  f.windows.Add(0, u"Afx:400000:0:10003", u"AutoCAD 2010 - [a.dwg]");  // no ":8:"
  f.windows.Add(0, u"AfxMDIFrame90u", u"Viewer");                       // title
  const WindowId trueView = f.windows.Add(0, u"AfxMDIFrame90u", u"DWG TrueView 2010 - [a.dwg]");
  f.windows.Add(0, u"Afx:400000:8:10003", u"AutoCAD 2008");
  f.windows.At(trueView).minimized = true;
  Insert(CadProduct::AutoCad);
  const Calls acts = f.Acts();
  ASSERT_GE(acts.size(), 2u);
  EXPECT_EQ(acts[0], "Restore 3");
  EXPECT_EQ(acts.back(), "Null 3");

  // None at all: the message, and nothing sent.
  FakeCadLink none;
  none.insertion.InsertThroughCommandLine(CadProduct::AutoCad, drawing, none.messages, none.statusBar);
  EXPECT_TRUE(none.Acts().empty());
  ASSERT_EQ(none.messages.messages.size(), 1u);
  EXPECT_EQ(none.messages.messages[0].text, u"有効な AutoCAD が見つかりません．");
  EXPECT_EQ(none.messages.messages[0].icon, MsgIcon::Information);
}

TEST_F(CommandLineTest, IjcadIntelliTakesCopyDataAndAnotherTypesIntoItsInputField) {
  const WindowId intelli = f.windows.Add(0, u"Afx:400000:8", u"IJCAD 2023 Intelli - [a.dwg]");
  Insert(CadProduct::Ijcad);
  EXPECT_EQ(f.Acts().end()[-2], "CopyData " + std::to_string(intelli) + " #1 " + Command());

  FakeCadLink g;
  const WindowId main = g.windows.Add(0, u"Afx:400000:8", u"IJCAD 2019 - [a.dwg]");
  g.windows.Add(main, u"MDIClient", u"");
  const WindowId bar = g.windows.Add(main, u"Afx:bar", u"");
  const WindowId commandLine = g.windows.Add(bar, u"Afx:400000:0", u"コマンド ライン");
  g.windows.Add(commandLine, u"Static", u"history");
  const WindowId pane = g.windows.Add(commandLine, u"Afx:pane", u"");
  const WindowId field = g.windows.Add(pane, u"Edit", u"");
  g.windows.At(main).minimized = true;
  g.insertion.InsertThroughCommandLine(CadProduct::Ijcad, drawing, g.messages, g.statusBar);
  std::string typed;
  for (const std::string& c : g.Acts()) {
    const std::string prefix = "Char " + std::to_string(field) + " ";
    if (c.starts_with(prefix)) typed += c.substr(prefix.size());
  }
  EXPECT_EQ(typed, "<27>" + Command());
  EXPECT_EQ(g.Acts()[0], "Restore " + std::to_string(main));
  EXPECT_EQ(g.Acts()[3], "Pause 100");

  // Without the input field it counts as not found.
  g.windows.windows.pop_back();
  g.calls.clear();
  g.insertion.InsertThroughCommandLine(CadProduct::Ijcad, drawing, g.messages, g.statusBar);
  EXPECT_TRUE(g.Acts().empty());
  EXPECT_EQ(g.messages.messages.back().text, u"有効な IJCAD が見つかりません．");
}

TEST_F(CommandLineTest, DisabledWindowLongCommandAndMissingFileGetNothing) {
  const WindowId bricscad = f.windows.Add(0, u"BricscadMainWindow", u"BricsCAD");
  f.windows.At(bricscad).enabled = false;
  Insert(CadProduct::BricsCad);
  EXPECT_EQ(f.Acts(), (Calls{"Foreground 1", "Pause 100", "Foreground 1"}));
  EXPECT_TRUE(f.messages.messages.empty());

  // The record's buffer holds 511 characters: one more is not cut, it is
  // not sent at all.
  f.windows.At(bricscad).enabled = true;
  f.calls.clear();
  SendCommandString(f.windows, bricscad, std::u16string(511, u'x'));
  SendCommandString(f.windows, bricscad, std::u16string(512, u'x'));
  EXPECT_EQ(f.Acts(), (Calls{"CopyData 1 #1 " + std::string(511, 'x'), "Null 1"}));

  // A path of 493 characters makes a command of 512.
  f.calls.clear();
  fs::path deep = dir.path();
  while (493 - deep.string().size() - 1 > 255) deep /= std::string(200, 'd');
  fs::create_directories(deep);
  drawing = deep / (std::string(493 - deep.string().size() - 1 - 4, 'c') + ".dxf");
  test::WriteFile(drawing, "0\nEOF\n");
  ASSERT_EQ(drawing.string().size(), 493u);
  Insert(CadProduct::BricsCad);
  EXPECT_TRUE(f.calls.empty());
  EXPECT_EQ(f.status, std::vector<std::string>{"0:挿入コマンドが 511 文字を超えるため送れません"});

  f.status.clear();
  f.insertion.InsertThroughCommandLine(CadProduct::BricsCad, dir / "none.dxf", f.messages, f.statusBar);
  f.insertion.InsertThroughCommandLine(CadProduct::BricsCad, dir.path(), f.messages, f.statusBar);
  EXPECT_TRUE(f.calls.empty() && f.status.empty() && f.messages.messages.empty());
}

}  // namespace
}  // namespace vantrel
