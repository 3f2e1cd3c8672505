#include "cli/CliSupport.h"

#include <charconv>
#include <cstdio>
#include <cstdlib>

#include "app/DwgConverter.h"
#include "app/WorkFolder.h"
#include "model/TextCodec.h"

namespace vantrel::cli {

MsgResult StderrReporter::Message(const std::u16string& text, const std::u16string& caption,
                                  MsgIcon, MsgButtons buttons) {
  std::fprintf(stderr, "[%s] %s\n", Utf8(caption).c_str(), Utf8(text).c_str());
  return buttons == MsgButtons::YesNo ? MsgResult::No : MsgResult::Ok;
}

std::string Utf8(const std::u16string& text) { return U16ToUtf8(text); }

bool ParseInt(const std::string& text, int low, int high, int& value) {
  int v = 0;
  const char* last = text.data() + text.size();
  const auto [end, ec] = std::from_chars(text.data(), last, v);
  if (ec != std::errc() || end != last || v < low || v > high) return false;
  value = v;
  return true;
}

bool ParseSize(const std::string& text, int& width, int& height) {
  const std::size_t x = text.find_first_of("xX");
  if (x == std::string::npos) return false;
  return ParseInt(text.substr(0, x), 1, 16384, width) && ParseInt(text.substr(x + 1), 1, 16384, height);
}

std::unique_ptr<GuiSession> StartGui() {
  if (!std::getenv("DISPLAY") && !std::getenv("WAYLAND_DISPLAY"))
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
  return std::make_unique<GuiSession>();
}

LoadOptions CliLoadOptions() {
  LoadOptions options;
  options.TeighaExePath = ConverterToUse(ConverterSettings{});
  options.WorkFolder = ConverterWorkFolder();
  return options;
}

}  // namespace vantrel::cli
