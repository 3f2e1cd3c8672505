#include "model/DwgThumbnailUnit.h"

#include <algorithm>
#include <cstdint>
#include <fstream>
#include <string>
#include <system_error>
#include <vector>

#include "model/BmpFormat.h"
#include "model/SilentAbort.h"

namespace vantrel {

namespace {

constexpr int kLastReleaseWithoutPreview = 1012;  // R13
constexpr std::uint64_t kVersionDigitsAt = 2;
constexpr std::uint64_t kImageSectionAddressAt = 13;
constexpr std::uint64_t kEntryCountInSection = 20;
constexpr std::uint64_t kSecondEntryInSection = 30;
constexpr std::uint8_t kBmpEntry = 2;
constexpr std::uint8_t kPngEntry = 6;
constexpr std::uint64_t kChunkBytes = 1024 * 1024;
// The fixed pixel offset of the usual 8-bit preview with its full colour
// table; used only when the DIB header cannot be read, which then fails to
// decode anyway.
constexpr std::uint32_t kUsualPixelOffset = 1078;
// No preview comes near this; a larger claim is a damaged file, however big
// the file itself is.
constexpr std::uint64_t kMaxImageBytes = 256 * 1024 * 1024;

// Every offset and size comes from the file, so each read is checked against
// the file's real length before anything is allocated or read for it.
class PreviewFile {
 public:
  explicit PreviewFile(const std::filesystem::path& name) : in_(name, std::ios::binary) {
    // A folder opens as a stream here and claims an endless size.
    std::error_code ec;
    if (!in_ || std::filesystem::is_directory(name, ec)) throw SilentAbort{};
    in_.seekg(0, std::ios::end);
    const std::streamoff end = in_.tellg();
    if (!in_ || end < 0) throw SilentAbort{};
    size_ = static_cast<std::uint64_t>(end);
  }

  std::uint64_t size() const { return size_; }

  void Read(std::uint64_t offset, std::uint64_t count, std::uint8_t* dest) {
    if (offset > size_ || count > size_ - offset) throw SilentAbort{};
    in_.seekg(static_cast<std::streamoff>(offset));
    std::uint64_t done = 0;
    while (done < count) {
      const std::uint64_t piece = std::min(count - done, kChunkBytes);
      in_.read(reinterpret_cast<char*>(dest + done), static_cast<std::streamsize>(piece));
      if (static_cast<std::uint64_t>(in_.gcount()) != piece) throw SilentAbort{};
      done += piece;
    }
  }

  std::uint8_t U8(std::uint64_t offset) {
    std::uint8_t b = 0;
    Read(offset, 1, &b);
    return b;
  }

  std::uint32_t U32(std::uint64_t offset) {
    std::uint8_t b[4];
    Read(offset, 4, b);
    return U32At(b, 0);
  }

 private:
  std::ifstream in_;
  std::uint64_t size_ = 0;
};

// The release number from "AC1015": the four characters after "AC", up to a
// zero byte; 0 when they are not a decimal number (a DXF file, for one).
int ReleaseNumber(const std::uint8_t (&digits)[4]) {
  std::string text;
  for (std::uint8_t c : digits) {
    if (c == 0) break;
    text.push_back(static_cast<char>(c));
  }
  std::size_t i = 0;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  if (i == text.size()) return 0;
  int value = 0;
  for (; i < text.size(); ++i) {
    if (text[i] < '0' || text[i] > '9') return 0;
    value = value * 10 + (text[i] - '0');
  }
  return negative ? -value : value;
}

}  // namespace

bool ReadDwgPreview(const std::filesystem::path& FileName, RgbBitmap& Bitmap) {
  PreviewFile file(FileName);

  std::uint8_t digits[4];
  file.Read(kVersionDigitsAt, 4, digits);
  if (ReleaseNumber(digits) <= kLastReleaseWithoutPreview) return true;

  const std::uint64_t section = file.U32(kImageSectionAddressAt);
  // An empty directory is a drawing saved without a preview, like one of a
  // release before previews; the bytes where the second entry would be
  // belong to something else and must not be taken for an image.
  if (file.U8(section + kEntryCountInSection) == 0) return true;
  const std::uint64_t entry = section + kSecondEntryInSection;
  const std::uint8_t type = file.U8(entry);
  const std::uint64_t dataAt = file.U32(entry + 1);
  const std::uint64_t dataSize = file.U32(entry + 5);
  if (type != kBmpEntry && type != kPngEntry) return true;

  if (dataSize == 0 || dataSize > kMaxImageBytes || dataAt > file.size() ||
      dataSize > file.size() - dataAt)
    throw SilentAbort{};

  RgbBitmap image;
  bool decoded = false;
  if (type == kBmpEntry) {
    // The preview is a bare DIB; a file header goes in front of it. The
    // pixels follow the colour table, whose size the DIB header tells: 1078
    // for the usual 8-bit preview, less for 24- and 32-bit ones.
    std::vector<std::uint8_t> bmp(kBmpFileHeaderSize + dataSize);
    file.Read(dataAt, dataSize, bmp.data() + kBmpFileHeaderSize);
    std::uint32_t pixelOffset =
        DibPixelOffset(std::span<const std::uint8_t>(bmp).subspan(kBmpFileHeaderSize));
    pixelOffset = pixelOffset != 0 ? kBmpFileHeaderSize + pixelOffset : kUsualPixelOffset;
    PutBmpFileHeader(bmp, pixelOffset);
    decoded = DecodeBmp(bmp, image);
  } else {
    std::vector<std::uint8_t> png(dataSize);
    file.Read(dataAt, dataSize, png.data());
    decoded = DecodePng(png, image);
  }
  if (!decoded) throw SilentAbort{};
  Bitmap = std::move(image);
  return true;
}

}  // namespace vantrel
