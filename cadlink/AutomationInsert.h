// Inserting a drawing into a running AutoCAD, BricsCAD or IJCAD through its
// automation interface: the -INSERT command typed into the application, the
// wait until it is idle, and for an exploded insertion the removal of the
// block the insertion leaves behind.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

#include "app/CadInsertion.h"
#include "cadlink/CadServices.h"

namespace vantrel {

inline constexpr char16_t kInsertMessageCaption[] = u"Vantrel2023.2";

// "-INSERT", the quoted path as block name, scale 1 and rotation 0, each
// answer ended by CR; the insertion point is left to the user. explode adds
// AutoCAD's Explode option.
std::u16string InsertCommand(std::u16string_view pathText, bool explode);

// A path the command line would misread is never typed: a double quote
// would end the block name early and a control character (CR, Ctrl+C,
// Escape) would end or cancel the command, and the rest of the path would
// run as CAD commands. False, with the reason in the status bar, for such a
// path.
bool PathCanBeTyped(std::u16string_view pathText, const StatusPanelSetter& status);

// A new, empty selection set named "SSTEMP_" and one more than the largest
// number of the document's sets of that name.
std::u16string NewSelectionSet(RunningCad& cad);

// The identifier of the drawing's last entity, or 0.
ObjectId LastEntityId(RunningCad& cad);

// Deletes the first block definition named name, in any case. False when
// none is or it could not be deleted.
bool PurgeBlock(RunningCad& cad, const std::u16string& name);

void InsertThroughAutomation(const CadLinkServices& services, CadProduct product, InsertMode mode,
                             const std::filesystem::path& drawing, Reporter& messages,
                             const StatusPanelSetter& status);

}  // namespace vantrel
