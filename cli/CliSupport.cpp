#include "cli/CliSupport.h"

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
