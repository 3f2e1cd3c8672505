// The batch jobs of "一括処理" over the listed files of a folder: the release
// and code-page columns for every file, the list images written as cache
// files or deleted, and $DWGCODEPAGE rewritten to ANSI_932. They work on the
// file list of any LoadWindow, so the window and the command-line tool share
// them; questions and messages go through its Reporter.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "app/LoadSequence.h"

namespace vantrel {

inline constexpr char16_t kBatchCaption[] = u"Vantrel2023";

// Column 1 (and 4 for DWG heads) of every listed file.
void VersionScan(LoadWindow& window);
// Column 5 of every listed DXF file.
void CodePageScan(LoadWindow& window);

// Writes every list image beside its drawing, after asking. False when the
// user declined, there were no images, or a write failed (each reported).
bool CreateListImageFiles(LoadWindow& window, const std::vector<TDxfbmp>& DxfbmpAry);

// Deletes, after asking, the list-image cache files of the drawings in
// folder: NAME_DXF.bmp and NAME_DWG.bmp beside NAME.dxf and NAME.dwg.
// Returns how many went.
int DeleteListImageFiles(LoadWindow& window, const std::filesystem::path& folder);

struct CodePageRewrite {
  int changed = 0;
  int errors = 0;
};

// The $DWGCODEPAGE value of one DXF file set to ANSI_932: found as the first
// line that begins with "ANSI_" after a line "3" after a line "$DWGCODEPAGE"
// (both trimmed). Changed: line ends become CR LF, every other byte stays.
// The file is replaced through a temporary file only when that was written
// completely; a file the user may not write counts as an error and stays.
enum class RewriteResult { Unchanged, Changed, Error };
RewriteResult RewriteCodePage(const std::filesystem::path& file);

// Asks, rewrites every listed DXF file, scans the code pages again and
// reports the counts. answerYes skips the question (the command line's
// --yes).
CodePageRewrite RewriteCodePages(LoadWindow& window, bool answerYes = false);

}  // namespace vantrel
