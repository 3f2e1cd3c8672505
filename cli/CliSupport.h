// What the sub-commands share: messages to stderr instead of message boxes,
// and UTF-8 output of model strings.
#pragma once

#include <QGuiApplication>

#include <memory>
#include <string>

#include "app/LoadSequence.h"
#include "model/Feedback.h"

namespace vantrel::cli {

// Writes every message to stderr as "[caption] text" and answers No to
// questions, so a script never changes anything by accident.
class StderrReporter : public Reporter {
 public:
  MsgResult Message(const std::u16string& text, const std::u16string& caption, MsgIcon icon,
                    MsgButtons buttons) override;
};

std::string Utf8(const std::u16string& text);

// A decimal in [low, high], the whole text and nothing else.
bool ParseInt(const std::string& text, int low, int high, int& value);
// "WxH" with both sides from 1 to 16384.
bool ParseSize(const std::string& text, int& width, int& height);

// Fonts need a GUI application; a shell without a display still draws.
// Qt keeps the argument count by reference, so it lives beside the app.
struct GuiSession {
  int argc = 1;
  char name[12] = "vantrel-cli";
  char* argv[2] = {name, nullptr};
  QGuiApplication app{argc, argv};
};
std::unique_ptr<GuiSession> StartGui();

// Loading as the program does by default: the bundled converter unless
// another is registered, and the program's own work folder.
LoadOptions CliLoadOptions();

}  // namespace vantrel::cli
