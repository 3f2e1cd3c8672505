// Recording fakes of the two services a CAD insertion uses: every call of
// the automation, and every search and message of the windows, goes into
// one log in order, so a test reads what a real application or window would
// have been asked and sent. Calls that only ask are marked with "?".
#pragma once

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "app/CadInsertion.h"
#include "cadlink/CadLink.h"
#include "cadlink/CadServices.h"
#include "support/TestSupport.h"

namespace vantrel::test {

using Calls = std::vector<std::string>;

// UTF-8 with control characters as <code>, so CR, Ctrl+C and Escape show.
inline std::string Shown(std::u16string_view text) {
  std::string out;
  for (char16_t c : text) out += c < 0x20 ? "<" + std::to_string(c) + ">" : U8(std::u16string(1, c));
  return out;
}

// One running application and what the user does in it.
struct FakeCadState {
  std::map<std::u16string, int> variables{{u"ATTDIA", 1}, {u"ATTREQ", 1}};
  std::vector<std::u16string> selectionSets;
  ObjectId lastEntity = 100;
  std::map<ObjectId, std::u16string> classes;
  std::vector<std::u16string> blocks;
  int busyPolls = 1;  // answers "busy" this often before "idle"
  // What the user's placing of the insertion makes: a new last entity of
  // this class, and a block named in capitals as older releases name it,
  // which a purge must still find.
  bool userPlaces = true;
  std::u16string placedClass = u"AcDbBlockReference";
  // A call whose log line starts with this throws AutomationError.
  std::string failOn;
};

class FakeRunningCad : public RunningCad {
 public:
  FakeRunningCad(FakeCadState& s, Calls& calls) : s_(s), calls_(calls) {}
  int GetVariable(const std::u16string& name) override {
    Log("?Get " + U8(name));
    return s_.variables[name];
  }
  void SetVariable(const std::u16string& name, std::int64_t value, IntegerVariant type) override {
    Log("Set " + U8(name) + "=" + std::to_string(value) + (type == IntegerVariant::Byte ? " byte" : " uint32"));
    s_.variables[name] = static_cast<int>(value);
  }
  void RaiseMainWindow() override { Log("Raise"); }
  void SendCommand(const std::u16string& text) override {
    Log("Command " + Shown(text));
    if (!s_.userPlaces) return;
    s_.lastEntity += 1;
    s_.classes[s_.lastEntity] = s_.placedClass;
    const size_t slash = text.rfind(u'/'), dot = text.rfind(u'.');
    std::u16string block = text.substr(slash + 1, dot - slash - 1);
    for (char16_t& c : block)
      if (c >= u'a' && c <= u'z') c -= 32;
    s_.blocks.push_back(block);
  }
  bool IsQuiescent() override {
    Log("?Idle");
    return s_.busyPolls-- <= 0;
  }
  std::vector<std::u16string> SelectionSetNames() override {
    Log("?Sets");
    return s_.selectionSets;
  }
  void AddSelectionSet(const std::u16string& name) override {
    Log("AddSet " + U8(name));
    s_.selectionSets.push_back(name);
  }
  void SelectLast(const std::u16string& set) override { Log("SelectLast " + U8(set)); }
  std::vector<ObjectId> SelectionSetItems(const std::u16string& set) override {
    Log("?Items " + U8(set));
    return s_.lastEntity ? std::vector<ObjectId>{s_.lastEntity} : std::vector<ObjectId>{};
  }
  void DeleteSelectionSet(const std::u16string& set) override {
    Log("DeleteSet " + U8(set));
    std::erase(s_.selectionSets, set);
  }
  std::u16string ClassName(ObjectId id) override {
    Log("?Class " + std::to_string(id));
    return s_.classes[id];
  }
  void Explode(ObjectId id) override { Log("Explode " + std::to_string(id)); }
  void Delete(ObjectId id) override { Log("Delete " + std::to_string(id)); }
  std::vector<std::u16string> BlockNames() override {
    Log("?Blocks");
    return s_.blocks;
  }
  void DeleteBlock(const std::u16string& name) override {
    Log("DeleteBlock " + U8(name));
    std::erase(s_.blocks, name);
  }

 private:
  void Log(const std::string& call) {
    calls_.push_back(call);
    if (!s_.failOn.empty() && call.starts_with(s_.failOn)) throw AutomationError(call);
  }
  FakeCadState& s_;
  Calls& calls_;
};

class FakeAutomation : public CadAutomation {
 public:
  explicit FakeAutomation(Calls& calls) : calls_(calls) {}
  std::map<std::u16string, FakeCadState> running;  // by programmatic identifier
  std::unique_ptr<RunningCad> Running(const std::u16string& id) override {
    calls_.push_back("?Running " + U8(id));
    auto found = running.find(id);
    if (found == running.end()) return nullptr;
    return std::make_unique<FakeRunningCad>(found->second, calls_);
  }

 private:
  Calls& calls_;
};

struct FakeWindow {
  WindowId parent = 0;
  std::u16string className, title;
  bool enabled = true, minimized = false;
};

// Windows are numbered from 1 in the order they were added, which is also
// their enumeration order.
class FakeWindows : public CadWindows {
 public:
  explicit FakeWindows(Calls& calls) : calls_(calls) {}
  std::vector<FakeWindow> windows;
  WindowId Add(WindowId parent, std::u16string className, std::u16string title) {
    windows.push_back({parent, std::move(className), std::move(title)});
    return windows.size();
  }
  FakeWindow& At(WindowId w) { return windows.at(w - 1); }

  WindowId FindTopLevel(const std::u16string& className) override {
    Log("?Find " + U8(className));
    for (WindowId w = 1; w <= windows.size(); ++w)
      if (!At(w).parent && At(w).className == className) return w;
    return 0;
  }
  std::vector<WindowId> TopLevelWindows() override { return Children(0, false); }
  std::vector<WindowId> Descendants(WindowId window) override { return Children(window, true); }
  std::u16string Title(WindowId w) override { return IsWindow(w) ? At(w).title : u""; }
  std::u16string ClassName(WindowId w) override { return IsWindow(w) ? At(w).className : u""; }
  WindowId FirstChild(WindowId w) override {
    const auto children = Children(w, false);
    return w && !children.empty() ? children.front() : 0;
  }
  WindowId NextSibling(WindowId w) override {
    if (!IsWindow(w)) return 0;
    const auto siblings = Children(At(w).parent, false);
    for (size_t i = 0; i + 1 < siblings.size(); ++i)
      if (siblings[i] == w) return siblings[i + 1];
    return 0;
  }
  bool IsWindow(WindowId w) override { return w >= 1 && w <= windows.size(); }
  bool IsEnabled(WindowId w) override { return At(w).enabled; }
  bool IsMinimized(WindowId w) override { return At(w).minimized; }
  void Restore(WindowId w) override { Log("Restore " + std::to_string(w)); }
  void SetForeground(WindowId w) override { Log("Foreground " + std::to_string(w)); }
  void SendCopyData(WindowId w, const CopyData& record) override {
    // The bytes the record claims hold the text and exactly one zero, last.
    const auto* text = static_cast<const char16_t*>(record.data);
    const size_t units = record.byteCount / 2;
    const std::u16string_view body(text, units > 0 ? units - 1 : 0);
    const bool sound = units > 0 && text[units - 1] == 0 && body.find(u'\0') == body.npos;
    Log("CopyData " + std::to_string(w) + " #" + std::to_string(record.identifier) + " " +
        (sound ? Shown(body) : "bad record"));
  }
  void PostNull(WindowId w) override { Log("Null " + std::to_string(w)); }
  void SendChar(WindowId w, char16_t code) override {
    Log("Char " + std::to_string(w) + " " + Shown(std::u16string(1, code)));
  }

 private:
  std::vector<WindowId> Children(WindowId parent, bool deep) {
    std::vector<WindowId> out;
    for (WindowId w = 1; w <= windows.size(); ++w)
      if (At(w).parent == parent) {
        out.push_back(w);
        if (deep)
          for (WindowId d : Children(w, true)) out.push_back(d);
      }
    return out;
  }
  void Log(const std::string& call) { calls_.push_back(call); }
  Calls& calls_;
};

// The insertion over both fakes, with a recording pause and status bar.
struct FakeCadLink {
  Calls calls;
  FakeAutomation automation{calls};
  FakeWindows windows{calls};
  RecordingReporter messages;
  std::vector<std::string> status;
  CadLinkInsertion insertion{{automation, windows, [this](int ms) { calls.push_back("Pause " + std::to_string(ms)); }}};
  StatusPanelSetter statusBar = [this](int panel, const std::u16string& text) {
    status.push_back(std::to_string(panel) + ":" + U8(text));
  };
  // The calls that act, without those that only ask.
  Calls Acts() const {
    Calls acts;
    for (const std::string& c : calls)
      if (!c.starts_with("?")) acts.push_back(c);
    return acts;
  }
};

}  // namespace vantrel::test
