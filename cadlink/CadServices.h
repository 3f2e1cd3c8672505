// What the insertion relies on from the system, and nothing more: the
// automation of a running CAD application and the window system that shows
// its command line. Each platform supplies both; the insertion logic works
// on these interfaces alone, so it runs the same against test fakes.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

namespace vantrel {

// Thrown by a service operation that failed (the application is busy, has no
// document open, refused the call). The insertion ends on it without a word.
struct AutomationError : std::runtime_error {
  using std::runtime_error::runtime_error;
};

// The 64-bit object identifier of an entity; 0 is none.
using ObjectId = std::int64_t;

// How an integer system variable is passed to the application. The values
// are written with the variant types the applications have always been
// given: one byte when cleared, four unsigned bytes when restored.
enum class IntegerVariant { Byte, UnsignedInt32 };

// One running CAD application, reached through its automation interface,
// with its active document. Every operation may throw AutomationError.
class RunningCad {
 public:
  virtual ~RunningCad() = default;

  // System variables of the active document.
  virtual int GetVariable(const std::u16string& name) = 0;
  virtual void SetVariable(const std::u16string& name, std::int64_t value, IntegerVariant type) = 0;

  // The application's main window to the foreground, so the user picks the
  // insertion point there.
  virtual void RaiseMainWindow() = 0;

  // Command sending; each application's binding knows whether its document
  // or its application object takes commands.
  virtual void SendCommand(const std::u16string& text) = 0;

  // Busy/idle: true when the application waits for nothing.
  virtual bool IsQuiescent() = 0;

  // The last entity, found through a selection set of its own.
  virtual std::vector<std::u16string> SelectionSetNames() = 0;
  virtual void AddSelectionSet(const std::u16string& name) = 0;
  virtual void SelectLast(const std::u16string& set) = 0;
  virtual std::vector<ObjectId> SelectionSetItems(const std::u16string& set) = 0;
  virtual void DeleteSelectionSet(const std::u16string& set) = 0;

  // Exploding and deleting a block reference.
  virtual std::u16string ClassName(ObjectId id) = 0;
  virtual void Explode(ObjectId id) = 0;
  virtual void Delete(ObjectId id) = 0;

  // Block definitions, by name.
  virtual std::vector<std::u16string> BlockNames() = 0;
  virtual void DeleteBlock(const std::u16string& name) = 0;
};

class CadAutomation {
 public:
  virtual ~CadAutomation() = default;
  // The running instance registered under a programmatic identifier such
  // as "Autocad.Application.24"; null when none runs.
  virtual std::unique_ptr<RunningCad> Running(const std::u16string& programmaticId) = 0;
};

// A top-level or child window; 0 is none.
using WindowId = std::uintptr_t;

// The copy-data record a command line takes its text from.
struct CopyData {
  std::uintptr_t identifier = 0;
  std::uint32_t byteCount = 0;
  const void* data = nullptr;
};

class CadWindows {
 public:
  virtual ~CadWindows() = default;

  // Searching by class and title.
  virtual WindowId FindTopLevel(const std::u16string& className) = 0;
  // In the system's enumeration order.
  virtual std::vector<WindowId> TopLevelWindows() = 0;
  // Every descendant, children before the following siblings.
  virtual std::vector<WindowId> Descendants(WindowId window) = 0;
  virtual std::u16string Title(WindowId window) = 0;
  virtual std::u16string ClassName(WindowId window) = 0;

  // Children and siblings; 0 when there is none.
  virtual WindowId FirstChild(WindowId window) = 0;
  virtual WindowId NextSibling(WindowId window) = 0;
  virtual bool IsWindow(WindowId window) = 0;

  // Enabled and minimized state, raising.
  virtual bool IsEnabled(WindowId window) = 0;
  virtual bool IsMinimized(WindowId window) = 0;
  virtual void Restore(WindowId window) = 0;
  virtual void SetForeground(WindowId window) = 0;

  // Messages: copy-data waits until the window has handled it; the null
  // message and character messages are only delivered.
  virtual void SendCopyData(WindowId window, const CopyData& record) = 0;
  virtual void PostNull(WindowId window) = 0;
  virtual void SendChar(WindowId window, char16_t code) = 0;
};

// What one insertion works with: both services and its way of waiting,
// which blocks the caller as the applications have always expected.
struct CadLinkServices {
  CadAutomation& automation;
  CadWindows& windows;
  std::function<void(int milliseconds)> pause;
};

}  // namespace vantrel
