// The insertion the window calls, carried out over a pair of services: the
// platform's own for the program, recording fakes for the tests.
#pragma once

#include <memory>

#include "app/CadInsertion.h"
#include "cadlink/CadServices.h"

namespace vantrel {

class CadLinkInsertion : public CadInsertion {
 public:
  explicit CadLinkInsertion(CadLinkServices services) : services_(std::move(services)) {}
  void InsertThroughAutomation(CadProduct product, InsertMode mode, const std::filesystem::path& drawing,
                               Reporter& messages, const StatusPanelSetter& status) override;
  void InsertThroughCommandLine(CadProduct product, const std::filesystem::path& drawing, Reporter& messages,
                                const StatusPanelSetter& status) override;

 private:
  CadLinkServices services_;
};

// The insertion over this platform's services. Linux has neither the
// automation nor the window system the CAD applications are reached by, so
// they find no running application: automation inserts nothing and the
// command line says that no application was found.
std::unique_ptr<CadInsertion> PlatformCadInsertion();

}  // namespace vantrel
