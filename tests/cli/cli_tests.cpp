// Guards vantrel-cli against breaking what scripts and file managers rely on: help and usage
// exits, a thumbnailer that reports success for no picture or hangs on a pipe, an abort on a
// display that is not there, a folder failed by one name that is not UTF-8, a render of
// one DWG that shows another of the same name, and vector renders in another format.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "support/TestSupport.h"

extern char** environ;

namespace vantrel {
namespace {

namespace fs = std::filesystem;
using test::ReadFileBytes;
using test::TempDir;
using test::WriteFile;

struct Outcome {
  int status = -1;  // the exit status; 124 when it had to be stopped
  std::string out, err;
};

// Runs vantrel-cli with args under a time limit, with the environment's
// variables replaced by env (an empty value removes one), in folder.
Outcome RunCli(const std::vector<std::string>& args, const fs::path& folder,
               const std::map<std::string, std::string>& env = {}) {
  std::vector<std::string> argv = {"timeout", "60", VANTREL_CLI};
  argv.insert(argv.end(), args.begin(), args.end());
  std::vector<std::string> vars;
  for (char** e = environ; *e; ++e) {
    const std::string var = *e;
    if (!env.contains(var.substr(0, var.find('=')))) vars.push_back(var);
  }
  for (const auto& [name, value] : env)
    if (!value.empty()) vars.push_back(name + "=" + value);
  std::vector<char*> argp, envp;
  for (std::string& a : argv) argp.push_back(a.data());
  for (std::string& v : vars) envp.push_back(v.data());
  argp.push_back(nullptr);
  envp.push_back(nullptr);
  const fs::path out = folder / ".out", err = folder / ".err";
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  posix_spawn_file_actions_addopen(&actions, 2, err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  const fs::path before = fs::current_path();
  fs::current_path(folder);
  pid_t pid = 0;
  const int spawned = posix_spawnp(&pid, "timeout", &actions, nullptr, argp.data(), envp.data());
  fs::current_path(before);
  posix_spawn_file_actions_destroy(&actions);
  Outcome o;
  int status = 0;
  if (spawned != 0 || waitpid(pid, &status, 0) != pid) return o;
  o.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  o.out = ReadFileBytes(out);
  o.err = ReadFileBytes(err);
  fs::remove(out);
  fs::remove(err);
  return o;
}

std::size_t Lines(const std::string& text) { return std::count(text.begin(), text.end(), '\n'); }

const std::string kDrawing = "0\nSECTION\n2\nENTITIES\n0\nLINE\n8\n0\n10\n0\n20\n0\n11\n100\n21\n50\n0\nENDSEC\n0\nEOF\n";

// Conversions of the tests go to a work folder of their own.
std::map<std::string, std::string> CacheIn(const TempDir& dir) { return {{"XDG_CACHE_HOME", (dir / "cache").string()}}; }

TEST(Cli, HelpVersionAndUnknownCommandsFollowTheConventions) {
  TempDir dir;
  for (const std::vector<std::string>& args :
       std::vector<std::vector<std::string>>{{"--help"}, {"-h"}, {"help"}}) {
    const Outcome o = RunCli(args, dir.path());
    EXPECT_EQ(o.status, 0) << args[0];
    EXPECT_EQ(o.out.rfind("usage: vantrel-cli COMMAND", 0), 0u) << args[0];
    EXPECT_NE(o.out.find("thumbnail"), std::string::npos);
    EXPECT_EQ(o.err, "");
  }
  for (const std::vector<std::string>& args :
       std::vector<std::vector<std::string>>{{"render", "--help"}, {"help", "render"}, {"render", "x.dxf", "-h"}}) {
    const Outcome o = RunCli(args, dir.path());
    EXPECT_EQ(o.status, 0);
    EXPECT_EQ(o.out.rfind("usage: vantrel-cli render ", 0), 0u) << o.out;
  }
  const Outcome thumbsHelp = RunCli({"thumbs", "--help"}, dir.path());
  EXPECT_NE(thumbsHelp.out.find("NAME_DXF.bmp or\n                  NAME_DWG.bmp beside the drawings"),
            std::string::npos);
  const Outcome version = RunCli({"--version"}, dir.path());
  EXPECT_EQ(version.status, 0);
  EXPECT_EQ(version.out.rfind("vantrel-cli 20", 0), 0u);

  const Outcome bogus = RunCli({"bogus"}, dir.path());
  EXPECT_EQ(bogus.status, 2);
  EXPECT_EQ(bogus.err.rfind("vantrel-cli: unknown command: bogus\nusage: ", 0), 0u) << bogus.err;
  EXPECT_EQ(bogus.out, "");
  EXPECT_EQ(RunCli({}, dir.path()).status, 2);
  const Outcome badOption = RunCli({"render", "--bogus"}, dir.path());
  EXPECT_EQ(badOption.status, 2);
  EXPECT_EQ(badOption.err.rfind("vantrel-cli render: unknown option --bogus\nusage: vantrel-cli render ", 0), 0u);

  // "--" ends the options: a file named like one is a file.
  WriteFile(dir / "-o.dxf", kDrawing);
  const Outcome dashed = RunCli({"render", "-q", "-o", "x.png", "--", "-o.dxf"}, dir.path());
  EXPECT_EQ(dashed.status, 0) << dashed.err;
  EXPECT_EQ(dashed.out, "");
  EXPECT_TRUE(fs::exists(dir / "x.png"));
}

TEST(Cli, RenderNeedsNoDisplayAndSaysWhenNothingWasDrawn) {
  TempDir dir;
  WriteFile(dir / "a.dxf", kDrawing);
  WriteFile(dir / "empty.dxf", "0\nSECTION\n2\nENTITIES\n0\nENDSEC\n0\nEOF\n");
  // A display that is not there, as a stale DISPLAY of an ended session.
  const Outcome o = RunCli({"render", "a.dxf", "-o", "a.png"}, dir.path(), {{"DISPLAY", ":99"}, {"QT_QPA_PLATFORM", ""}});
  EXPECT_EQ(o.status, 0) << o.err;
  EXPECT_EQ(o.out, "a.png: 1 entities drawn ()\n");
  EXPECT_EQ(o.err, "");
  EXPECT_EQ(ReadFileBytes(dir / "a.png").substr(1, 3), "PNG");
  // The vector formats come from the image export's recording.
  const std::pair<const char*, std::pair<std::size_t, std::string>> vectors[] = {
      {"a.emf", {40, " EMF"}}, {"a.wmf", {0, "\xD7\xCD\xC6\x9A"}}, {"a.pdf", {0, "%PDF"}}, {"a.svg", {0, "<?xml"}}};
  for (const auto& [name, signature] : vectors) {
    const Outcome v = RunCli({"render", "a.dxf", "-q", "-o", name}, dir.path());
    EXPECT_EQ(v.status, 0) << name << v.err;
    EXPECT_EQ(ReadFileBytes(dir / name).substr(signature.first, signature.second.size()), signature.second) << name;
  }

  const Outcome empty = RunCli({"render", "empty.dxf", "-o", "e.bmp", "--quiet"}, dir.path());
  EXPECT_EQ(empty.status, 0);
  EXPECT_EQ(empty.out, "");
  EXPECT_EQ(empty.err, "vantrel-cli render: empty.dxf: nothing was drawn\n");
  EXPECT_EQ(ReadFileBytes(dir / "e.bmp").substr(0, 2), "BM");
}

TEST(Cli, ThumbnailFailsWithOneLineAndNoPictureForWhatGivesNone) {
  TempDir dir;
  WriteFile(dir / "good.dxf", kDrawing);
  WriteFile(dir / "empty.dxf", "");
  WriteFile(dir / "nothing.dxf", "0\nSECTION\n2\nENTITIES\n0\nENDSEC\n0\nEOF\n");
  WriteFile(dir / "junk.dwg", std::string(3000, 'j'));
  WriteFile(dir / "binary.dxf", "AutoCAD Binary DXF\r\n\x1a" + std::string(100, '\x01'));
  ASSERT_EQ(mkfifo((dir / "pipe.dxf").c_str(), 0600), 0);
  for (const char* input : {"missing.dxf", "empty.dxf", "nothing.dxf", "junk.dwg", "binary.dxf", "pipe.dxf"}) {
    const Outcome o = RunCli({"thumbnail", "-s", "64", input, "out.png"}, dir.path(), CacheIn(dir));
    EXPECT_EQ(o.status, 1) << input;
    EXPECT_EQ(Lines(o.err), 1u) << input << ": " << o.err;
    EXPECT_EQ(o.err.rfind(std::string("vantrel-cli thumbnail: ") + input + ": ", 0), 0u) << o.err;
    EXPECT_FALSE(fs::exists(dir / "out.png")) << input;
  }
  const Outcome noFolder = RunCli({"thumbnail", "-s", "64", "good.dxf", "no/out.png"}, dir.path());
  EXPECT_EQ(noFolder.status, 1);
  EXPECT_EQ(noFolder.err, "vantrel-cli thumbnail: no/out.png: cannot be written\n");

  const std::string uri = "file://" + (dir / "good.dxf").string();
  const Outcome good = RunCli({"thumbnail", "-s", "64", uri, "out.png"}, dir.path());
  EXPECT_EQ(good.status, 0) << good.err;
  EXPECT_EQ(good.err, "");
  EXPECT_EQ(ReadFileBytes(dir / "out.png").substr(1, 3), "PNG");
}

TEST(Cli, ThumbsListsEveryNameAndFailsTheFilesWithoutImagesOneByOne) {
  TempDir dir;
  fs::create_directories(dir / "in");
  const std::string sjis = "\x90\x7d\x96\xca.dxf";  // 図面.dxf in code page 932
  WriteFile(dir / "in" / sjis, kDrawing);
  WriteFile(dir / "in" / "tab\tname.dxf", kDrawing);
  WriteFile(dir / "in" / "binary.dxf", "AutoCAD Binary DXF\r\n\x1a" + std::string(100, '\x01'));
  const Outcome o = RunCli({"thumbs", "in", "-o", "out"}, dir.path());
  EXPECT_EQ(o.status, 1);
  EXPECT_EQ(o.err, "vantrel-cli thumbs: in/binary.dxf: no image: a binary DXF file gets none\n");
  EXPECT_EQ(Lines(o.out), 3u) << o.out;
  EXPECT_NE(o.out.find("tab\\tname.dxf\tversion="), std::string::npos) << o.out;
  EXPECT_NE(o.out.find("図面.dxf\tversion="), std::string::npos) << o.out;
  EXPECT_TRUE(fs::exists(dir / "out" / (sjis + ".png")));
  EXPECT_EQ(RunCli({"thumbs", "in", "--write-cache"}, dir.path()).status, 1);
  EXPECT_TRUE(fs::exists(dir / "in" / "\x90\x7d\x96\xca_DXF.bmp"));
}

// Two drawings of one name in two folders, converted by the bundled
// converter: each shows its own.
TEST(Cli, RenderOfSameNamedDrawingsShowsEachItsOwn) {
  const fs::path converter = test::SourceDir() / "tools" / "dwg2dxf";
  if (test::CorpusDir().empty()) GTEST_SKIP() << "no corpus";
  if (std::system("node --version > /dev/null 2>&1") != 0 || !fs::exists(converter / "node_modules"))
    GTEST_SKIP() << "the converter is not installed";
  TempDir dir;
  const char* sources[] = {"r2018_libredwg_Line.dwg", "r13_libredwg_example_r13.dwg"};
  std::string drawn[2];
  for (int i = 0; i < 2; ++i) {
    const fs::path folder = dir / (i == 0 ? "a" : "b");
    fs::create_directories(folder);
    fs::copy_file(test::CorpusDir() / "dwg" / sources[i], folder / "plan.dwg");
    const Outcome o = RunCli({"render", (folder / "plan.dwg").string(), "-o", "p.png"}, dir.path(), CacheIn(dir));
    EXPECT_EQ(o.status, 0) << o.err;
    drawn[i] = o.out;
  }
  EXPECT_NE(drawn[0], drawn[1]);
}

}  // namespace
}  // namespace vantrel
