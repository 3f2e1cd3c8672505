// Guards the batch jobs against damaging a drawing while rewriting its code
// page, counting the wrong files, deleting a user's own pictures, and
// labelling DWG files under a DXF name as text drawings.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QImage>

#include <filesystem>
#include <string>
#include <vector>

#include "app/BatchJobs.h"
#include "app/HeadlessWindow.h"
#include "app/ListImageCache.h"
#include "app/ReplaceFile.h"
#include "support/TestSupport.h"

namespace vantrel {
namespace {

namespace fs = std::filesystem;
using test::ReadFileBytes;
using test::TempDir;
using test::WriteFile;

std::string Header(const std::string& valueLines) {
  return "  0\nSECTION\n  2\nHEADER\n  9\n$ACADVER\n  1\nAC1015\n" + valueLines + "  0\nENDSEC\n  0\nEOF";
}

std::vector<fs::path> Names(std::initializer_list<const char*> names) {
  return std::vector<fs::path>(names.begin(), names.end());
}

TEST(CodePageRewrite, ChangesOnlyTheValueLineAndTheLineEnds) {
  TempDir dir;
  // Two leading blanks before the 3; a text in bytes that are no valid
  // code page 932 (0x81 0x20) must come out as it went in.
  WriteFile(dir / "a.dxf", Header("  9\n$DWGCODEPAGE\n  3\nANSI_1252\n  1\nbad \x81\x20 bytes\r"));
  EXPECT_EQ(RewriteCodePage(dir / "a.dxf"), RewriteResult::Changed);
  EXPECT_EQ(ReadFileBytes(dir / "a.dxf"),
            "  0\r\nSECTION\r\n  2\r\nHEADER\r\n  9\r\n$ACADVER\r\n  1\r\nAC1015\r\n  9\r\n$DWGCODEPAGE\r\n  3\r\n"
            "ANSI_932\r\n  1\r\nbad \x81\x20 bytes\r\n  0\r\nENDSEC\r\n  0\r\nEOF\r\n");
  // A value line with a leading blank does not qualify; ANSI_932 stays.
  const std::string blank = Header("  9\n$DWGCODEPAGE\n  3\n ANSI_1252\n");
  WriteFile(dir / "b.dxf", blank);
  EXPECT_EQ(RewriteCodePage(dir / "b.dxf"), RewriteResult::Unchanged);
  EXPECT_EQ(ReadFileBytes(dir / "b.dxf"), blank);
  EXPECT_EQ(RewriteCodePage(dir / "a.dxf"), RewriteResult::Unchanged);
  EXPECT_EQ(RewriteCodePage(dir / "missing.dxf"), RewriteResult::Error);
  if (geteuid() != 0) {
    WriteFile(dir / "ro.dxf", Header("  9\n$DWGCODEPAGE\n  3\nANSI_1252\n"));
    ::chmod((dir / "ro.dxf").c_str(), 0444);
    EXPECT_EQ(RewriteCodePage(dir / "ro.dxf"), RewriteResult::Error);
    EXPECT_EQ(ReadFileBytes(dir / "ro.dxf"), Header("  9\n$DWGCODEPAGE\n  3\nANSI_1252\n"));
  }
  // A write that fails half way leaves the original and no leftovers.
  WriteFile(dir / "c.dxf", "original");
  EXPECT_FALSE(ReplaceFileWith(dir / "c.dxf", [](const auto& put) { return put(std::span("half", 4)) && false; }));
  EXPECT_EQ(ReadFileBytes(dir / "c.dxf"), "original");
  EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator()), geteuid() == 0 ? 3 : 4);
}

TEST(CodePageRewrite, CountsChangedFilesAndErrorsAcrossTheList) {
  TempDir dir;
  test::RecordingReporter messages;
  std::vector<fs::path> names;
  for (int i = 0; i < 9; ++i) {
    names.push_back("f" + std::to_string(i) + ".dxf");
    WriteFile(dir / names.back(), Header("  9\n$DWGCODEPAGE\n  3\nANSI_1252\n"));
  }
  // A drawing that cannot be rewritten: here a folder under a drawing's name.
  fs::create_directory(dir / "locked.dxf");
  names.push_back("locked.dxf");
  names.push_back("a.dwg");
  WriteFile(dir / "a.dwg", "AC1018");
  HeadlessWindow window(dir.path(), names, QSize(8, 8), messages);
  messages.answer = MsgResult::No;
  EXPECT_EQ(RewriteCodePages(window).changed, 0);  // declined: nothing happens
  ASSERT_EQ(messages.messages.size(), 1u);
  messages.answer = MsgResult::Yes;
  const CodePageRewrite result = RewriteCodePages(window);
  EXPECT_EQ(result.changed, 9);
  EXPECT_EQ(result.errors, 1);
  EXPECT_EQ(messages.messages.back().text, u"9 個のファイルを変更．1 個の読み込みエラー");
  EXPECT_EQ(messages.messages.back().caption, u"Vantrel2023");
  EXPECT_EQ(window.Row(1)[kColCodePage], u"ANSI_932");
}

TEST(BatchScans, VersionsOfDwgHeadsAndCacheFilesOfTheFolderOnly) {
  TempDir dir;
  test::RecordingReporter messages;
  WriteFile(dir / "d.dxf", "AC1018" + std::string(100, '\0'));  // a DWG under a DXF name
  WriteFile(dir / "p.dwg", "AC1015" + std::string(100, '\0'));
  WriteFile(dir / "t.dxf", Header("  9\n$DWGCODEPAGE\n  3\nANSI_932\n"));
  HeadlessWindow window(dir.path(), Names({"d.dxf", "p.dwg", "t.dxf"}), QSize(20, 10), messages);
  VersionScan(window);
  EXPECT_EQ(window.Row(1)[kColVersion], u"2004 DXF");
  EXPECT_EQ(window.Row(1)[kColFormat], u"BinaryDXF");
  EXPECT_EQ(window.Row(2)[kColVersion], u"2000 DWG");
  EXPECT_EQ(window.Row(3)[kColVersion], u"2000 DXF");
  CodePageScan(window);
  EXPECT_EQ(window.Row(3)[kColCodePage], u"ANSI_932");
  EXPECT_EQ(window.Row(2)[kColCodePage], u"");

  EXPECT_FALSE(CreateListImageFiles(window, {}));
  EXPECT_EQ(messages.messages.back().text, u"一覧イメージが作成されていません．");
  std::vector<TDxfbmp> images(2);
  images[0].name = dir / "t.dxf";
  images[1].name = dir / "p.dwg";
  for (TDxfbmp& e : images) {
    e.bmp = QImage(20, 10, QImage::Format_RGB32);
    e.bmp.fill(Qt::black);
  }
  EXPECT_TRUE(CreateListImageFiles(window, images));
  EXPECT_TRUE(fs::exists(dir / "t_DXF.bmp"));
  EXPECT_TRUE(fs::exists(dir / "p_DWG.bmp"));
  // A picture of the user's that merely looks like a cache file stays.
  WriteFile(dir / "scan_D01.bmp", "mine");
  WriteFile(dir / "gone_DXF.bmp", "no drawing of that name");
  EXPECT_EQ(DeleteListImageFiles(window, dir.path()), 2);
  EXPECT_EQ(messages.messages.back().text, u"BMPファイルを削除しました．");
  EXPECT_TRUE(fs::exists(dir / "scan_D01.bmp"));
  EXPECT_TRUE(fs::exists(dir / "gone_DXF.bmp"));
  const std::size_t asked = messages.messages.size();
  EXPECT_EQ(DeleteListImageFiles(window, dir.path()), 0);  // nothing to delete: not even a question
  EXPECT_EQ(messages.messages.size(), asked);
}

}  // namespace
}  // namespace vantrel
