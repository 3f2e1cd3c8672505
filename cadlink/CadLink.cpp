#include "cadlink/CadLink.h"

#include <chrono>
#include <thread>

#include "cadlink/AutomationInsert.h"
#include "cadlink/cadCtrl2023.h"

namespace vantrel {

void CadLinkInsertion::InsertThroughAutomation(CadProduct product, InsertMode mode,
                                               const std::filesystem::path& drawing, Reporter& messages,
                                               const StatusPanelSetter& status) {
  vantrel::InsertThroughAutomation(services_, product, mode, drawing, messages, status);
}

void CadLinkInsertion::InsertThroughCommandLine(CadProduct product, const std::filesystem::path& drawing,
                                                Reporter& messages, const StatusPanelSetter& status) {
  vantrel::InsertThroughCommandLine(services_, product, drawing, messages, status);
}

namespace {

class NoAutomation : public CadAutomation {
 public:
  std::unique_ptr<RunningCad> Running(const std::u16string&) override { return nullptr; }
};

class NoWindows : public CadWindows {
 public:
  WindowId FindTopLevel(const std::u16string&) override { return 0; }
  std::vector<WindowId> TopLevelWindows() override { return {}; }
  std::vector<WindowId> Descendants(WindowId) override { return {}; }
  std::u16string Title(WindowId) override { return {}; }
  std::u16string ClassName(WindowId) override { return {}; }
  WindowId FirstChild(WindowId) override { return 0; }
  WindowId NextSibling(WindowId) override { return 0; }
  bool IsWindow(WindowId) override { return false; }
  bool IsEnabled(WindowId) override { return false; }
  bool IsMinimized(WindowId) override { return false; }
  void Restore(WindowId) override {}
  void SetForeground(WindowId) override {}
  void SendCopyData(WindowId, const CopyData&) override {}
  void PostNull(WindowId) override {}
  void SendChar(WindowId, char16_t) override {}
};

// The services come first among the bases, so they exist before the
// insertion is handed them.
struct PlatformServices {
  NoAutomation automation;
  NoWindows windows;
};

class PlatformInsertion : private PlatformServices, public CadLinkInsertion {
 public:
  PlatformInsertion()
      : PlatformServices(),
        CadLinkInsertion({automation, windows,
                          [](int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }}) {}
};

}  // namespace

std::unique_ptr<CadInsertion> PlatformCadInsertion() { return std::make_unique<PlatformInsertion>(); }

}  // namespace vantrel
