// What the sub-commands share: their arguments, messages to stderr instead
// of message boxes, file names as the user reads them, pictures written
// without touching a half-written file, and the GUI session fonts need.
#pragma once

#include <QGuiApplication>
#include <QImage>

#include <filesystem>
#include <initializer_list>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "app/LoadSequence.h"
#include "cli/Commands.h"
#include "model/Feedback.h"

namespace vantrel::cli {

// Writes every message to stderr as "[caption] text" on one line and
// answers No to questions, so a script never changes anything by accident.
class StderrReporter : public Reporter {
 public:
  MsgResult Message(const std::u16string& text, const std::u16string& caption, MsgIcon icon,
                    MsgButtons buttons) override;
};

std::string Utf8(const std::u16string& text);

// UTF-8 with control characters written as C escapes ("\r", "\x01") and the
// backslash doubled, so that every file and message stays on one line.
std::string Printable(const std::u16string& text);
// A file name as the output shows it: decoded as the file list does
// (code page 932 when its bytes are not UTF-8), then Printable.
std::string ShownPath(const std::filesystem::path& path);

// An option of a command: its name ("-o", "--size") and whether the next
// argument (or the text after "=" of a long name) is its value.
struct KnownOption {
  const char* name;
  bool takesValue;
};
struct SplitArguments {
  std::vector<std::pair<std::string, std::string>> options;  // in the given order
  std::vector<std::string> operands;
};
// Sorts args into options and operands; "--" ends the options, so every
// later argument is an operand even when it begins with "-", as is "-"
// itself. Empty when fine, else what is wrong ("unknown option -x").
std::string Split(const Args& args, std::initializer_list<KnownOption> known, SplitArguments& out);

// "vantrel-cli COMMAND: problem" and the command's usage line on stderr;
// returns the exit status of a usage error, 2.
int UsageError(const char* command, const std::string& problem);

// A decimal in [low, high], the whole text and nothing else.
bool ParseInt(const std::string& text, int low, int high, int& value);
// "WxH" with both sides from 1 to 16384.
bool ParseSize(const std::string& text, int& width, int& height);

// False, after one line on stderr, unless file is a regular file (or a link
// to one): a folder, a pipe or a device would be misread or block.
bool CheckInputFile(const char* command, const std::filesystem::path& file);

// Encodes the picture ("PNG" or "BMP") and writes it through a temporary
// file beside the target and a rename, so the target is never left half
// written. The file name is used as bytes, whatever its encoding.
bool SavePicture(const QImage& picture, const std::filesystem::path& file, const char* format);

// Fonts need a GUI application. The tool draws only into images and files,
// so it never needs a display: Qt's offscreen platform unless
// QT_QPA_PLATFORM says otherwise. Qt keeps the argument count by reference,
// so it lives beside the app.
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

// Reads a text DXF (textDxf, the file of input or its converted copy) and
// runs the passes, as the detail view does. False, after one line on
// stderr, when nothing could be read; a read that stopped at a bad value
// gives a note on stderr and what was read.
bool ReadForDrawing(const char* command, const std::filesystem::path& input,
                    const std::filesystem::path& textDxf, Drawing& d, Reporter& reporter,
                    std::u16string& version);
// Clears the picture to background and draws the drawing fitted into it;
// the number of entities drawn. Needs the GUI session.
int DrawFitted(Drawing& d, QImage& picture, TColor background, int penWidth, int colorMode);

// TextDxfFor with those options; when there is no text DXF, one line on
// stderr ends with the reason, the converter's own when it ran.
std::filesystem::path TextDxfOrSayWhy(const char* command, const std::filesystem::path& file,
                                      Reporter& reporter);

}  // namespace vantrel::cli
