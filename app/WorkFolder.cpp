#include "app/WorkFolder.h"

#include <cstdlib>
#include <string>
#include <system_error>
#include <vector>

#include <pwd.h>
#include <unistd.h>

#include "model/FileNames.h"

namespace vantrel {

namespace fs = std::filesystem;

namespace {

constexpr char kDwgFolder[] = "dwg";
constexpr char kBinaryDxfFolder[] = "bindxf";

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
  if (UpperExtension(Source) == ".DXF") return WorkFolder / kBinaryDxfFolder / Source.filename();
  return WorkFolder / kDwgFolder / (NameWithoutExtension(Source) + ".dxf");
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
  for (const fs::path& folder : {WorkFolder, WorkFolder / kDwgFolder, WorkFolder / kBinaryDxfFolder}) {
    std::error_code ec;
    fs::directory_iterator it(folder, ec);
    if (ec) continue;
    std::vector<fs::path> doomed;
    for (; it != fs::directory_iterator(); it.increment(ec)) {
      if (ec) break;
      const fs::file_status status = it->symlink_status(ec);
      if (ec) continue;
      // A link is removed as a link; folders are never touched.
      if (!fs::is_regular_file(status) && !fs::is_symlink(status)) continue;
      if (UpperExtension(it->path()) == ".DXF") doomed.push_back(it->path());
    }
    for (const fs::path& file : doomed) fs::remove(file, ec);
  }
}

}  // namespace vantrel
