#include "app/HeadlessWindow.h"

#include "app/FolderScan.h"
#include "model/FileNames.h"

namespace vantrel {

namespace fs = std::filesystem;

HeadlessWindow::HeadlessWindow(const fs::path& folder, std::vector<fs::path> names, QSize imageSize,
                               Reporter& messages)
    : folder_(folder), names_(std::move(names)), imageSize_(imageSize), messages_(messages) {
  rows_.emplace_back(6);
  for (const fs::path& n : names_) {
    rows_.emplace_back(6);
    rows_.back()[kColName] = PathText(n);
  }
}

std::vector<fs::path> DrawingsIn(const fs::path& folder) {
  std::vector<fs::path> names;
  for (FolderEntry& e : ScanDrawingFolder(folder)) names.push_back(std::move(e.name));
  return names;
}

}  // namespace vantrel
