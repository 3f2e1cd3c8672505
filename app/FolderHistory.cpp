#include "app/FolderHistory.h"

#include <algorithm>

namespace vantrel {

namespace {

void RemoveAt(FolderHistory& h, int index) {
  for (int k = index; k < kHistoryCount - 1; ++k) h.paths[k] = h.paths[k + 1];
  h.paths[kHistoryCount - 1].clear();
}

int IndexOf(const FolderHistory& h, const std::string& folder) {
  const auto it = std::find(h.paths.begin(), h.paths.end(), folder);
  return it == h.paths.end() ? -1 : static_cast<int>(it - h.paths.begin());
}

}  // namespace

void RefreshHistoryVisibility(FolderHistory& h) {
  h.separatorVisible = false;
  for (int i = 0; i < kHistoryCount; ++i) {
    h.visible[i] = !h.paths[i].empty();
    h.separatorVisible = h.separatorVisible || h.visible[i];
  }
}

void AddToHistory(FolderHistory& h, const std::string& folder) {
  if (folder.empty()) return;
  if (const int at = IndexOf(h, folder); at >= 0) RemoveAt(h, at);
  for (int k = kHistoryCount - 1; k > 0; --k) h.paths[k] = h.paths[k - 1];
  h.paths[0] = folder;
  RefreshHistoryVisibility(h);
}

void RemoveFromHistory(FolderHistory& h, const std::string& folder) {
  if (folder.empty()) return;
  if (const int at = IndexOf(h, folder); at >= 0) RemoveAt(h, at);
  RefreshHistoryVisibility(h);
}

void DropVanishedHistoryItem(FolderHistory& h, int index) {
  if (index < 0 || index >= kHistoryCount) return;
  RemoveAt(h, index);
  for (int i = 0; i < kHistoryCount; ++i) h.visible[i] = h.paths[i].size() > 3;
}

}  // namespace vantrel
