// The converter's work folder: converted copies of DWG and binary DXF files
// live there until the next folder scan. It belongs to this program alone, so
// clearing it can never touch a drawing of the user's.
#pragma once

#include <filesystem>

namespace vantrel {

// $XDG_CACHE_HOME/vantrel/dxf, or ~/.cache/vantrel/dxf when that variable is
// unset, empty or relative (as the XDG base directory rules say).
std::filesystem::path ConverterWorkFolder();
// The same rule over given values; either may be null.
std::filesystem::path ConverterWorkFolderFor(const char* xdgCacheHome, const char* home);

// Where the converted copy of Source is kept: a DWG file's name with ".dxf"
// in place of its extension in WorkFolder/dwg; a binary DXF (any ".dxf" name)
// under its own name in WorkFolder/bindxf, so that plan.dwg and a binary
// plan.dxf of the same folder never share a copy.
std::filesystem::path TempDxfPath(const std::filesystem::path& WorkFolder,
                                  const std::filesystem::path& Source);

// Creates the folder (and its parents) readable by the user alone; true when
// it exists afterwards.
bool EnsureWorkFolder(const std::filesystem::path& folder);

// Deletes the files matching "*.dxf" (in any case) of WorkFolder and of its
// two copy folders; nothing else, and nothing anywhere else.
void DeleteTempDxf(const std::filesystem::path& WorkFolder);

}  // namespace vantrel
