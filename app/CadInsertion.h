// Handing a drawing to a CAD application that is already running, as the
// insertion commands of the window ask for it. The window knows only this
// interface; the program's start-up supplies the implementation, so the
// window builds and is tested without any CAD application or its services.
#pragma once

#include <filesystem>
#include <functional>
#include <string>

#include "model/Feedback.h"

namespace vantrel {

enum class CadProduct { AutoCad, BricsCad, Ijcad };

// A block reference, or the block's entities with no block left behind.
enum class InsertMode { Block, Exploded };

// Sets the text of one status-bar panel.
using StatusPanelSetter = std::function<void(int panel, const std::u16string& text)>;

class CadInsertion {
 public:
  virtual ~CadInsertion() = default;
  // Through the application's automation interface. No running application:
  // nothing happens. An empty path does nothing.
  virtual void InsertThroughAutomation(CadProduct product, InsertMode mode, const std::filesystem::path& drawing,
                                       Reporter& messages, const StatusPanelSetter& status) = 0;
  // Typed into the application's command line as a block. No application
  // window: a message says so. A path that is not a file does nothing.
  virtual void InsertThroughCommandLine(CadProduct product, const std::filesystem::path& drawing,
                                        Reporter& messages, const StatusPanelSetter& status) = 0;
};

}  // namespace vantrel
