#include "model/FileNames.h"

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

}  // namespace vantrel
