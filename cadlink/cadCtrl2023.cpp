#include "cadlink/cadCtrl2023.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <initializer_list>
#include <string>
#include <system_error>

#include "cadlink/AutomationInsert.h"
#include "model/FileNames.h"

namespace vantrel {

namespace {

// The copy-data identifier the applications read a command text from.
constexpr std::uintptr_t kCommandCopyData = 1;
// Lets the cancel take effect before the command arrives.
constexpr int kCancelPauseMilliseconds = 100;

bool StartsWithAny(std::u16string_view text, std::initializer_list<std::u16string_view> prefixes) {
  return std::any_of(prefixes.begin(), prefixes.end(), [&](std::u16string_view p) { return text.starts_with(p); });
}

void RestoreAndRaise(CadWindows& windows, WindowId window) {
  if (windows.IsMinimized(window)) windows.Restore(window);
  windows.SetForeground(window);
}

bool RaiseAndSend(CadWindows& windows, WindowId window, std::u16string_view text) {
  if (!window) return false;
  RestoreAndRaise(windows, window);
  SendCommandString(windows, window, text);
  return true;
}

// The frame window of recent releases, or else the first window of an older
// AutoCAD, a DWG TrueView or another Autodesk product by title and class.
WindowId FindAutoCadWindow(CadWindows& windows) {
  if (const WindowId frame = windows.FindTopLevel(u"AfxMDIFrame140u")) return frame;
  for (const WindowId window : windows.TopLevelWindows()) {
    if (!StartsWithAny(windows.Title(window), {u"DWG TrueView ", u"AutoCAD ", u"Autodesk "})) continue;
    const std::u16string className = windows.ClassName(window);
    if ((className.starts_with(u"Afx:") && className.find(u":8:") != std::u16string::npos) ||
        className.starts_with(u"AfxMDIFrame"))
      return window;
  }
  return 0;
}

struct CommandLineProduct {
  bool (*send)(CadWindows&, std::u16string_view);
  // Ctrl+C for AutoCAD, Escape for the others.
  char16_t cancel;
  const char16_t* notFound;
};

// In the order of CadProduct.
constexpr CommandLineProduct kProducts[] = {
    {SendToAutoCad, 3, u"有効な AutoCAD が見つかりません．"},
    {SendToBricsCad, 27, u"有効な BricsCAD が見つかりません．"},
    {SendToIjcad, 27, u"有効な IJCAD が見つかりません．"},
};

}  // namespace

void SendCommandString(CadWindows& windows, WindowId window, std::u16string_view text) {
  if (text.size() > kCommandTextLimit || !windows.IsEnabled(window)) return;
  std::array<char16_t, kCommandTextLimit + 1> staged{};
  std::copy(text.begin(), text.end(), staged.begin());
  CopyData record;
  record.identifier = kCommandCopyData;
  record.byteCount = static_cast<std::uint32_t>((text.size() + 1) * sizeof(char16_t));
  record.data = staged.data();
  windows.SendCopyData(window, record);
  windows.PostNull(window);
}

bool SendToAutoCad(CadWindows& windows, std::u16string_view text) {
  return RaiseAndSend(windows, FindAutoCadWindow(windows), text);
}

bool SendToBricsCad(CadWindows& windows, std::u16string_view text) {
  return RaiseAndSend(windows, windows.FindTopLevel(u"BricscadMainWindow"), text);
}

bool SendToIjcad(CadWindows& windows, std::u16string_view text) {
  WindowId main = 0;
  std::u16string title;
  for (const WindowId window : windows.TopLevelWindows()) {
    title = windows.Title(window);
    if (title.starts_with(u"IJCAD 20") && windows.ClassName(window).starts_with(u"Afx:")) {
      main = window;
      break;
    }
  }
  if (!main) return false;
  if (title.find(u"Intelli") != std::u16string::npos) return RaiseAndSend(windows, main, text);

  WindowId commandLine = 0;
  for (const WindowId window : windows.Descendants(main))
    if (windows.Title(window).starts_with(u"コマンド ライン") && windows.ClassName(window).starts_with(u"Afx:")) {
      commandLine = window;
      break;
    }
  if (!commandLine) return false;
  // The input field sits in the pane after the command line's first pane.
  const WindowId field = windows.FirstChild(windows.NextSibling(windows.FirstChild(commandLine)));
  if (!windows.IsWindow(field)) return false;
  RestoreAndRaise(windows, main);
  for (const char16_t c : text) windows.SendChar(field, c);
  return true;
}

void InsertThroughCommandLine(const CadLinkServices& services, CadProduct product,
                              const std::filesystem::path& drawing, Reporter& messages,
                              const StatusPanelSetter& status) {
  std::error_code ec;
  if (drawing.empty() || !std::filesystem::is_regular_file(drawing, ec)) return;
  const std::u16string path = PathText(drawing);
  if (!PathCanBeTyped(path, status)) return;
  const std::u16string command = InsertCommand(path, false);
  // Cut short, the command would insert some other drawing or none; it is
  // refused whole instead.
  if (command.size() > kCommandTextLimit) {
    status(0, u"挿入コマンドが 511 文字を超えるため送れません");
    return;
  }
  const CommandLineProduct& p = kProducts[static_cast<int>(product)];
  if (!p.send(services.windows, std::u16string(1, p.cancel))) {
    messages.Message(p.notFound, kInsertMessageCaption, MsgIcon::Information, MsgButtons::Ok);
    return;
  }
  services.pause(kCancelPauseMilliseconds);
  p.send(services.windows, command);
}

}  // namespace vantrel
