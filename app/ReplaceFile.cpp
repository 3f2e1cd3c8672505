#include "app/ReplaceFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <random>
#include <string>
#include <system_error>

namespace vantrel {

namespace fs = std::filesystem;

bool ReplaceFileWith(const fs::path& file,
                     const std::function<bool(const std::function<bool(std::span<const char>)>& put)>& write,
                     mode_t mode) {
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
  const int fd = open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
  if (fd < 0) return false;
  bool written = true;
  auto put = [&](std::span<const char> bytes) {
    for (std::size_t done = 0; written && done < bytes.size();) {
      const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
      if (n < 0 && errno == EINTR) continue;
      written = n > 0;
      if (written) done += static_cast<std::size_t>(n);
    }
    return written;
  };
  written = write(put) && written;
  written = fchmod(fd, mode) == 0 && written;
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

bool ReplaceFileContents(const fs::path& file, std::span<const char> bytes, mode_t mode) {
  return ReplaceFileWith(file, [&](const auto& put) { return put(bytes); }, mode);
}

}  // namespace vantrel
