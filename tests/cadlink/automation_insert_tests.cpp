// Guards the insertion through automation against a wrong command string, a
// purge of the wrong block or after a cancel, ATTDIA and ATTREQ left cleared
// after a failure, and paths that would run as CAD commands.
#include <gtest/gtest.h>

#include <algorithm>

#include "CadFakes.h"

namespace vantrel {
namespace {

using test::Calls;
using test::FakeCadLink;

constexpr char16_t kAutoCad[] = u"Autocad.Application.24";
constexpr char16_t kBricsCad[] = u"BricscadApp.AcadApplication";
constexpr char16_t kIjcad[] = u"Gcad.Application.23";

bool Called(const FakeCadLink& f, const std::string& prefix) {
  return std::any_of(f.calls.begin(), f.calls.end(), [&](const std::string& c) { return c.starts_with(prefix); });
}

TEST(AutomationInsert, AutoCadExplodedInsertionTypesTheCommandAndPurgesTheFilesBlock) {
  FakeCadLink f;
  f.automation.running[kAutoCad].selectionSets = {u"SSTEMP_2", u"ssTemp_7", u"ssTemp_x", u"OTHER9"};
  f.insertion.InsertThroughAutomation(CadProduct::AutoCad, InsertMode::Exploded, "/d/plan.dxf", f.messages,
                                      f.statusBar);
  EXPECT_EQ(f.Acts(), (Calls{"Set ATTDIA=0 byte", "Set ATTREQ=0 byte", "Raise",
                             "AddSet SSTEMP_8", "SelectLast SSTEMP_8", "DeleteSet SSTEMP_8",
                             "Command -INSERT<13>\"/d/plan.dxf\"<13>E Y S 1 R 0<13>",
                             "Pause 200", "Pause 200",
                             "Set ATTDIA=1 uint32", "Set ATTREQ=1 uint32",
                             "AddSet SSTEMP_8", "SelectLast SSTEMP_8", "DeleteSet SSTEMP_8",
                             "DeleteBlock PLAN"}));
  EXPECT_TRUE(f.messages.messages.empty());

  // A block insertion stops once the variables are back.
  FakeCadLink block;
  block.automation.running[kAutoCad];
  block.insertion.InsertThroughAutomation(CadProduct::AutoCad, InsertMode::Block, "/d/plan.dxf", block.messages,
                                          block.statusBar);
  EXPECT_EQ(block.Acts()[6], "Command -INSERT<13>\"/d/plan.dxf\"<13>S 1 R 0<13>");
  EXPECT_EQ(block.Acts().back(), "Set ATTREQ=1 uint32");
}

TEST(AutomationInsert, BricsCadAndIjcadExplodeTheBlockReferenceThenPurgeOrSaySoWithAnAsciiStop) {
  FakeCadLink f;
  f.automation.running[kBricsCad];
  f.insertion.InsertThroughAutomation(CadProduct::BricsCad, InsertMode::Exploded, "/d/plan.dxf", f.messages,
                                      f.statusBar);
  Calls acts = f.Acts();
  EXPECT_EQ(acts[6], "Command -INSERT<13>\"/d/plan.dxf\"<13>S 1 R 0<13>");
  acts.erase(acts.begin(), acts.end() - 3);
  EXPECT_EQ(acts, (Calls{"Explode 101", "Delete 101", "DeleteBlock PLAN"}));
  EXPECT_TRUE(f.messages.messages.empty());

  FakeCadLink failing;
  failing.automation.running[kIjcad].failOn = "DeleteBlock";
  failing.insertion.InsertThroughAutomation(CadProduct::Ijcad, InsertMode::Exploded, "/d/plan.dxf",
                                            failing.messages, failing.statusBar);
  ASSERT_EQ(failing.messages.messages.size(), 1u);
  EXPECT_EQ(failing.messages.messages[0].text, u"plan をパージできませんでした.");
  EXPECT_EQ(failing.messages.messages[0].caption, u"Vantrel2023.2");

  // A last entity that is not a block reference is left as inserted.
  FakeCadLink other;
  other.automation.running[kIjcad].placedClass = u"AcDbLine";
  other.insertion.InsertThroughAutomation(CadProduct::Ijcad, InsertMode::Exploded, "/d/plan.dxf", other.messages,
                                          other.statusBar);
  EXPECT_EQ(other.calls.back(), "?Class 101");
  EXPECT_FALSE(Called(other, "Explode") || Called(other, "DeleteBlock"));
}

TEST(AutomationInsert, CancelledInsertionNeitherExplodesNorPurgesNorSpeaks) {
  for (const auto& [product, id] : {std::pair{CadProduct::AutoCad, kAutoCad}, std::pair{CadProduct::Ijcad, kIjcad}}) {
    FakeCadLink f;
    f.automation.running[id].userPlaces = false;
    f.insertion.InsertThroughAutomation(product, InsertMode::Exploded, "/d/plan.dxf", f.messages, f.statusBar);
    EXPECT_TRUE(Called(f, "Command"));
    EXPECT_EQ(f.calls.back(), "DeleteSet SSTEMP_1");
    EXPECT_FALSE(Called(f, "?Class") || Called(f, "Explode") || Called(f, "?Blocks"));
    EXPECT_TRUE(f.messages.messages.empty());
  }
}

TEST(AutomationInsert, NothingRunningOrAnUntypablePathInsertsNothing) {
  FakeCadLink f;
  for (CadProduct product : {CadProduct::AutoCad, CadProduct::BricsCad, CadProduct::Ijcad})
    for (InsertMode mode : {InsertMode::Block, InsertMode::Exploded})
      f.insertion.InsertThroughAutomation(product, mode, "/d/plan.dxf", f.messages, f.statusBar);
  EXPECT_EQ(f.calls, (Calls{"?Running Autocad.Application.24", "?Running Autocad.Application.24",
                            "?Running BricscadApp.AcadApplication", "?Running BricscadApp.AcadApplication",
                            "?Running Gcad.Application.23", "?Running Gcad.Application.23"}));
  EXPECT_TRUE(f.messages.messages.empty());
  EXPECT_TRUE(f.status.empty());

  // A quote would end the block name and a CR the answer; the rest of the
  // path would run as commands. Neither is sent, and the status says why.
  FakeCadLink g;
  g.automation.running[kAutoCad];
  g.insertion.InsertThroughAutomation(CadProduct::AutoCad, InsertMode::Block, "/d/a\"\rERASE ALL\r.dxf", g.messages,
                                      g.statusBar);
  g.insertion.InsertThroughAutomation(CadProduct::AutoCad, InsertMode::Block, "/d/a\r.dxf", g.messages, g.statusBar);
  g.insertion.InsertThroughAutomation(CadProduct::AutoCad, InsertMode::Block, "", g.messages, g.statusBar);
  EXPECT_TRUE(g.calls.empty());
  EXPECT_EQ(g.status, (std::vector<std::string>{"0:パスに \" を含む図面は挿入できません",
                                                "0:パスに制御文字を含む図面は挿入できません"}));
}

TEST(AutomationInsert, AttributeVariablesComeBackWhateverFails) {
  // The command fails: both come back, nothing more is asked.
  FakeCadLink f;
  test::FakeCadState& cad = f.automation.running[kBricsCad];
  cad.variables = {{u"ATTDIA", 1}, {u"ATTREQ", 2}};
  cad.failOn = "Command";
  f.insertion.InsertThroughAutomation(CadProduct::BricsCad, InsertMode::Exploded, "/d/plan.dxf", f.messages,
                                      f.statusBar);
  Calls acts = f.Acts();
  acts.erase(acts.begin(), acts.end() - 3);
  EXPECT_EQ(acts, (Calls{"Command -INSERT<13>\"/d/plan.dxf\"<13>S 1 R 0<13>", "Set ATTDIA=1 uint32",
                         "Set ATTREQ=2 uint32"}));
  EXPECT_EQ(cad.variables[u"ATTDIA"], 1);
  EXPECT_EQ(cad.variables[u"ATTREQ"], 2);

  // Clearing the second fails: the first, already cleared, comes back.
  FakeCadLink g;
  g.automation.running[kAutoCad].failOn = "Set ATTREQ=0";
  g.insertion.InsertThroughAutomation(CadProduct::AutoCad, InsertMode::Block, "/d/plan.dxf", g.messages,
                                      g.statusBar);
  EXPECT_EQ(g.Acts(), (Calls{"Set ATTDIA=0 byte", "Set ATTREQ=0 byte", "Set ATTDIA=1 uint32", "Set ATTREQ=1 uint32"}));

  // Restoring one fails: the other is still restored, and the exploded
  // insertion goes no further.
  FakeCadLink h;
  h.automation.running[kAutoCad].failOn = "Set ATTDIA=1";
  h.insertion.InsertThroughAutomation(CadProduct::AutoCad, InsertMode::Exploded, "/d/plan.dxf", h.messages,
                                      h.statusBar);
  EXPECT_EQ(h.calls.back(), "Set ATTREQ=1 uint32");
  EXPECT_TRUE(h.messages.messages.empty());
}

}  // namespace
}  // namespace vantrel
