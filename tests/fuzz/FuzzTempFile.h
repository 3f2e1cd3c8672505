// The file-based parsers take a path, so each input is written to one
// temporary file per fuzzing process and probed there.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include <unistd.h>

namespace vantrel::fuzz {

inline std::filesystem::path gTempFile;

inline const std::filesystem::path& TempFilePath(const char* tag) {
  if (gTempFile.empty()) {
    gTempFile = std::filesystem::temp_directory_path() /
                ("vantrel-fuzz-" + std::string(tag) + "-" + std::to_string(getpid()));
    std::atexit([] { std::remove(gTempFile.c_str()); });
  }
  return gTempFile;
}

inline bool WriteTempFile(const std::filesystem::path& path, const std::uint8_t* data, std::size_t size) {
  std::FILE* f = std::fopen(path.c_str(), "wb");
  if (f == nullptr) return false;
  const bool ok = std::fwrite(data, 1, size, f) == size;
  return std::fclose(f) == 0 && ok;
}

}  // namespace vantrel::fuzz
