// Replacing a file's contents without ever leaving half of it: the bytes go
// to a fresh temporary file beside it, which is then renamed over it.
#pragma once

#include <sys/types.h>

#include <filesystem>
#include <functional>
#include <span>

namespace vantrel {

// False when the file cannot be written; the old file, if any, is then left
// as it was and no temporary file remains. The new file gets mode.
bool ReplaceFileContents(const std::filesystem::path& file, std::span<const char> bytes, mode_t mode = 0644);

// The same with the bytes written by write, which gets a function that puts
// bytes into the temporary file and answers false once a write failed; a
// false from write itself abandons the replacement too.
bool ReplaceFileWith(const std::filesystem::path& file,
                     const std::function<bool(const std::function<bool(std::span<const char>)>& put)>& write,
                     mode_t mode = 0644);

}  // namespace vantrel
