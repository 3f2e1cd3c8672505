// The folders the tree shows, as the file dialogs of this platform present
// them: one top node "デスクトップ" whose children are the user's home folder
// and the root of the file system, and below those ordinary folders, hidden
// ones left out, sorted as file dialogs sort. Kept apart from the tree
// widget so the rules can be checked without a window.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace vantrel {

struct ShellFolder {
  std::filesystem::path path;  // empty for the desktop, which names no folder
  std::u16string name;         // as the tree shows it
  bool desktop = false;
};

ShellFolder DesktopFolder();
// An existing folder (a link to one counts); nullopt for anything else.
std::optional<ShellFolder> FolderAt(const std::filesystem::path& path);
// The name a folder is shown under: "/" for the root, else its last name.
std::u16string FolderDisplayName(const std::filesystem::path& path);

// The children of a folder, sorted; nullopt when it cannot be read. The
// desktop's children are home and "/".
std::optional<std::vector<ShellFolder>> ChildFolders(const ShellFolder& folder,
                                                     const std::filesystem::path& home);
// Whether the folder has a child the tree would show (the expand button).
bool HasSubfolders(const ShellFolder& folder);

// Sorts as the platform's file dialogs do: ignoring case, digits by value.
void SortFolders(std::vector<ShellFolder>& folders);

// Renames folder within its parent to newName; the new path, or nullopt
// when the name is not a plain name or the rename fails. Never replaces
// anything that already has the new name.
std::optional<std::filesystem::path> RenameFolder(const std::filesystem::path& folder,
                                                  const std::u16string& newName);

}  // namespace vantrel
