#include "app/Settings.h"

#include <unistd.h>

#include <charconv>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <system_error>

#include "app/ReplaceFile.h"

namespace vantrel {

namespace fs = std::filesystem;

namespace {

constexpr std::string_view kBlanks = " \t\r\n\f\v";

std::string_view Trim(std::string_view s) {
  const auto first = s.find_first_not_of(kBlanks);
  if (first == std::string_view::npos) return {};
  return s.substr(first, s.find_last_not_of(kBlanks) - first + 1);
}

bool SameName(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    char x = a[i], y = b[i];
    if (x >= 'a' && x <= 'z') x = static_cast<char>(x - 32);
    if (y >= 'a' && y <= 'z') y = static_cast<char>(y - 32);
    if (x != y) return false;
  }
  return true;
}

// "[name]" gives name; anything else is not a section header.
std::optional<std::string_view> SectionName(std::string_view line) {
  line = Trim(line);
  if (line.size() < 2 || line.front() != '[') return std::nullopt;
  const auto close = line.find(']');
  if (close == std::string_view::npos) return std::nullopt;
  return Trim(line.substr(1, close - 1));
}

std::optional<std::string_view> KeyOf(std::string_view line) {
  const auto eq = line.find('=');
  if (eq == std::string_view::npos) return std::nullopt;
  return Trim(line.substr(0, eq));
}

// Blanks at either end would be trimmed away on reading, so such a value
// goes in quotes, which reading takes off again. A line break cannot be
// kept in this layout at all; the value is then left empty rather than
// breaking the file.
std::string StoredValue(std::string_view value) {
  if (value.find_first_of("\r\n") != std::string_view::npos) return {};
  const bool needsQuotes = !value.empty() && (kBlanks.find(value.front()) != std::string_view::npos ||
                                               kBlanks.find(value.back()) != std::string_view::npos ||
                                               (value.size() >= 2 && value.front() == '"' && value.back() == '"'));
  if (!needsQuotes) return std::string(value);
  return "\"" + std::string(value) + "\"";
}

}  // namespace

IniFile IniFile::FromText(std::string_view text) {
  IniFile ini;
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find('\n', start);
    if (end == std::string_view::npos) end = text.size();
    std::string_view line = text.substr(start, end - start);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    ini.lines_.emplace_back(line);
    start = end + 1;
  }
  return ini;
}

IniFile IniFile::Load(const fs::path& path) {
  std::error_code ec;
  // Settings are a few kilobytes; anything far larger is not ours to read.
  if (!fs::is_regular_file(path, ec) || fs::file_size(path, ec) > (1u << 20) || ec) return {};
  std::ifstream in(path, std::ios::binary);
  if (!in) return {};
  const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  return FromText(text);
}

std::size_t IniFile::FindSection(std::string_view section) const {
  for (std::size_t i = 0; i < lines_.size(); ++i) {
    const auto name = SectionName(lines_[i]);
    if (name && SameName(*name, section)) return i;
  }
  return std::string::npos;
}

std::optional<std::string> IniFile::Read(std::string_view section, std::string_view key) const {
  const std::size_t header = FindSection(section);
  if (header == std::string::npos) return std::nullopt;
  for (std::size_t i = header + 1; i < lines_.size() && !SectionName(lines_[i]); ++i) {
    const auto k = KeyOf(lines_[i]);
    if (!k || !SameName(*k, key)) continue;
    std::string_view value = Trim(std::string_view(lines_[i]).substr(lines_[i].find('=') + 1));
    if (value.size() >= 2 && value.front() == '"' && value.back() == '"') value = value.substr(1, value.size() - 2);
    return std::string(value);
  }
  return std::nullopt;
}

std::string IniFile::ReadString(std::string_view section, std::string_view key, const std::string& def) const {
  return Read(section, key).value_or(def);
}

int IniFile::ReadInteger(std::string_view section, std::string_view key, int def) const {
  const auto text = Read(section, key);
  if (!text || text->empty()) return def;
  std::string_view digits = *text;
  if (digits.front() == '+') digits.remove_prefix(1);
  int value = 0;
  const auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
  if (ec != std::errc() || end != digits.data() + digits.size()) return def;
  return value;
}

bool IniFile::ReadBool(std::string_view section, std::string_view key, bool def) const {
  return ReadInteger(section, key, def ? 1 : 0) != 0;
}

void IniFile::Write(std::string_view section, std::string_view key, std::string_view value) {
  const std::string line = std::string(key) + "=" + StoredValue(value);
  const std::size_t header = FindSection(section);
  if (header == std::string::npos) {
    // A trailing empty line of the text is the end of its last line.
    if (!lines_.empty() && lines_.back().empty()) lines_.pop_back();
    lines_.push_back("[" + std::string(section) + "]");
    lines_.push_back(line);
    return;
  }
  std::size_t end = header + 1;
  std::size_t lastContent = header;
  for (; end < lines_.size() && !SectionName(lines_[end]); ++end) {
    const auto k = KeyOf(lines_[end]);
    if (k && SameName(*k, key)) {
      lines_[end] = line;
      return;
    }
    if (!Trim(lines_[end]).empty()) lastContent = end;
  }
  lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(lastContent + 1), line);
}

void IniFile::WriteInteger(std::string_view section, std::string_view key, long long value) {
  Write(section, key, std::to_string(value));
}

void IniFile::WriteBool(std::string_view section, std::string_view key, bool value) {
  Write(section, key, value ? "1" : "0");
}

std::string IniFile::Text() const {
  std::string text;
  for (const std::string& line : lines_) {
    text += line;
    text += '\n';
  }
  return text;
}

bool IniFile::Save(const fs::path& path) const {
  const std::string text = Text();
  return ReplaceFileContents(path, std::span(text.data(), text.size()));
}

VantrelSettings ReadSettings(const IniFile& ini) {
  VantrelSettings s;
  if (ini.Read("Form", "Left")) s.Left = ini.ReadInteger("Form", "Left", 0);
  if (ini.Read("Form", "Top")) s.Top = ini.ReadInteger("Form", "Top", 0);
  s.Panel1Width = ini.ReadInteger("Form", "Panel1Width", s.Panel1Width);
  s.Panel4Height = ini.ReadInteger("Form", "Panel4Height", s.Panel4Height);
  s.Panel3Width = ini.ReadInteger("Form", "Panel3Width", s.Panel3Width);
  s.BaseFolade = ini.ReadString("TreeView", "BaseFolade", "");
  s.TeighaExePath = ini.ReadString("Teigha", "ExePath", "");
  s.TeighaShow = ini.ReadBool("Teigha", "Show", s.TeighaShow);
  s.DrawGridColWidth = ini.ReadInteger("Form", "DrawGridColWidth", s.DrawGridColWidth);
  s.DrawGridRowHeight = ini.ReadInteger("Form", "DrawGridRowHeight", s.DrawGridRowHeight);
  s.bltMode = ini.ReadInteger("DwgImage", "bltMode", s.bltMode);
  s.clipFlag = ini.ReadBool("DwgImage", "clipFlag", s.clipFlag);
  for (int i = 0; i < kHistoryCount; ++i) s.history[i] = ini.ReadString("Menu", "Path" + std::to_string(i), "");
  s.NEWJIS = ini.ReadBool("SQ", "NEWJIS", s.NEWJIS);
  s.OLDJIS = ini.ReadBool("SQ", "OLDJIS", s.OLDJIS);
  s.ShellPath = ini.Read("Shell", "Path");
  return s;
}

void WriteSettings(IniFile& ini, const VantrelSettings& s) {
  ini.WriteInteger("Form", "Left", s.Left.value_or(0));
  ini.WriteInteger("Form", "Top", s.Top.value_or(0));
  ini.Write("Shell", "Path", s.ShellPath.value_or(""));
  ini.WriteInteger("Form", "Panel1Width", s.Panel1Width);
  ini.WriteInteger("Page", "Tab", s.PageTab);
  for (int i = 0; i < kHistoryCount; ++i) ini.Write("Menu", "Path" + std::to_string(i), s.history[i]);
  ini.WriteInteger("Form", "DrawGridColWidth", s.DrawGridColWidth);
  ini.WriteInteger("Form", "DrawGridRowHeight", s.DrawGridRowHeight);
  ini.Write("TreeView", "BaseFolade", s.BaseFolade);
  ini.Write("Teigha", "ExePath", s.TeighaExePath);
  ini.WriteBool("Teigha", "Show", s.TeighaShow);
  ini.WriteBool("SQ", "NEWJIS", s.NEWJIS);
  ini.WriteBool("SQ", "OLDJIS", s.OLDJIS);
  ini.WriteInteger("DwgImage", "bltMode", s.bltMode);
  ini.WriteBool("DwgImage", "clipFlag", s.clipFlag);
}

fs::path SettingsFilePathFor(const fs::path& executable, const char* xdgConfigHome, const char* home) {
  const fs::path name = executable.filename().string() + ".ini";
  const fs::path beside = executable.parent_path();
  if (!beside.empty() && ::access(beside.c_str(), W_OK) == 0) return beside / name;
  fs::path config;
  if (xdgConfigHome && *xdgConfigHome && fs::path(xdgConfigHome).is_absolute())
    config = xdgConfigHome;
  else if (home && *home)
    config = fs::path(home) / ".config";
  else
    return beside / name;  // nowhere better; saving may then fail
  return config / "vantrel" / name;
}

fs::path SettingsFilePath(const fs::path& executable) {
  return SettingsFilePathFor(executable, std::getenv("XDG_CONFIG_HOME"), std::getenv("HOME"));
}

}  // namespace vantrel
