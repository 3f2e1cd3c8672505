// vantrel-cli versions, codepages and set-codepage: the batch jobs of the
// viewer's "一括処理" menu over a folder, without a window.
#include <cstdio>
#include <filesystem>
#include <string>
#include <system_error>

#include "app/BatchJobs.h"
#include "app/HeadlessWindow.h"
#include "cli/CliSupport.h"
#include "cli/Commands.h"

namespace vantrel::cli {

namespace {

namespace fs = std::filesystem;

// Reporter for a command that has said yes up front: messages go to
// stderr, the final count to stdout.
class BatchReporter : public StderrReporter {
 public:
  MsgResult Message(const std::u16string& text, const std::u16string& caption, MsgIcon icon,
                    MsgButtons buttons) override {
    if (buttons == MsgButtons::Ok && icon == MsgIcon::Information) {
      std::printf("%s\n", Printable(text).c_str());
      return MsgResult::Ok;
    }
    return StderrReporter::Message(text, caption, icon, buttons);
  }
};

enum class Job { Versions, CodePages, SetCodePage };

int RunBatch(const char* command, const Args& args, Job job) {
  SplitArguments split;
  std::string problem = Split(args, {{"--yes", false}}, split);
  const bool yes = !split.options.empty();
  if (problem.empty() && split.operands.size() != 1)
    problem = split.operands.empty() ? "no folder" : "more than one folder";
  if (problem.empty() && yes && job != Job::SetCodePage) problem = "--yes belongs to set-codepage";
  if (!problem.empty()) return UsageError(command, problem);
  const fs::path folder = split.operands[0];
  std::error_code ec;
  if (!fs::is_directory(folder, ec)) {
    std::fprintf(stderr, "vantrel-cli %s: %s: not a folder\n", command, ShownPath(folder).c_str());
    return 1;
  }
  BatchReporter reporter;
  HeadlessWindow window(folder, DrawingsIn(folder), QSize(200, 136), reporter);
  int status = 0;
  if (job == Job::Versions) {
    VersionScan(window);
  } else if (job == Job::CodePages) {
    CodePageScan(window);
  } else {
    if (!yes) {
      std::fprintf(stderr, "vantrel-cli %s: rewrites files in place; give --yes to go on\n", command);
      return 2;
    }
    status = RewriteCodePages(window, true).errors > 0 ? 1 : 0;
  }
  for (int row = 1; row < window.FileRowCount(); ++row) {
    const auto& cells = window.Row(row);
    if (job == Job::Versions)
      std::printf("%s\tversion=%s\tformat=%s\n", Printable(cells[kColName]).c_str(),
                  Printable(cells[kColVersion]).c_str(), Printable(cells[kColFormat]).c_str());
    else
      std::printf("%s\tcodepage=%s\n", Printable(cells[kColName]).c_str(), Printable(cells[kColCodePage]).c_str());
  }
  return status;
}

}  // namespace

int RunVersions(const Args& args) { return RunBatch("versions", args, Job::Versions); }
int RunCodePages(const Args& args) { return RunBatch("codepages", args, Job::CodePages); }
int RunSetCodePage(const Args& args) { return RunBatch("set-codepage", args, Job::SetCodePage); }

}  // namespace vantrel::cli
