#include "app/HeadlessWindow.h"

#include <algorithm>
#include <system_error>

#include "model/FileNames.h"

namespace vantrel {

namespace fs = std::filesystem;

HeadlessWindow::HeadlessWindow(const fs::path& folder, std::vector<std::u16string> names, QSize imageSize,
                               Reporter& messages)
    : folder_(folder.u16string()), imageSize_(imageSize), messages_(messages) {
  rows_.emplace_back(6);
  for (auto& n : names) {
    rows_.emplace_back(6);
    rows_.back()[kColName] = std::move(n);
  }
}

std::vector<std::u16string> DrawingsIn(const fs::path& folder) {
  std::vector<std::u16string> names;
  std::error_code ec;
  for (const auto& entry : fs::directory_iterator(folder, ec)) {
    if (!entry.is_regular_file(ec)) continue;
    const std::string ext = UpperExtension(entry.path());
    if (ext == ".DXF" || ext == ".DWG") names.push_back(entry.path().filename().u16string());
  }
  std::sort(names.begin(), names.end());
  return names;
}

}  // namespace vantrel
