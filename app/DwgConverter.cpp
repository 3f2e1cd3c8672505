#include "app/DwgConverter.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <system_error>
#include <thread>

#include <fcntl.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "app/WorkFolder.h"

extern char** environ;

namespace vantrel {

namespace fs = std::filesystem;

namespace {

constexpr char16_t kStartFailedText[] = u"起動に失敗しました．";
constexpr char16_t kStartFailedCaption[] = u"エラー";
// What exec-ing shells and env answer for an interpreter that is missing or
// cannot run: the converter never really started.
constexpr int kExitCannotExecute = 126;
constexpr int kExitNotFound = 127;

bool IsFile(const fs::path& p) {
  std::error_code ec;
  return fs::is_regular_file(p, ec);
}

// Folders as the converter gets them: no trailing separator, except "/".
std::string FolderArgument(fs::path folder) {
  std::string s = folder.lexically_normal().string();
  while (s.size() > 1 && s.back() == '/') s.pop_back();
  return s.empty() ? std::string(".") : s;
}

// The converter runs in a process group of its own, so that stopping it also
// stops whatever engines it started.
void StopConverter(pid_t pid) {
  kill(-pid, SIGTERM);
  for (int i = 0; i < 100; ++i) {
    if (waitpid(pid, nullptr, WNOHANG) != 0) return;
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  kill(-pid, SIGKILL);
  while (waitpid(pid, nullptr, 0) < 0 && errno == EINTR) {
  }
}

class SpawnSetup {
 public:
  // errorFd, when not negative, receives the converter's standard error.
  SpawnSetup(bool show, int errorFd) {
    posix_spawn_file_actions_init(&actions_);
    posix_spawnattr_init(&attr_);
    posix_spawn_file_actions_addopen(&actions_, 0, "/dev/null", O_RDONLY, 0);
    if (!show) {
      posix_spawn_file_actions_addopen(&actions_, 1, "/dev/null", O_WRONLY, 0);
      posix_spawn_file_actions_adddup2(&actions_, errorFd >= 0 ? errorFd : 1, 2);
    }
    // A window program may block or catch signals; the converter starts
    // with the defaults of a program started from a shell.
    sigset_t none, defaults;
    sigemptyset(&none);
    sigemptyset(&defaults);
    for (int sig : {SIGPIPE, SIGINT, SIGTERM, SIGHUP, SIGCHLD, SIGQUIT}) sigaddset(&defaults, sig);
    posix_spawnattr_setsigmask(&attr_, &none);
    posix_spawnattr_setsigdefault(&attr_, &defaults);
    posix_spawnattr_setpgroup(&attr_, 0);
    posix_spawnattr_setflags(&attr_, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF |
                                         POSIX_SPAWN_SETPGROUP);
  }
  ~SpawnSetup() {
    posix_spawn_file_actions_destroy(&actions_);
    posix_spawnattr_destroy(&attr_);
  }
  SpawnSetup(const SpawnSetup&) = delete;
  SpawnSetup& operator=(const SpawnSetup&) = delete;

  const posix_spawn_file_actions_t* actions() const { return &actions_; }
  const posix_spawnattr_t* attr() const { return &attr_; }

 private:
  posix_spawn_file_actions_t actions_;
  posix_spawnattr_t attr_;
};

bool ReportStartFailure(Reporter& reporter) {
  reporter.Message(kStartFailedText, kStartFailedCaption, MsgIcon::Error, MsgButtons::Ok);
  return false;
}

// An unnamed file for the converter's standard error: a pipe would have to
// be drained while waiting, and a converter may write without end.
class ErrorFile {
 public:
  ErrorFile() {
    std::error_code ec;
    const fs::path folder = fs::temp_directory_path(ec);
    fd_ = ::open(folder.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
    if (fd_ < 0) {  // a file system without unnamed files
      std::string name = (folder / "vantrel-XXXXXX").string();
      fd_ = ::mkostemp(name.data(), O_CLOEXEC);
      if (fd_ >= 0) ::unlink(name.c_str());
    }
  }
  ~ErrorFile() {
    if (fd_ >= 0) ::close(fd_);
  }
  ErrorFile(const ErrorFile&) = delete;
  ErrorFile& operator=(const ErrorFile&) = delete;
  int fd() const { return fd_; }

  // The last line that holds more than blanks, from the file's last 4 KiB,
  // at most kMaxReasonBytes long.
  std::string LastLine() const {
    struct stat st;
    if (fd_ < 0 || ::fstat(fd_, &st) != 0) return {};
    std::string tail(static_cast<std::size_t>(std::min<off_t>(st.st_size, 4096)), '\0');
    const ssize_t n = ::pread(fd_, tail.data(), tail.size(), st.st_size - static_cast<off_t>(tail.size()));
    tail.resize(n > 0 ? static_cast<std::size_t>(n) : 0);
    const std::size_t end = tail.find_last_not_of(" \t\r\n");
    if (end == std::string::npos) return {};
    const std::size_t lineEnd = tail.find_last_of("\r\n", end);
    const std::size_t start = lineEnd == std::string::npos ? 0 : lineEnd + 1;
    return tail.substr(start, std::min(end + 1 - start, kMaxReasonBytes));
  }

 private:
  static constexpr std::size_t kMaxReasonBytes = 300;
  int fd_ = -1;
};

}  // namespace

fs::path BundledConverterPathFrom(const fs::path& executable, const fs::path& buildTree,
                                  const fs::path& sourceTree) {
  const fs::path installed =
      executable.parent_path().parent_path() / "share" / "vantrel" / "dwg2dxf" / "dwg2dxf";
  if (IsFile(installed)) return installed;
  if (buildTree.empty() || sourceTree.empty()) return {};
  std::error_code ec1, ec2;
  const fs::path inBuild =
      fs::weakly_canonical(executable, ec1).lexically_relative(fs::weakly_canonical(buildTree, ec2));
  if (ec1 || ec2 || inBuild.empty() || *inBuild.begin() == "..") return {};
  const fs::path inTree = sourceTree / "tools" / "dwg2dxf" / "dwg2dxf";
  return IsFile(inTree) ? inTree : fs::path();
}

fs::path BundledConverterPath() {
  std::error_code ec;
  const fs::path self = fs::read_symlink("/proc/self/exe", ec);
  return ec ? fs::path() : BundledConverterPathFrom(self, VANTREL_BUILD_TREE, VANTREL_SOURCE_TREE);
}

fs::path ConverterToUse(const ConverterSettings& settings) {
  return settings.TeighaExePath.empty() ? BundledConverterPath() : settings.TeighaExePath;
}

std::vector<std::string> ConverterArguments(const fs::path& SourcePath, const fs::path& OutputFolder) {
  std::error_code ec;
  fs::path source = fs::absolute(SourcePath, ec);
  if (ec) source = SourcePath;
  return {FolderArgument(source.parent_path()),
          FolderArgument(OutputFolder),
          "ACAD2000",
          "DXF",
          "0",
          "0",
          source.filename().string()};
}

bool DwgToDxf(const fs::path& ExePath, const fs::path& SourcePath, const fs::path& OutputFolder,
              EventPump& pump, Reporter& reporter, bool Show, const std::function<bool()>& closing,
              std::string* lastErrorLine) {
  // A converter that cannot write there simply writes nothing.
  EnsureWorkFolder(OutputFolder);

  const std::string exe = ExePath.string();
  std::vector<std::string> args = ConverterArguments(SourcePath, OutputFolder);
  std::vector<char*> argv;
  argv.push_back(const_cast<char*>(exe.c_str()));
  for (std::string& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);

  std::optional<ErrorFile> errors;
  if (lastErrorLine && !Show) errors.emplace();
  pid_t pid = 0;
  {
    SpawnSetup setup(Show, errors ? errors->fd() : -1);
    if (const int failure = posix_spawn(&pid, exe.c_str(), setup.actions(), setup.attr(), argv.data(), environ)) {
      if (lastErrorLine) *lastErrorLine = exe + ": " + std::strerror(failure);
      return ReportStartFailure(reporter);
    }
  }

  int status = 0;
  for (;;) {
    const pid_t done = waitpid(pid, &status, WNOHANG);
    if (done == pid) break;
    if (done < 0 && errno != EINTR) {
      status = 0;
      break;
    }
    if (closing && closing()) {
      StopConverter(pid);
      return true;
    }
    try {
      pump.ProcessMessages();
    } catch (...) {
      StopConverter(pid);
      throw;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  std::this_thread::sleep_for(std::chrono::milliseconds(1));
  if (errors) *lastErrorLine = errors->LastLine();
  if (WIFEXITED(status) &&
      (WEXITSTATUS(status) == kExitCannotExecute || WEXITSTATUS(status) == kExitNotFound))
    return ReportStartFailure(reporter);
  return true;
}

}  // namespace vantrel
