#include "app/ReplaceFile.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <random>
#include <string>
#include <system_error>

namespace vantrel {

namespace fs = std::filesystem;

bool ReplaceFileContents(const fs::path& file, std::span<const char> bytes) {
  std::random_device random;
  // Hidden and with an extension of its own, so no folder scan or batch job
  // picks a leftover up.
  std::string tempName = ".";
  tempName += file.filename().string();
  tempName += ".tmp";
  tempName += std::to_string(random());
  tempName += std::to_string(random());
  const fs::path temp = file.parent_path() / tempName;
  // Only a file made here and now is written: whatever already has the
  // temporary name, a link to a user's file above all, is left alone.
  const int fd = open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644);
  if (fd < 0) return false;
  bool written = true;
  for (std::size_t done = 0; written && done < bytes.size();) {
    const ssize_t n = write(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0 && errno == EINTR) continue;
    written = n > 0;
    if (written) done += static_cast<std::size_t>(n);
  }
  written = close(fd) == 0 && written;
  std::error_code ec;
  if (!written) {
    fs::remove(temp, ec);
    return false;
  }
  fs::rename(temp, file, ec);
  if (ec) {
    fs::remove(temp, ec);
    return false;
  }
  return true;
}

}  // namespace vantrel
