// The folder scan behind the file list: which entries of a folder are
// drawings, in which order they are listed, and how their size and time
// read. The window and the command-line tool list folders through it.
#pragma once

#include <cstdint>
#include <ctime>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace vantrel {

struct FolderEntry {
  std::filesystem::path name;  // the name's own bytes: what opens the file
  std::u16string text;         // the name as the list shows it
  std::uint64_t size = 0;      // bytes; files of 2 GiB and more keep their size
  std::time_t time = 0;        // last write
};

// The drawings of a folder: files (or links to files) whose name ends in
// ".dxf" or ".dwg" in any case, sorted case-insensitively in the user's
// locale order. `visit` runs before each entry of the folder is looked at,
// with the number of drawings found so far; it may throw to abandon the
// scan. A folder that cannot be read gives what was found until then.
// anyCandidate, when given, tells whether any entry had a name of the form
// "*.d??" at all (".dxb" files and the like), which the status bar reports.
std::vector<FolderEntry> ScanDrawingFolder(const std::filesystem::path& folder,
                                           const std::function<void(int found)>& visit = {},
                                           bool* anyCandidate = nullptr);

// Sorts entries as the list shows them.
void SortForList(std::vector<FolderEntry>& entries);

// The size column: whole kibibytes followed by "KB".
std::u16string SizeText(std::uint64_t size);
// The time column: local time as "yyyy/mm/dd hh:mm".
std::u16string TimeText(std::time_t time);

}  // namespace vantrel
