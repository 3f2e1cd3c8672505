// Replacing a file's contents without ever leaving half of it: the bytes go
// to a fresh temporary file beside it, which is then renamed over it.
#pragma once

#include <filesystem>
#include <span>

namespace vantrel {

// False when the file cannot be written; the old file, if any, is then left
// as it was and no temporary file remains.
bool ReplaceFileContents(const std::filesystem::path& file, std::span<const char> bytes);

}  // namespace vantrel
