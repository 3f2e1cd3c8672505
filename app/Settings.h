// The settings file: the classic initialisation-file layout of the program's
// earlier releases ("[Section]" lines, then "key=value" lines), so a file a
// user kept from there reads the same. Keys are written as the profile
// functions of that platform write them: a key already present changes in
// place, a new key goes to the end of its section, a new section to the end
// of the file. Lines the program does not know are kept as they are.
#pragma once

#include <array>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vantrel {

class IniFile {
 public:
  // A missing or unreadable file gives an empty one.
  static IniFile Load(const std::filesystem::path& path);
  static IniFile FromText(std::string_view text);

  // Section and key names compare without regard to ASCII case. Values are
  // bytes, trimmed of blanks; a value in double quotes loses its quotes.
  std::optional<std::string> Read(std::string_view section, std::string_view key) const;
  std::string ReadString(std::string_view section, std::string_view key, const std::string& def) const;
  // Decimal, with an optional sign; anything else gives def.
  int ReadInteger(std::string_view section, std::string_view key, int def) const;
  // Any nonzero integer is true.
  bool ReadBool(std::string_view section, std::string_view key, bool def) const;

  void Write(std::string_view section, std::string_view key, std::string_view value);
  void WriteInteger(std::string_view section, std::string_view key, long long value);
  void WriteBool(std::string_view section, std::string_view key, bool value);

  std::string Text() const;
  // Writes a temporary file beside path and renames it over path, so a
  // crash never leaves half a file. False when either step fails.
  bool Save(const std::filesystem::path& path) const;

 private:
  // Index of the section's header line, or npos.
  std::size_t FindSection(std::string_view section) const;
  std::vector<std::string> lines_;
};

inline constexpr int kHistoryCount = 16;

// Every key the program reads or writes, with its default.
struct VantrelSettings {
  // Absent: the window is centred.
  std::optional<int> Left, Top;
  int Panel1Width = 183;
  int Panel4Height = 125;
  int Panel3Width = 135;
  std::string BaseFolade;     // path bytes
  std::string TeighaExePath;  // path bytes
  bool TeighaShow = false;
  int DrawGridColWidth = 200;
  int DrawGridRowHeight = 160;
  int bltMode = 1;
  bool clipFlag = true;
  std::array<std::string, kHistoryCount> history;  // path bytes, most recent first
  bool NEWJIS = true;
  bool OLDJIS = false;
  // Absent: the folder label's caption stays as it is.
  std::optional<std::string> ShellPath;
  int PageTab = 0;  // written only
};

VantrelSettings ReadSettings(const IniFile& ini);
// Writes the keys that are saved at shut-down, in the order the program has
// always written them (Panel4Height and Panel3Width are never written).
void WriteSettings(IniFile& ini, const VantrelSettings& s);

// Beside the executable, named like it with ".ini", when that folder is
// writable; otherwise in $XDG_CONFIG_HOME/vantrel (or ~/.config/vantrel)
// under the same name.
std::filesystem::path SettingsFilePath(const std::filesystem::path& executable);
std::filesystem::path SettingsFilePathFor(const std::filesystem::path& executable, const char* xdgConfigHome,
                                          const char* home);

}  // namespace vantrel
