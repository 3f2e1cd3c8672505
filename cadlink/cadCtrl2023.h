// Inserting a drawing through the command line of a running AutoCAD,
// BricsCAD or IJCAD of any release: the application's window is looked for
// afresh each time and the -INSERT command is delivered to it as if typed.
#pragma once

#include <cstddef>
#include <filesystem>
#include <string_view>

#include "app/CadInsertion.h"
#include "cadlink/CadServices.h"

namespace vantrel {

// One copy-data send is staged in 512 UTF-16 units, the last for the
// terminating zero.
inline constexpr std::size_t kCommandTextLimit = 511;

// Sends text to an enabled window as a copy-data record (identifier 1, the
// text in UTF-16 with its terminating zero), then the null message. Nothing
// is sent to a disabled window, nor a text over kCommandTextLimit.
void SendCommandString(CadWindows& windows, WindowId window, std::u16string_view text);

// Each finds its application's window, restores it when minimized, raises
// it and sends text; false when there is no such window.
bool SendToAutoCad(CadWindows& windows, std::u16string_view text);
bool SendToBricsCad(CadWindows& windows, std::u16string_view text);
// An IJCAD whose title does not say "Intelli" takes the text character by
// character in its command line's input field.
bool SendToIjcad(CadWindows& windows, std::u16string_view text);

// The command-line insertion: cancels what the application is doing, then
// types the block insertion. No window: an information message.
void InsertThroughCommandLine(const CadLinkServices& services, CadProduct product,
                              const std::filesystem::path& drawing, Reporter& messages,
                              const StatusPanelSetter& status);

}  // namespace vantrel
