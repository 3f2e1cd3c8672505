#include "cli/CliSupport.h"

#include <cstdio>

#include "model/TextCodec.h"

namespace vantrel::cli {

MsgResult StderrReporter::Message(const std::u16string& text, const std::u16string& caption,
                                  MsgIcon, MsgButtons buttons) {
  std::fprintf(stderr, "[%s] %s\n", Utf8(caption).c_str(), Utf8(text).c_str());
  return buttons == MsgButtons::YesNo ? MsgResult::No : MsgResult::Ok;
}

std::string Utf8(const std::u16string& text) { return U16ToUtf8(text); }

}  // namespace vantrel::cli
