// Feeds arbitrary bytes to the settings-file reader, then writes every key
// into what it read: a damaged settings file must give values or defaults,
// and rewriting it must keep it readable, never crash.
#include <cstdint>
#include <string_view>

#include "app/Settings.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  vantrel::IniFile ini = vantrel::IniFile::FromText(std::string_view(reinterpret_cast<const char*>(data), size));
  vantrel::VantrelSettings s = vantrel::ReadSettings(ini);
  vantrel::WriteSettings(ini, s);
  const vantrel::VantrelSettings again = vantrel::ReadSettings(vantrel::IniFile::FromText(ini.Text()));
  // What was written reads back as written.
  if (again.DrawGridColWidth != s.DrawGridColWidth || again.history != s.history) __builtin_trap();
  return 0;
}
