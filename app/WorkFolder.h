// The converter's work folder: converted copies of DWG and binary DXF files
// live there until the next folder scan, or until nobody uses them. It belongs to this program alone, so
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
// in place of its extension in WorkFolder/dwg/KEY; a binary DXF (any ".dxf"
// name) under its own name in WorkFolder/bindxf/KEY, so that plan.dwg and a
// binary plan.dxf of the same folder never share a copy. KEY stands for the
// source's absolute path and its state (size, modification time, file
// number): a drawing of the same name in another folder, or the same file
// changed or replaced, gets a copy of its own. Empty when the source cannot
// be looked at.
std::filesystem::path TempDxfPath(const std::filesystem::path& WorkFolder,
                                  const std::filesystem::path& Source);

// Marks the copy as just used (a copy the converter did not make leaves no
// folder behind) and drops the copies nobody will use again: those of other
// states of the same source, those unused for kUnusedCopyDays, and those
// kept outside KEY folders. Copy is a path TempDxfPath gave.
inline constexpr int kUnusedCopyDays = 30;
void KeepCopyDropUnused(const std::filesystem::path& WorkFolder, const std::filesystem::path& Copy);

// Creates the folder (and its parents) readable by the user alone; true when
// it exists afterwards.
bool EnsureWorkFolder(const std::filesystem::path& folder);

// Deletes the files matching "*.dxf" (in any case) of WorkFolder, of its two
// copy folders and of their KEY folders, and the KEY folders left empty;
// nothing else, and nothing anywhere else.
void DeleteTempDxf(const std::filesystem::path& WorkFolder);

}  // namespace vantrel
