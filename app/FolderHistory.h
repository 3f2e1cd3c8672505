// The folder history of the "ファイル" menu: sixteen items, most recent first,
// each holding a folder path (its bytes) or nothing. Kept apart from the
// menu so its rules can be checked without a window.
#pragma once

#include <array>
#include <string>

#include "app/Settings.h"

namespace vantrel {

struct FolderHistory {
  std::array<std::string, kHistoryCount> paths;
  std::array<bool, kHistoryCount> visible{};
  bool separatorVisible = false;
};

// Each item visible exactly when it holds a folder; the separator under them
// when any is.
void RefreshHistoryVisibility(FolderHistory& h);

// Puts folder first; an item already holding it moves up rather than
// appearing twice, and a seventeenth folder drops the oldest. Nothing for an
// empty folder.
void AddToHistory(FolderHistory& h, const std::string& folder);

// Takes folder out (later items move up). Nothing for an empty folder or one
// not in the history; the visibility is refreshed either way.
void RemoveFromHistory(FolderHistory& h, const std::string& folder);

// Item index named a folder that no longer exists: it goes, later items
// move up, and only items longer than three characters stay visible (so a
// drive or file-system root is hidden); the separator keeps its state.
void DropVanishedHistoryItem(FolderHistory& h, int index);

}  // namespace vantrel
