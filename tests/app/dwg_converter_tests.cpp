// Guards against: misquoted or reordered converter arguments, a silent start failure, a wait that freezes the window or leaves the converter running, temp-copy cleanup that reaches beyond the work folder or leaves copies nobody uses, and a bundled converter that writes half files or copies under another name than the work folder gives, claims pre-R13 drawings, turns layers off or recolours them, hides attributes, or leaves NULs and a second layer 0 in names.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <iostream>
#include <map>
#include <set>
#include <string>
#include <vector>

#include <sys/stat.h>
#include <unistd.h>

#include "app/DwgConverter.h"
#include "app/WorkFolder.h"
#include "model/AcadDxfUnit.h"
#include "model/DxfReader.h"
#include "model/FileProbes.h"
#include "model/SilentAbort.h"
#include "support/TestSupport.h"

namespace vantrel {
namespace {

namespace fs = std::filesystem;
using test::RecordingReporter;
using test::TempDir;
using test::U16;
using test::U8;

class CountingPump : public EventPump {
 public:
  void ProcessMessages() override {
    ++calls;
    if (onCall) onCall(calls);
  }
  int calls = 0;
  std::function<void(int)> onCall;
};

// Killed but not yet reaped by whoever inherited it.
bool IsZombie(pid_t pid) {
  const std::string stat = test::ReadFileBytes("/proc/" + std::to_string(pid) + "/stat");
  const auto paren = stat.rfind(')');
  return paren != std::string::npos && paren + 2 < stat.size() && stat[paren + 2] == 'Z';
}

fs::path WriteScript(const fs::path& file, const std::string& body) {
  test::WriteFile(file, "#!/bin/sh\n" + body);
  fs::permissions(file, fs::perms::owner_all);
  return file;
}

// Splits the NUL-separated record the fake converter writes.
std::vector<std::string> RecordedArguments(const fs::path& file) {
  const std::string bytes = test::ReadFileBytes(file);
  std::vector<std::string> args;
  std::string current;
  for (char c : bytes) {
    if (c == '\0') {
      args.push_back(current);
      current.clear();
    } else {
      current.push_back(c);
    }
  }
  return args;
}

TEST(DwgConverter, PassesTheSevenArgumentsEachAsItsOwn) {
  TempDir tmp;
  const fs::path sourceFolder = tmp / "図面 \"A\" ; $(x)";
  fs::create_directories(sourceFolder);
  const fs::path source = sourceFolder / "plan 1 'b'.dwg";
  test::WriteFile(source, "AC1015");
  const fs::path record = tmp / "argv";
  const fs::path fake = WriteScript(tmp / "fake", "printf '%s\\0' \"$@\" > '" + record.string() + "'\n");
  const fs::path output = tmp / "work" / "dwg";

  RecordingReporter reporter;
  CountingPump pump;
  EXPECT_TRUE(DwgToDxf(fake, source, output, pump, reporter));
  EXPECT_TRUE(reporter.messages.empty());
  EXPECT_TRUE(fs::is_directory(output)) << "the output folder is made before the start";
  const std::vector<std::string> expected = {sourceFolder.string(), output.string(), "ACAD2000", "DXF",
                                             "0", "0", "plan 1 'b'.dwg"};
  EXPECT_EQ(RecordedArguments(record), expected);

  // Trailing separators go, except the root's own.
  EXPECT_EQ(ConverterArguments("/b.dwg", "/work/out/")[0], "/");
  EXPECT_EQ(ConverterArguments("/b.dwg", "/work/out/")[1], "/work/out");
  EXPECT_EQ(ConverterArguments("/a/b.dwg", "/")[1], "/");
}

TEST(DwgConverter, ReportsAConverterThatCannotStart) {
  TempDir tmp;
  const fs::path source = tmp / "a.dwg";
  test::WriteFile(source, "AC1015");
  const fs::path notExecutable = tmp / "plain";
  test::WriteFile(notExecutable, "#!/bin/sh\n");
  const fs::path missingInterpreter = tmp / "script";
  test::WriteFile(missingInterpreter, "#!/usr/bin/env vantrel-no-such-interpreter\n");
  fs::permissions(missingInterpreter, fs::perms::owner_all);

  const std::pair<fs::path, std::string> failures[] = {
      {tmp / "missing", "No such file or directory"},
      {notExecutable, "Permission denied"},
      {missingInterpreter, "vantrel-no-such-interpreter"}};
  for (const auto& [exe, why] : failures) {
    RecordingReporter reporter;
    CountingPump pump;
    std::string reason;
    EXPECT_FALSE(DwgToDxf(exe, source, tmp / "out", pump, reporter, false, {}, &reason)) << exe;
    EXPECT_NE(reason.find(why), std::string::npos) << reason;
    ASSERT_EQ(reporter.messages.size(), 1u) << exe;
    EXPECT_EQ(reporter.messages[0].text, u"起動に失敗しました．");
    EXPECT_EQ(reporter.messages[0].caption, u"エラー");
    EXPECT_EQ(reporter.messages[0].icon, MsgIcon::Error);
    EXPECT_EQ(reporter.messages[0].buttons, MsgButtons::Ok);
  }

  // A converter that starts, fails and writes nothing is no start failure:
  // the caller finds no copy and shows the failure cross. Its last words are
  // the reason, whatever it wrote before.
  RecordingReporter reporter;
  CountingPump pump;
  std::string reason = "stale";
  const fs::path fails = WriteScript(tmp / "fails", "yes noise | head -n 20000 >&2\necho 'a.dwg: too old' >&2\n"
                                                  "echo >&2\nexit 1\n");
  EXPECT_TRUE(DwgToDxf(fails, source, tmp / "out", pump, reporter, false, {}, &reason));
  EXPECT_EQ(reason, "a.dwg: too old");
  EXPECT_TRUE(DwgToDxf(WriteScript(tmp / "quiet", "exit 1\n"), source, tmp / "out", pump, reporter, false, {},
                       &reason));
  EXPECT_EQ(reason, "");
  EXPECT_TRUE(reporter.messages.empty());
}

TEST(DwgConverter, KeepsThePumpRunningAndStopsTheConverterWhenAbandoned) {
  TempDir tmp;
  const fs::path source = tmp / "a.dwg";
  test::WriteFile(source, "AC1015");

  {
    RecordingReporter reporter;
    CountingPump pump;
    EXPECT_TRUE(DwgToDxf(WriteScript(tmp / "slow", "sleep 0.2\n"), source, tmp / "out", pump, reporter));
    EXPECT_GE(pump.calls, 20) << "the pump runs about every millisecond of the wait";
  }

  // The converter and what it started are stopped when the command is
  // abandoned, or when the application closes.
  const fs::path pidFile = tmp / "pid";
  const fs::path hanging = WriteScript(
      tmp / "hangs", "sleep 30 &\necho $! > '" + pidFile.string() + "'\nwait\n");
  for (bool abandon : {true, false}) {
    fs::remove(pidFile);
    RecordingReporter reporter;
    CountingPump pump;
    pump.onCall = [&](int) {
      if (abandon && fs::exists(pidFile) && fs::file_size(pidFile) > 0) throw SilentAbort{};
    };
    auto closing = [&] { return !abandon && fs::exists(pidFile) && fs::file_size(pidFile) > 0; };
    const auto start = std::chrono::steady_clock::now();
    if (abandon) {
      EXPECT_THROW(DwgToDxf(hanging, source, tmp / "out", pump, reporter), SilentAbort);
    } else {
      EXPECT_TRUE(DwgToDxf(hanging, source, tmp / "out", pump, reporter, false, closing));
    }
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10));
    const pid_t sleeper = std::stoi(test::ReadFileBytes(pidFile));
    // The grandchild is not ours to reap; it must at least have been told to go.
    bool gone = false;
    for (int i = 0; i < 2000 && !gone; ++i) {
      gone = kill(sleeper, 0) != 0 || IsZombie(sleeper);
      if (!gone) usleep(1000);
    }
    EXPECT_TRUE(gone) << (abandon ? "abandoned" : "closing");
    if (!gone) kill(sleeper, SIGKILL);
  }
}

TEST(DwgConverter, FindsTheBundledConverterAndPrefersARegisteredOne) {
  const fs::path inTree = test::SourceDir() / "tools" / "dwg2dxf" / "dwg2dxf";
  EXPECT_EQ(fs::weakly_canonical(BundledConverterPath()), fs::weakly_canonical(inTree))
      << "the test program runs from its build folder";

  // Installed, the program finds its own; run from its build folder, the
  // one of its source tree; anywhere else, none, even with a converter
  // planted in a parent folder or where the source tree was.
  TempDir tmp;
  const fs::path source = tmp / "src", build = tmp / "out";
  const fs::path bundled = source / "tools" / "dwg2dxf" / "dwg2dxf";
  const fs::path installed = tmp / "prefix" / "share" / "vantrel" / "dwg2dxf" / "dwg2dxf";
  const fs::path planted = tmp / "tools" / "dwg2dxf" / "dwg2dxf";
  for (const fs::path& converter : {bundled, installed, planted}) {
    fs::create_directories(converter.parent_path());
    test::WriteFile(converter, "");
  }
  fs::create_directories(build / "cli");
  EXPECT_EQ(BundledConverterPathFrom(tmp / "prefix" / "bin" / "vantrel", build, source), installed);
  EXPECT_EQ(BundledConverterPathFrom(build / "cli" / "vantrel-cli", build, source), bundled);
  EXPECT_TRUE(BundledConverterPathFrom(tmp / "bin" / "vantrel", build, source).empty());
  EXPECT_TRUE(BundledConverterPathFrom(tmp / "outside" / "vantrel", build, source).empty());
  EXPECT_TRUE(BundledConverterPathFrom(build / "cli" / "vantrel-cli", build, tmp / "gone").empty());
  EXPECT_TRUE(BundledConverterPathFrom("/nonexistent/bin/vantrel", build, source).empty());

  ConverterSettings settings;
  EXPECT_EQ(ConverterToUse(settings), BundledConverterPath());
  settings.TeighaExePath = "/opt/converter/TeighaFileConverter";
  EXPECT_EQ(ConverterToUse(settings), settings.TeighaExePath);
}

TEST(WorkFolder, LivesInTheUsersCacheAndKeepsTheTwoKindsApart) {
  EXPECT_EQ(ConverterWorkFolderFor("/x/cache", "/home/u"), fs::path("/x/cache/vantrel/dxf"));
  EXPECT_EQ(ConverterWorkFolderFor("", "/home/u"), fs::path("/home/u/.cache/vantrel/dxf"));
  EXPECT_EQ(ConverterWorkFolderFor("relative/cache", "/home/u"), fs::path("/home/u/.cache/vantrel/dxf"));
  EXPECT_EQ(ConverterWorkFolderFor(nullptr, "/home/u"), fs::path("/home/u/.cache/vantrel/dxf"));
  EXPECT_TRUE(ConverterWorkFolderFor(nullptr, nullptr).is_absolute());

  TempDir tmp;
  for (const char* name : {"plan.dwg", "a.b.DWG", "plan.dxf", "PLAN.DXF"}) test::WriteFile(tmp / name, "x");
  const fs::path work = "/w";
  // The copy keeps the name the converter writes, in a folder of its source.
  const auto copyIn = [&](const char* name) {
    const fs::path copy = TempDxfPath(work, tmp / name);
    return copy.parent_path().parent_path() / copy.filename();
  };
  EXPECT_EQ(copyIn("plan.dwg"), fs::path("/w/dwg/plan.dxf"));
  EXPECT_EQ(copyIn("a.b.DWG"), fs::path("/w/dwg/a.b.dxf"));
  EXPECT_EQ(copyIn("plan.dxf"), fs::path("/w/bindxf/plan.dxf"));
  EXPECT_EQ(copyIn("PLAN.DXF"), fs::path("/w/bindxf/PLAN.DXF"));
  EXPECT_NE(TempDxfPath(work, tmp / "plan.dxf").parent_path(), TempDxfPath(work, tmp / "PLAN.DXF").parent_path());
  EXPECT_TRUE(TempDxfPath(work, tmp / "missing.dwg").empty());
}

TEST(WorkFolder, CopiesNobodyUsesGo) {
  TempDir tmp;
  const fs::path work = tmp / "work";
  for (const char* name : {"a.dwg", "b.dwg", "c.dwg"}) test::WriteFile(tmp / name, "x");
  const auto make = [&](const char* name) {
    const fs::path copy = TempDxfPath(work, tmp / name);
    fs::create_directories(copy.parent_path());
    test::WriteFile(copy, "x");
    return copy;
  };
  const fs::path a = make("a.dwg"), b = make("b.dwg"), c = make("c.dwg");
  test::WriteFile(work / "dwg" / "a.dxf", "a copy kept the way of earlier versions");
  // c was last used long ago.
  const auto old = fs::file_time_type::clock::now() - std::chrono::hours(24 * (kUnusedCopyDays + 1));
  fs::last_write_time(c.parent_path(), old);
  fs::last_write_time(a.parent_path(), old);
  test::WriteFile(tmp / "a.dwg", "changed");
  const fs::path newA = make("a.dwg");
  KeepCopyDropUnused(work, newA);
  EXPECT_TRUE(fs::exists(newA));
  EXPECT_GT(fs::last_write_time(newA.parent_path()), old);
  EXPECT_FALSE(fs::exists(a.parent_path())) << "an earlier state of the same file";
  EXPECT_TRUE(fs::exists(b));
  EXPECT_FALSE(fs::exists(c.parent_path())) << "unused for too long";
  EXPECT_FALSE(fs::exists(work / "dwg" / "a.dxf"));

  // Using a copy keeps it; a conversion that made nothing leaves no folder.
  fs::last_write_time(newA.parent_path(), old);
  test::WriteFile(tmp / "d.dwg", "x");
  const fs::path none = TempDxfPath(work, tmp / "d.dwg");
  fs::create_directories(none.parent_path());
  KeepCopyDropUnused(work, newA);
  KeepCopyDropUnused(work, none);
  EXPECT_TRUE(fs::exists(newA));
  EXPECT_FALSE(fs::exists(none.parent_path()));
}

TEST(WorkFolder, DeleteTempDxfRemovesOnlyCopiesInTheWorkFolder) {
  TempDir tmp;
  const fs::path work = tmp / "cache" / "vantrel" / "dxf";
  ASSERT_TRUE(EnsureWorkFolder(work));
  EXPECT_EQ(fs::status(work).permissions() & fs::perms::all, fs::perms::owner_all);
  fs::create_directories(work / "dwg");
  fs::create_directories(work / "bindxf");
  fs::create_directories(work / "folder.dxf");
  const std::string key = "0123456789abcdef-0123456789abcdef";
  const std::string busy = "bindxf/1123456789abcdef-0123456789abcdef";
  const std::string other = "dwg/" + key + "0";
  for (const std::string& folder : {"dwg/" + key, busy, other}) fs::create_directories(work / folder);
  for (const std::string& name : std::vector<std::string>{
           "a.dxf", "B.DXF", "keep.txt", "keep.dxf.tmp", "dwg/c.dxf", "bindxf/d.Dxf", "dwg/keep.bmp",
           "dwg/" + key + "/e.dxf", busy + "/f.DXF", busy + "/.g.dxf.1.tmp", other + "/keep.dxf"})
    test::WriteFile(work / name, "x");
  // A user's drawing beside the work folder, and one reached through a link.
  const fs::path drawing = tmp / "cache" / "vantrel" / "plan.dxf";
  test::WriteFile(drawing, "x");
  fs::create_symlink(drawing, work / "link.dxf");

  DeleteTempDxf(work);
  std::set<std::string> left;
  for (const auto& e : fs::recursive_directory_iterator(work))
    left.insert(fs::relative(e.path(), work).string());
  // A copy's folder goes with it, unless it holds something else (a
  // converter still writing); a folder not named like one is not ours.
  EXPECT_EQ(left, (std::set<std::string>{"bindxf", "dwg", "dwg/keep.bmp", "folder.dxf", "keep.dxf.tmp",
                                         "keep.txt", other, other + "/keep.dxf", busy, busy + "/.g.dxf.1.tmp"}));
  EXPECT_TRUE(fs::exists(drawing));
  DeleteTempDxf(tmp / "no such folder");  // nothing to do, nothing thrown
}

// The real converter, where Node.js and the engines are installed.
class BundledConverter : public testing::Test {
 protected:
  void SetUp() override {
    exe_ = test::SourceDir() / "tools" / "dwg2dxf" / "dwg2dxf";
    if (std::system("node --version > /dev/null 2>&1") != 0) GTEST_SKIP() << "Node.js is not installed";
    if (!fs::exists(exe_.parent_path() / "node_modules" / "@mlightcad" / "libredwg-web"))
      GTEST_SKIP() << "run npm ci in tools/dwg2dxf";
  }

  // Converts source into a fresh work folder; the copy's path when there is one.
  fs::path Convert(const fs::path& source, const fs::path& work) {
    RecordingReporter reporter;
    NoEventPump pump;
    const fs::path copy = TempDxfPath(work, source);
    EXPECT_TRUE(DwgToDxf(exe_, source, copy.parent_path(), pump, reporter)) << source;
    EXPECT_TRUE(reporter.messages.empty());
    for (const auto& e : fs::directory_iterator(copy.parent_path()))
      EXPECT_EQ(e.path(), copy) << "only the finished copy is left";
    return fs::exists(copy) ? copy : fs::path();
  }

  fs::path exe_;
};

Drawing ReadCopy(const fs::path& dxf) {
  Drawing d;
  ProgressCounter progress;
  test::RecordingReporter readerMessages;
  std::u16string status, version;
  ReadDxfInFileEncoding(d, dxf, progress, readerMessages, status, version);
  return d;
}

// What a reader makes of each attribute, in block definitions and outside.
std::multiset<std::string> Attributes(const fs::path& dxf) {
  const Drawing d = ReadCopy(dxf);
  std::multiset<std::string> found;
  for (const auto* table : {&d.EntTextAry, &d.BlkTextAry})
    for (const TTextBlk& t : *table)
      if (t.atflag)
        found.insert(U8(t.str) + ((t.code70 & 1) ? " (hidden)" : "") + " on " + U8(t.layer));
  return found;
}

std::size_t EntityCount(const fs::path& dxf, std::u16string& version) {
  Drawing d;
  ProgressCounter progress;
  test::RecordingReporter readerMessages;
  std::u16string status;
  ReadDxfInFileEncoding(d, dxf, progress, readerMessages, status, version);
  return d.EntLineAry.size() + d.EntLwpAry.size() + d.EntCircleAry.size() + d.EntArcAry.size() +
         d.EntTextAry.size() + d.EntInsertAry.size() + d.EntFaceAry.size() + d.EntSolidAry.size();
}

struct LayerLook {
  SmallInt color;
  bool visible;
  bool operator==(const LayerLook&) const = default;
};

std::map<std::string, LayerLook> LayerLooks(const fs::path& dxf) {
  Drawing d;
  ProgressCounter progress;
  test::RecordingReporter readerMessages;
  std::u16string status, version;
  ReadDxfInFileEncoding(d, dxf, progress, readerMessages, status, version);
  std::map<std::string, LayerLook> looks;
  for (const TLayer& layer : d.LayerAry) looks.emplace(U8(layer.Name), LayerLook{layer.color, layer.visible});
  return looks;
}

void PrintTo(const LayerLook& look, std::ostream* os) {
  *os << "{" << look.color << (look.visible ? ", visible}" : ", hidden}");
}

bool EndsWithEof(const fs::path& file) {
  std::string bytes = test::ReadFileBytes(file);
  while (!bytes.empty() && std::isspace(static_cast<unsigned char>(bytes.back()))) bytes.pop_back();
  return bytes.size() >= 3 && bytes.compare(bytes.size() - 3, 3, "EOF") == 0;
}

TEST_F(BundledConverter, ConvertsTheCorpusDrawingsFromR13On) {
  const fs::path corpus = test::CorpusDir() / "dwg";
  if (test::CorpusDir().empty()) GTEST_SKIP() << "no corpus";
  int converted = 0;
  for (const auto& entry : fs::directory_iterator(corpus)) {
    const fs::path source = entry.path();
    if (source.extension() != ".dwg") continue;
    TempDir work;
    const fs::path copy = Convert(source, work.path());
    std::u16string head;
    ASSERT_TRUE(ReadFileSignature(source, head));
    if (head < u"AC1012") {
      EXPECT_TRUE(copy.empty()) << source << ": a release before R13 is not converted";
      continue;
    }
    ASSERT_FALSE(copy.empty()) << source;
    EXPECT_TRUE(EndsWithEof(copy)) << copy;
    EXPECT_EQ(test::ReadFileBytes(copy).find('\0'), std::string::npos) << copy << ": a NUL in a DXF line";
    std::set<std::u16string> layerNames;
    for (const TLayer& layer : ReadCopy(copy).LayerAry)
      EXPECT_TRUE(layerNames.insert(layer.Name).second) << copy << ": layer " << U8(layer.Name) << " twice";
    std::u16string version;
    const std::size_t entities = EntityCount(copy, version);
    EXPECT_GE(version, u"AC1012") << copy;
    EXPECT_GT(entities, 0u) << copy;
    const auto looks = LayerLooks(copy);
    EXPECT_TRUE(std::any_of(looks.begin(), looks.end(), [](const auto& l) { return l.second.visible; }))
        << copy << ": every layer is off or frozen";
    std::cout << source.filename().string() << " -> " << U8(version) << ", " << entities
              << " entities" << std::endl;
    // The same drawing as a DXF file of the program that made it (the R14
    // pair of the corpus is not quite the same drawing: two more inserts).
    const fs::path pair = test::CorpusDir() / "dxf" / source.filename().replace_extension(".dxf");
    std::u16string pairVersion;
    if (fs::exists(pair) && head >= u"AC1032") {
      EXPECT_EQ(entities, EntityCount(pair, pairVersion)) << source;
    }
    ++converted;
  }
  EXPECT_GE(converted, 10);
}

// The corpus has three drawings both as DWG and as the DXF file of the
// program that made them; between them they hold layers on, off, frozen,
// locked, in palette colours, in true colours and in a colour-book colour.
TEST_F(BundledConverter, CopiesShowTheLayersAsTheirDxfTwinsDo) {
  if (test::CorpusDir().empty()) GTEST_SKIP() << "no corpus";
  const std::pair<const char*, const char*> twins[] = {
      {"r14_libredwg_example_r14.dwg", "r14_libredwg_example_r14.dxf"},
      {"r2018_libredwg_example_2018.dwg", "r2018_libredwg_example_2018.dxf"},
      {"r2018_acadsharp_sample_AC1032.dwg", "r2018_acadsharp_sample_AC1032_ascii.dxf"}};
  for (const auto& [dwg, dxf] : twins) {
    TempDir work;
    const fs::path copy = Convert(test::CorpusDir() / "dwg" / dwg, work.path());
    ASSERT_FALSE(copy.empty()) << dwg;
    const auto expected = LayerLooks(test::CorpusDir() / "dxf" / dxf);
    ASSERT_GE(expected.size(), 5u) << dxf;
    // LibreDWG leaves a few attributes without their layer; the layer the
    // reader makes up for them is no part of the table.
    auto looks = LayerLooks(copy);
    std::erase_if(looks, [&](const auto& l) { return !expected.contains(l.first); });
    EXPECT_EQ(looks, expected) << dwg;
  }
}

TEST_F(BundledConverter, CopiesShowTheAttributesAsTheirDxfTwinsDo) {
  if (test::CorpusDir().empty()) GTEST_SKIP() << "no corpus";
  // Between them: attributes on one line and on several, in block
  // definitions and in the drawing, preset, constant and verified ones.
  const std::pair<const char*, const char*> twins[] = {
      {"r2018_libredwg_example_2018.dwg", "r2018_libredwg_example_2018.dxf"},
      {"r2018_acadsharp_sample_AC1032.dwg", "r2018_acadsharp_sample_AC1032_ascii.dxf"}};
  for (const auto& [dwg, dxf] : twins) {
    TempDir work;
    const fs::path copy = Convert(test::CorpusDir() / "dwg" / dwg, work.path());
    ASSERT_FALSE(copy.empty()) << dwg;
    const auto expected = Attributes(test::CorpusDir() / "dxf" / dxf);
    ASSERT_GE(expected.size(), 2u) << dxf;
    EXPECT_EQ(Attributes(copy), expected) << dwg;
  }
}

// The attribute repair, on records as LibreDWG writes them: the subclass it
// adds to ATTRIB and the line kind it puts in the flags of ATTDEF go, the
// embedded text's own entity groups go, and every other byte stays; a line
// break inside a damaged string is a line break, as for the reader. The
// libdxfrw repair cuts NULs and drops the layer 0 the writer added beside
// the drawing's own.
TEST_F(BundledConverter, AttributeAndNameRepairsKeepEverythingElse) {
  using namespace std::string_literals;
  TempDir tmp;
  // Two line breaks for the reader, one for a reader of LF-ended lines.
  const std::string text = "  0\r\nTEXT\r\n  1\r\nbroken\rstring\nmore\r\n  8\r\nA\r\n";
  const std::string attrib =
      "  0\r\nATTRIB\r\n  5\r\n1A\r\n  8\r\nA\r\n  1\r\nv\r\n100\r\nAcDbAttribute\r\n  2\r\nT\r\n"
      " 70\r\n     0\r\n280\r\n     0\r\n";
  const std::string xrecord = "100\r\nAcDbXrecord\r\n280\r\n     0\r\n 70\r\n     1\r\n";
  const std::string multi =
      "  0\r\nATTRIB\r\n  5\r\n1B\r\n  8\r\nA\r\n100\r\nAcDbAttribute\r\n  2\r\nM\r\n 70\r\n     8\r\n"
      " 74\r\n     3\r\n280\r\n     0\r\n";
  const std::string multiExtra = "100\r\nAcDbXrecord\r\n280\r\n     0\r\n 70\r\n     2\r\n 48\r\n1.0\r\n"
                                 " 60\r\n     0\r\n370\r\n    29\r\n  8\r\n\r\n";
  const std::string embedded = "101\r\nEmbedded Object\r\n 10\r\n0.0\r\n  1\r\nline\r\n";
  const auto attdef = [](const char* handle, const char* flags) {
    return std::string("  0\r\nATTDEF\r\n  5\r\n") + handle +
           "\r\n100\r\nAcDbAttributeDefinition\r\n280\r\n     0\r\n  3\r\np\r\n  2\r\nD\r\n 70\r\n" + flags +
           "\r\n280\r\n     0\r\n";
  };
  const std::string tail = "  0\r\nSEQEND\r\n 70\r\n     1\r\n  0\r\nEOF\r\n";
  test::WriteFile(tmp / "in.dxf", text + attrib + xrecord + multi + multiExtra + embedded + attdef("1C", "     1") +
                                      attdef("1d", "     4") + tail);
  const std::string names =
      "  0\nSECTION\n  2\nTABLES\n  0\nTABLE\n  2\nLAYER\n 70\n    1\n"
      "  0\nLAYER\n  5\n39\n  2\n0\0\n 62\n    3\n  0\nLAYER\n  5\n3A\n  2\nA\0\0\n 62\n    1\n"
      "  0\nLAYER\n  5\n10\n  2\n0\n 62\n    7\n  0\nENDTAB\n  0\nENDSEC\n"
      "  0\nSECTION\n  2\nENTITIES\n  0\nLINE\n  8\nA\0\n  0\nENDSEC\n  0\nEOF\n"s;
  test::WriteFile(tmp / "names.dxf", names);
  const fs::path folder = exe_.parent_path();
  const std::string script =
      "const fs = require('fs'); const [folder, tmp] = process.argv.slice(2);"
      "const { fixAttributes } = require(folder + '/attributes.cjs');"
      "const { fixStringEnds } = require(folder + '/string-ends.cjs');"
      "const dxf = fs.readFileSync(tmp + '/in.dxf');"
      "fs.writeFileSync(tmp + '/rule.dxf', fixAttributes(dxf, null).dxf);"
      "fs.writeFileSync(tmp + '/states.dxf', fixAttributes(dxf, new Map([['1D', 2]])).dxf);"
      "fs.writeFileSync(tmp + '/names-out.dxf', fixStringEnds(fs.readFileSync(tmp + '/names.dxf', 'latin1')).dxf,"
      " 'latin1');";
  test::WriteFile(tmp / "run.cjs", script);
  const std::string command =
      "node '" + (tmp / "run.cjs").string() + "' '" + folder.string() + "' '" + tmp.path().string() + "'";
  ASSERT_EQ(std::system(command.c_str()), 0) << command;

  EXPECT_EQ(test::ReadFileBytes(tmp / "rule.dxf"), text + attrib + multi + embedded + attdef("1C", "     0") +
                                                       attdef("1d", "     0") + tail);
  // Flags from the drawing, matched by handle whatever its case.
  EXPECT_EQ(test::ReadFileBytes(tmp / "states.dxf"), text + attrib + multi + embedded + attdef("1C", "     0") +
                                                         attdef("1d", "     2") + tail);
  EXPECT_EQ(test::ReadFileBytes(tmp / "names-out.dxf"),
            "  0\nSECTION\n  2\nTABLES\n  0\nTABLE\n  2\nLAYER\n 70\n    1\n"
            "  0\nLAYER\n  5\n39\n  2\n0\n 62\n    3\n  0\nLAYER\n  5\n3A\n  2\nA\n 62\n    1\n"
            "  0\nENDTAB\n  0\nENDSEC\n"
            "  0\nSECTION\n  2\nENTITIES\n  0\nLINE\n  8\nA\n  0\nENDSEC\n  0\nEOF\n");
}

// Where the drawing's own layer states cannot be read, the converter undoes
// the DWG writer's negation instead; and it leaves everything but the layer
// colours as the writer wrote it, byte for byte.
TEST_F(BundledConverter, LayerTableRepairKeepsEverythingElse) {
  TempDir tmp;
  const std::string head = "  0\r\nSECTION\r\n  2\r\nTABLES\r\n  0\r\nTABLE\r\n  2\r\nLTYPE\r\n  0\r\nLTYPE\r\n"
                           " 62\r\n    -5\r\n  0\r\nENDTAB\r\n  0\r\nTABLE\r\n  2\r\nLAYER\r\n";
  // On (written negated), off in an R13 drawing (written positive), true
  // colour (blue byte as its number, the colour method above the RGB bits),
  // and a name in Shift-JIS.
  const std::string layers =
      "  0\r\nLAYER\r\n  5\r\n1A\r\n  2\r\n0\r\n 70\r\n     0\r\n 62\r\n    -7\r\n"
      "  0\r\nLAYER\r\n  5\r\n1b\r\n  2\r\nOLD\r\n 62\r\n     3\r\n"
      "  0\r\nLAYER\r\n  5\r\n1C\r\n  2\r\n\x90\x7d\x96\xca\r\n 62\r\n  -238\r\n420\r\n-1039035666\r\n";
  const std::string tail = "  0\r\nENDTAB\r\n  0\r\nENDSEC\r\n  0\r\nSECTION\r\n  2\r\nENTITIES\r\n  0\r\nLINE\r\n"
                           "  8\r\n0\r\n 62\r\n    -1\r\n  0\r\nENDSEC\r\n  0\r\nEOF\r\n";
  test::WriteFile(tmp / "in.dxf", head + layers + tail);
  const fs::path layerTableModule = exe_.parent_path() / "layer-table.cjs";
  const std::string script =
      "const fs = require('fs'); const [layerTable, input, rule, states] = process.argv.slice(2);"
      "const { fixLayerTable } = require(layerTable); const dxf = fs.readFileSync(input);"
      "fs.writeFileSync(rule, fixLayerTable(dxf, null).dxf);"
      "fs.writeFileSync(states, fixLayerTable(dxf, new Map([['1A', true], ['1B', false]])).dxf);";
  test::WriteFile(tmp / "run.cjs", script);
  const std::string command = "node '" + (tmp / "run.cjs").string() + "' '" + layerTableModule.string() + "' '" +
                              (tmp / "in.dxf").string() + "' '" + (tmp / "rule.dxf").string() + "' '" +
                              (tmp / "states.dxf").string() + "'";
  ASSERT_EQ(std::system(command.c_str()), 0) << command;

  const std::string trueColour =
      "  0\r\nLAYER\r\n  5\r\n1C\r\n  2\r\n\x90\x7d\x96\xca\r\n 62\r\n   150\r\n420\r\n  1151726\r\n";
  EXPECT_EQ(test::ReadFileBytes(tmp / "rule.dxf"),
            head +
                "  0\r\nLAYER\r\n  5\r\n1A\r\n  2\r\n0\r\n 70\r\n     0\r\n 62\r\n     7\r\n"
                "  0\r\nLAYER\r\n  5\r\n1b\r\n  2\r\nOLD\r\n 62\r\n    -3\r\n" +
                trueColour + tail);
  // The drawing's own states win, matched by handle whatever its case; a
  // record the drawing has no state for still follows the rule.
  EXPECT_EQ(test::ReadFileBytes(tmp / "states.dxf"),
            head +
                "  0\r\nLAYER\r\n  5\r\n1A\r\n  2\r\n0\r\n 70\r\n     0\r\n 62\r\n    -7\r\n"
                "  0\r\nLAYER\r\n  5\r\n1b\r\n  2\r\nOLD\r\n 62\r\n     3\r\n" +
                trueColour + tail);
}

TEST_F(BundledConverter, ConvertsBinaryDxfWithoutLossAndRefusesDamagedFilesCleanly) {
  TempDir tmp;
  if (!test::CorpusDir().empty()) {
    const fs::path dxf = test::CorpusDir() / "dxf";
    // Binary files and, where the corpus has it, the same drawing as text.
    const std::pair<const char*, const char*> files[] = {
        {"r12_acadsharp_sample_AC1009_binary.dxf", "r12_acadsharp_sample_AC1009_ascii.dxf"},
        {"r2018_acadsharp_sample_AC1032_binary.dxf", "r2018_acadsharp_sample_AC1032_ascii.dxf"},
        {"r2000_acadsharp_sample_AC1015_binary.dxf", nullptr},
        {"r13_ezdxf_bin_dxf_r13.dxf", nullptr},
        {"r2000_ezdxf_bin_dxf_r2000.dxf", nullptr}};
    for (const auto& [binary, text] : files) {
      TempDir work;
      const fs::path copy = Convert(dxf / binary, work.path());
      ASSERT_FALSE(copy.empty()) << binary;
      std::u16string head;
      ASSERT_TRUE(ReadFileSignature(copy, head));
      EXPECT_FALSE(IsForeignHead(head)) << binary << ": the copy is a text DXF";
      std::u16string version, textVersion;
      const std::size_t entities = EntityCount(copy, version);
      EXPECT_GT(entities, 0u) << binary;
      if (text) {
        EXPECT_EQ(entities, EntityCount(dxf / text, textVersion)) << binary;
        EXPECT_EQ(version, textVersion) << binary;
      }
    }

    // Half a DWG file: both engines give up, nothing is left behind.
    const std::string whole = test::ReadFileBytes(test::CorpusDir() / "dwg" / "r2018_libredwg_example_2018.dwg");
    test::WriteFile(tmp / "half.dwg", whole.substr(0, whole.size() / 2));
    EXPECT_TRUE(Convert(tmp / "half.dwg", tmp / "work").empty());
    const std::string binary = test::ReadFileBytes(dxf / "r2000_ezdxf_bin_dxf_r2000.dxf");
    test::WriteFile(tmp / "half.dxf", binary.substr(0, binary.size() / 2));
    EXPECT_TRUE(Convert(tmp / "half.dxf", tmp / "work").empty());
  }
  // An upper-case name keeps its case, so the copy is found where the
  // work folder says it is.
  using namespace std::string_literals;
  test::WriteFile(tmp / "PLAN.DXF", "AutoCAD Binary DXF\r\n\x1a\0"s + "\0\0SECTION\0"s + "\2\0ENTITIES\0"s +
                                        "\0\0ENDSEC\0"s + "\0\0EOF\0"s);
  EXPECT_FALSE(Convert(tmp / "PLAN.DXF", tmp / "work").empty());
  test::WriteFile(tmp / "noise.dwg", std::string(4096, '\x5a'));
  EXPECT_TRUE(Convert(tmp / "noise.dwg", tmp / "work").empty());
}

}  // namespace
}  // namespace vantrel
