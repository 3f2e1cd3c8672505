#include "cadlink/AutomationInsert.h"

#include <algorithm>
#include <exception>
#include <vector>

#include "model/FileNames.h"
#include "model/TextCodec.h"

namespace vantrel {

namespace {

struct AutomationProduct {
  const char16_t* programmaticId;
  // AutoCAD explodes through its INSERT option; the others insert a block
  // reference that is exploded afterwards.
  bool explodeOption;
  // After the block name. AutoCAD's message has always ended in a
  // full-width stop, the others' in an ASCII one.
  const char16_t* purgeFailed;
};

// In the order of CadProduct.
constexpr AutomationProduct kProducts[] = {
    {u"Autocad.Application.24", true, u" をパージできませんでした．"},
    {u"BricscadApp.AcadApplication", false, u" をパージできませんでした."},
    {u"Gcad.Application.23", false, u" をパージできませんでした."},
};

constexpr std::u16string_view kSetPrefix = u"SSTEMP_";
constexpr int kIdlePollMilliseconds = 200;

// Block and selection set names match whatever the case of their ASCII
// letters; other characters must be the same.
std::u16string UpperAscii(std::u16string s) {
  for (char16_t& c : s)
    if (c >= u'a' && c <= u'z') c = static_cast<char16_t>(c - u'a' + u'A');
  return s;
}

// What follows "SSTEMP_": a signed decimal number, or 0 for anything else,
// including numbers beyond the 32-bit integers these names were always
// read into (so one more never overflows).
std::int64_t SetNumber(std::u16string_view tail) {
  bool negative = false;
  if (!tail.empty() && (tail[0] == u'-' || tail[0] == u'+')) {
    negative = tail[0] == u'-';
    tail.remove_prefix(1);
  }
  if (tail.empty()) return 0;
  std::int64_t n = 0;
  for (char16_t c : tail) {
    if (c < u'0' || c > u'9') return 0;
    n = n * 10 + (c - u'0');
    if (n > 2147483648LL) return 0;
  }
  if (negative) n = -n;
  return n > 2147483647LL ? 0 : n;
}

// Puts back the saved ATTDIA and ATTREQ, trying both; the first failure is
// passed on once both were tried.
void RestoreAttributeVariables(RunningCad& cad, int attdia, int attreq) {
  std::exception_ptr failed;
  for (const auto& [name, value] : {std::pair{u"ATTDIA", attdia}, std::pair{u"ATTREQ", attreq}}) {
    try {
      cad.SetVariable(name, value, IntegerVariant::UnsignedInt32);
    } catch (const AutomationError&) {
      if (!failed) failed = std::current_exception();
    }
  }
  if (failed) std::rethrow_exception(failed);
}

// Types the command with ATTDIA and ATTREQ cleared, so the insertion asks for
// no attribute values, and waits until the user has placed the block. The
// drawing gets its two variables back whatever fails once one was written.
// Returns the last entity from before the command.
ObjectId InsertAndWait(RunningCad& cad, const std::u16string& command, const std::function<void(int)>& pause) {
  const int attdia = cad.GetVariable(u"ATTDIA");
  const int attreq = cad.GetVariable(u"ATTREQ");
  ObjectId before = 0;
  try {
    cad.SetVariable(u"ATTDIA", 0, IntegerVariant::Byte);
    cad.SetVariable(u"ATTREQ", 0, IntegerVariant::Byte);
    cad.RaiseMainWindow();
    before = LastEntityId(cad);
    cad.SendCommand(command);
    do pause(kIdlePollMilliseconds);
    while (!cad.IsQuiescent());
  } catch (const AutomationError&) {
    try {
      RestoreAttributeVariables(cad, attdia, attreq);
    } catch (const AutomationError&) {
    }
    throw;
  }
  RestoreAttributeVariables(cad, attdia, attreq);
  return before;
}

}  // namespace

std::u16string InsertCommand(std::u16string_view pathText, bool explode) {
  std::u16string text = u"-INSERT\r\"";
  text += pathText;
  text += explode ? u"\"\rE Y S 1 R 0\r" : u"\"\rS 1 R 0\r";
  return text;
}

bool PathCanBeTyped(std::u16string_view pathText, const StatusPanelSetter& status) {
  for (char16_t c : pathText) {
    if (c == u'"') {
      status(0, u"パスに \" を含む図面は挿入できません");
      return false;
    }
    if (c < 0x20) {
      status(0, u"パスに制御文字を含む図面は挿入できません");
      return false;
    }
  }
  return true;
}

std::u16string NewSelectionSet(RunningCad& cad) {
  std::int64_t largest = 0;
  for (const std::u16string& name : cad.SelectionSetNames()) {
    const std::u16string upper = UpperAscii(name);
    if (upper.starts_with(kSetPrefix)) largest = std::max(largest, SetNumber(std::u16string_view(upper).substr(7)));
  }
  const std::u16string name = std::u16string(kSetPrefix) + Utf8ToU16(std::to_string(largest + 1));
  cad.AddSelectionSet(name);
  return name;
}

ObjectId LastEntityId(RunningCad& cad) {
  const std::u16string set = NewSelectionSet(cad);
  ObjectId id = 0;
  try {
    cad.SelectLast(set);
    const std::vector<ObjectId> items = cad.SelectionSetItems(set);
    if (!items.empty()) id = items.front();
  } catch (const AutomationError&) {
  }
  try {
    cad.DeleteSelectionSet(set);
  } catch (const AutomationError&) {
  }
  return id;
}

bool PurgeBlock(RunningCad& cad, const std::u16string& name) {
  const std::u16string wanted = UpperAscii(name);
  for (const std::u16string& block : cad.BlockNames()) {
    if (UpperAscii(block) != wanted) continue;
    try {
      cad.DeleteBlock(block);
      return true;
    } catch (const AutomationError&) {
      return false;
    }
  }
  return false;
}

void InsertThroughAutomation(const CadLinkServices& services, CadProduct product, InsertMode mode,
                             const std::filesystem::path& drawing, Reporter& messages,
                             const StatusPanelSetter& status) {
  if (drawing.empty()) return;
  const std::u16string path = PathText(drawing);
  if (!PathCanBeTyped(path, status)) return;
  const AutomationProduct& p = kProducts[static_cast<int>(product)];
  const bool exploded = mode == InsertMode::Exploded;
  try {
    const std::unique_ptr<RunningCad> cad = services.automation.Running(p.programmaticId);
    if (!cad) return;
    const ObjectId before = InsertAndWait(*cad, InsertCommand(path, exploded && p.explodeOption), services.pause);
    if (!exploded) return;
    // An unchanged last entity: the user cancelled, nothing was inserted.
    const ObjectId after = LastEntityId(*cad);
    if (after == before) return;
    if (!p.explodeOption) {
      if (cad->ClassName(after) != u"AcDbBlockReference") return;
      cad->Explode(after);
      cad->Delete(after);
    }
    const std::u16string block = PathText(NameWithoutExtension(drawing));
    if (!PurgeBlock(*cad, block)) messages.Message(block + p.purgeFailed, kInsertMessageCaption);
  } catch (const AutomationError&) {
    // A refused or failed call ends the insertion without a message.
  }
}

}  // namespace vantrel
