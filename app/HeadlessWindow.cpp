#include "app/HeadlessWindow.h"

#include <algorithm>
#include <system_error>

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
    std::u16string ext = entry.path().extension().u16string();
    for (char16_t& c : ext)
      if (c >= u'a' && c <= u'z') c = static_cast<char16_t>(c - 32);
    if (ext == u".DXF" || ext == u".DWG") names.push_back(entry.path().filename().u16string());
  }
  std::sort(names.begin(), names.end());
  return names;
}

}  // namespace vantrel
