#include "model/FileNames.h"

#include <string_view>

#include "model/TextCodec.h"

namespace vantrel {

std::string UpperAscii(std::string s) {
  for (char& c : s)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return s;
}

std::string UpperExtension(const std::filesystem::path& file) {
  const std::string name = file.filename().string();
  const auto dot = name.rfind('.');
  return dot == std::string::npos ? std::string() : UpperAscii(name.substr(dot));
}

std::string NameWithoutExtension(const std::filesystem::path& file) {
  std::string name = file.filename().string();
  const auto dot = name.rfind('.');
  if (dot != std::string::npos) name.resize(dot);
  return name;
}

namespace {

std::u16string NameText(std::string_view bytes) {
  std::u16string text = Utf8ToU16(bytes);
  // Ill-formed UTF-8 decodes to U+FFFD, which does not encode back to the
  // same bytes; a name that does round-trip is UTF-8.
  if (U16ToUtf8(text) == bytes) return text;
  return DecodeText(bytes, TextEncoding::Ansi);
}

}  // namespace

std::u16string PathText(const std::filesystem::path& path) {
  // Name by name: a folder made on this system holds UTF-8 names even when a
  // file unpacked into it does not.
  const std::string& bytes = path.native();
  std::u16string text;
  std::size_t start = 0;
  for (;;) {
    const std::size_t slash = bytes.find('/', start);
    text += NameText(std::string_view(bytes).substr(start, slash - start));
    if (slash == std::string::npos) return text;
    text += u'/';
    start = slash + 1;
  }
}

}  // namespace vantrel
