#include "app/WorkFolder.h"

#include <cctype>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include "model/FileNames.h"

namespace vantrel {

namespace fs = std::filesystem;

namespace {

constexpr char kDwgFolder[] = "dwg";
constexpr char kBinaryDxfFolder[] = "bindxf";
// A KEY folder's name: 16 hex digits for the source's path, "-", 16 for the
// path and its state.
constexpr std::size_t kKeyHalf = 16;

std::uint64_t Fnv1a(std::string_view bytes) {
  std::uint64_t h = 0xcbf29ce484222325ull;
  for (unsigned char c : bytes) {
    h ^= c;
    h *= 0x100000001b3ull;
  }
  return h;
}

std::string Hex(std::uint64_t value) {
  char text[kKeyHalf + 1];
  std::snprintf(text, sizeof text, "%016llx", static_cast<unsigned long long>(value));
  return text;
}

bool IsKeyName(const std::string& name) {
  if (name.size() != 2 * kKeyHalf + 1 || name[kKeyHalf] != '-') return false;
  for (std::size_t i = 0; i < name.size(); ++i)
    if (i != kKeyHalf && !std::isxdigit(static_cast<unsigned char>(name[i]))) return false;
  return true;
}

// The "*.dxf" files (or links) of one folder; folders are never touched.
void DeleteDxfFiles(const fs::path& folder) {
  std::error_code ec;
  fs::directory_iterator it(folder, ec);
  if (ec) return;
  std::vector<fs::path> doomed;
  for (; it != fs::directory_iterator(); it.increment(ec)) {
    if (ec) break;
    const fs::file_status status = it->symlink_status(ec);
    if (ec) continue;
    // A link is removed as a link.
    if (!fs::is_regular_file(status) && !fs::is_symlink(status)) continue;
    if (UpperExtension(it->path()) == ".DXF") doomed.push_back(it->path());
  }
  for (const fs::path& file : doomed) fs::remove(file, ec);
}

// The KEY folders of both copy folders, never reached through a link.
std::vector<fs::path> KeyFolders(const fs::path& WorkFolder) {
  std::vector<fs::path> found;
  for (const char* kind : {kDwgFolder, kBinaryDxfFolder}) {
    std::error_code ec;
    fs::directory_iterator it(WorkFolder / kind, ec);
    for (; !ec && it != fs::directory_iterator(); it.increment(ec))
      if (IsKeyName(it->path().filename().string()) && it->is_directory(ec) && !it->is_symlink(ec))
        found.push_back(it->path());
  }
  return found;
}

// A copy's folder goes with its copy; whatever else is in it (a converter
// still writing) keeps it.
void DeleteKeyFolder(const fs::path& folder) {
  DeleteDxfFiles(folder);
  ::rmdir(folder.c_str());
}

}  // namespace

fs::path ConverterWorkFolderFor(const char* xdgCacheHome, const char* home) {
  fs::path cache;
  if (xdgCacheHome && *xdgCacheHome && fs::path(xdgCacheHome).is_absolute()) {
    cache = xdgCacheHome;
  } else {
    std::string homeDir = home && *home ? home : "";
    if (homeDir.empty()) {
      if (const passwd* pw = getpwuid(getuid()); pw && pw->pw_dir) homeDir = pw->pw_dir;
    }
    // With no home at all there is still a folder of this user's own.
    if (homeDir.empty()) homeDir = (fs::temp_directory_path() / ("vantrel-" + std::to_string(getuid()))).string();
    cache = fs::path(homeDir) / ".cache";
  }
  return cache / "vantrel" / "dxf";
}

fs::path ConverterWorkFolder() {
  return ConverterWorkFolderFor(std::getenv("XDG_CACHE_HOME"), std::getenv("HOME"));
}

fs::path TempDxfPath(const fs::path& WorkFolder, const fs::path& Source) {
  std::error_code ec;
  const fs::path absolute = fs::absolute(Source, ec).lexically_normal();
  struct stat st;
  if (ec || ::stat(absolute.c_str(), &st) != 0) return {};
  const std::string& path = absolute.native();
  // The file number tells a file replaced by another of the same size and
  // time, as unpacking an archive over a folder makes.
  const std::string state = path + '\0' + std::to_string(st.st_size) + ' ' + std::to_string(st.st_mtim.tv_sec) +
                            ' ' + std::to_string(st.st_mtim.tv_nsec) + ' ' + std::to_string(st.st_ino) + ' ' +
                            std::to_string(st.st_dev);
  const std::string key = Hex(Fnv1a(path)) + '-' + Hex(Fnv1a(state));
  if (UpperExtension(Source) == ".DXF") return WorkFolder / kBinaryDxfFolder / key / Source.filename();
  return WorkFolder / kDwgFolder / key / (NameWithoutExtension(Source) + ".dxf");
}

void KeepCopyDropUnused(const fs::path& WorkFolder, const fs::path& Copy) {
  const fs::path keep = Copy.parent_path();
  std::error_code ec;
  if (fs::exists(Copy, ec))
    ::utimensat(AT_FDCWD, keep.c_str(), nullptr, 0);
  else
    ::rmdir(keep.c_str());
  // Copies kept without a KEY folder, as earlier versions did, are never
  // looked at again.
  for (const char* kind : {kDwgFolder, kBinaryDxfFolder}) DeleteDxfFiles(WorkFolder / kind);
  const std::string source = keep.filename().string().substr(0, kKeyHalf);
  const auto unusedSince = fs::file_time_type::clock::now() - std::chrono::hours(24 * kUnusedCopyDays);
  for (const fs::path& folder : KeyFolders(WorkFolder)) {
    if (folder == keep) continue;
    const auto used = fs::last_write_time(folder, ec);
    if (folder.filename().string().compare(0, kKeyHalf, source) == 0 || (!ec && used < unusedSince))
      DeleteKeyFolder(folder);
  }
}

bool EnsureWorkFolder(const fs::path& folder) {
  std::error_code ec;
  if (fs::is_directory(folder, ec)) return true;
  fs::create_directories(folder, ec);
  if (!fs::is_directory(folder, ec)) return false;
  fs::permissions(folder, fs::perms::owner_all, fs::perm_options::replace, ec);
  return true;
}

void DeleteTempDxf(const fs::path& WorkFolder) {
  for (const fs::path& folder : {WorkFolder, WorkFolder / kDwgFolder, WorkFolder / kBinaryDxfFolder})
    DeleteDxfFiles(folder);
  for (const fs::path& folder : KeyFolders(WorkFolder)) DeleteKeyFolder(folder);
}

}  // namespace vantrel
