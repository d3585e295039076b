// Reset Defaults, Save and Exit and Exit: what reaches the registry and the event log.
#include <gtest/gtest.h>

#include <functional>

#include "tests/tune/tune_fixture.h"
#include "tune/number_text.h"

namespace ql::tune::testing {
namespace {

using Strings = std::vector<std::string>;

// ----------------------------------------------------------------------- Reset Defaults

using ResetDefaultsTest = TuneTest;

TEST_F(ResetDefaultsTest, EveryEntryPointEndsInTheSameStateWithoutChecksOrWrites) {
  const std::vector<std::pair<const char*, std::function<void(TuningModel&)>>> entries{
      {"GradBtn3Click", [](TuningModel& m) { m.GradBtn3Click(); }},
      {"ResetDefaults1Click", [](TuningModel& m) { m.ResetDefaults1Click(); }},
      {"ResetDefaults2Click", [](TuningModel& m) { m.ResetDefaults2Click(); }},
      {"ToolbarButton978Click", [](TuningModel& m) { m.ToolbarButton978Click(); }},
  };
  for (const auto& [name, click] : entries) {
    sim::SimMachine local;
    local.memory.SetTotalPhys(kRoomyMemory);
    local.registry.SetDword(kParams, "PendingLimit", 70);
    local.registry.SetDword(kParams, "MinLRU", 5000);
    local.registry.SetDword(kParams, "MaxLRU", 6000);
    local.registry.SetDword(kParams, "PageSize", 16384);
    local.registry.SetDword(kParams, "LazyWrite", 0);
    TuningModel m(local.platform());
    ASSERT_TRUE(m.Load());
    m.controls().Edit3 = "";  // even an empty field: nothing is checked
    local.memory.SetTotalPhys(100000000);
    const std::string before = TuningKeys(local.registry);
    local.registry.ClearCalls();

    click(m);

    const TuneControls& c = m.controls();
    EXPECT_EQ(c.TrackBar1.position(), 16) << name;
    EXPECT_EQ(c.StaticText1, "16") << name;
    EXPECT_FALSE(c.TrackBar1.enabled) << name;
    EXPECT_EQ(c.UpDown1.position(), 32767) << name;
    EXPECT_EQ(c.Edit1, "32768") << name;
    EXPECT_EQ(c.UpDown2.position(), 32) << name;
    EXPECT_EQ(c.Edit2, "32") << name;
    EXPECT_EQ(c.UpDown3.position(), 954) << name;
    EXPECT_EQ(c.Edit3, "954") << name;
    EXPECT_EQ(c.Label5, "68000000") << name;
    EXPECT_EQ(c.Label6, "31260672") << name;
    EXPECT_TRUE(local.ui.Boxes().empty()) << name;
    ASSERT_EQ(local.eventLog.Records().size(), 1u) << name;
    EXPECT_EQ(local.eventLog.Records()[0].strings.front(),
              "\r\nUser: Administrator\r\nQuillon Defaults Reset")
        << name;
    EXPECT_TRUE(local.registry.Writes().empty()) << name;
    EXPECT_EQ(TuningKeys(local.registry), before) << name;
    EXPECT_FALSE(c.CloseRequested) << name;
  }
}

TEST_F(ResetDefaultsTest, FollowedByExitLeavesTheRegistryUnchanged) {
  Loaded({.PendingLimit = 44, .MinLRU = 100, .MaxLRU = 3000, .PageSize = 8192});
  const std::string before = TuningKeys(machine.registry);
  Model().GradBtn3Click();
  Model().GradBtn2Click();
  EXPECT_TRUE(C().CloseRequested);
  EXPECT_EQ(TuningKeys(machine.registry), before);
  EXPECT_EQ(Records(), (Strings{"Quillon Defaults Reset", "No Quillon Changes Implemented"}));
}

// ------------------------------------------------------------------------ Save and Exit

using SaveAndExitTest = TuneTest;

TEST_F(SaveAndExitTest, WritesTheDriverValuesInOrderThenTheRememberedTexts) {
  Loaded({.PendingLimit = 20, .MinLRU = 64, .MaxLRU = 2048, .PageSize = 16384}, true, "2048",
         "16384");
  Model().TrackBar1Change(33);
  Model().GradBtn1Click();

  EXPECT_EQ(WrittenNames(), (Strings{"PendingLimit", "MinLRU", "MaxLRU", "PageSize", "LargeVarType",
                                     "DefaultPageSize"}));
  for (const auto& w : machine.registry.Writes()) {
    if (w.valueName == "LargeVarType" || w.valueName == "DefaultPageSize") {
      EXPECT_EQ(w.type, reg::kSz);
      EXPECT_EQ(w.keyPath, "HKEY_CURRENT_USER\\ZevQuillonTune");
    } else {
      EXPECT_EQ(w.type, reg::kDword);
      EXPECT_EQ(w.data.size(), 4u);
    }
  }
  EXPECT_EQ(Driver("PendingLimit"), 33u);
  EXPECT_EQ(Driver("MinLRU"), 64u);
  EXPECT_EQ(Driver("MaxLRU"), 2048u);
  EXPECT_EQ(Driver("PageSize"), 16384u);
  // Stored without a terminating NUL.
  EXPECT_EQ(RememberedBytes(kRememberedMaxLRU), (std::vector<std::uint8_t>{'2', '0', '4', '8'}));
  EXPECT_EQ(RememberedBytes(kRememberedPageSize),
            (std::vector<std::uint8_t>{'1', '6', '3', '8', '4'}));
  EXPECT_EQ(C().DRLabel1, "Saving and Exiting...");
  EXPECT_TRUE(C().CloseRequested);
  EXPECT_EQ(Records(), Strings{"Quillon Tuning Implemented, Settings Changed"});
  EXPECT_TRUE(Boxes().empty());
  EXPECT_EQ(machine.Leaks(), "") << machine.ToString();
}

TEST_F(SaveAndExitTest, TheMainMenuNamesThePageSizePagesize) {
  // An existing value keeps its name; only a value created anew takes this spelling.
  Loaded();
  Model().SaveandExit1Click();
  EXPECT_EQ(WrittenNames()[3], "Pagesize");
  EXPECT_EQ(machine.registry.ValueNames(kParams),
            (Strings{"PendingLimit", "MinLRU", "MaxLRU", "PageSize", "LazyWrite"}));

  ASSERT_TRUE(machine.registry.DeleteValue(kParams, "PageSize"));
  Model().SaveandExit1Click();
  EXPECT_EQ(machine.registry.ValueNames(kParams).back(), "Pagesize");
  EXPECT_EQ(Driver("PageSize"), 32768u);
}

TEST_F(SaveAndExitTest, EverySaveRunsTheChecksOfLeavingTheFieldFirst) {
  // -1 typed and saved at once, the field never left: the checks of leaving it refuse it
  // (the cache-size figure is negative), so 4294967295 never reaches the driver.
  const std::vector<std::pair<const char*, std::function<void(TuningModel&)>>> saves{
      {"GradBtn1Click", [](TuningModel& m) { m.GradBtn1Click(); }},
      {"SaveandExit2Click", [](TuningModel& m) { m.SaveandExit2Click(); }},
      {"SaveandExit1Click", [](TuningModel& m) { m.SaveandExit1Click(); }},
  };
  for (const auto& [name, save] : saves) {
    machine.ui.Clear();
    Loaded();
    const std::string before = TuningKeys(machine.registry);
    Mutable().Edit3 = "-1";
    save(Model());
    EXPECT_EQ(Boxes(), Strings{msg::kOverflow}) << name;
    EXPECT_TRUE(machine.registry.Writes().empty()) << name;
    EXPECT_EQ(TuningKeys(machine.registry), before) << name;
    EXPECT_FALSE(C().CloseRequested) << name;
    EXPECT_EQ(C().Edit3, "954") << name;

    // 40000 pages of 32768 bytes do not fit in this machine: the memory check's message
    // and reset, nothing written.
    machine.ui.Clear();
    Mutable().Edit3 = "40000";
    save(Model());
    EXPECT_EQ(Boxes(), Strings{msg::kMemory}) << name;
    EXPECT_TRUE(machine.registry.Writes().empty()) << name;
    EXPECT_FALSE(C().CloseRequested) << name;
  }
}

TEST_F(SaveAndExitTest, TheSaveCheckComparesSigned) {
  // Equal values pass.
  Loaded({.MinLRU = 500, .MaxLRU = 500}, true, "500");
  Model().GradBtn1Click();
  EXPECT_TRUE(Boxes().empty());
  EXPECT_TRUE(C().CloseRequested);

  // A MinLRU of -1 (as the registry may hold it) is below any MaxLRU: written back as it was.
  Loaded({.MinLRU = 0xFFFFFFFFu}, true, "954");
  Model().GradBtn1Click();
  EXPECT_TRUE(Boxes().empty()) << machine.ui.ToString();
  EXPECT_EQ(Driver("MinLRU"), 0xFFFFFFFFu);

  // A MaxLRU typed below MinLRU passes leaving the field (the fine-tuners did not move) but
  // not the save check.
  Loaded({.MinLRU = 600, .MaxLRU = 954}, true, "954");
  Mutable().Edit3 = "500";
  Model().SaveandExit1Click();
  EXPECT_EQ(Boxes(), Strings{"Error: MinLRU must be less than MaxLRU"});
  EXPECT_EQ(machine.ui.Boxes()[0].style, mb::kOk);
  EXPECT_TRUE(machine.registry.Writes().empty());
}

TEST_F(SaveAndExitTest, AFieldThatIsNoNumberStopsBeforeAnythingIsWritten) {
  Loaded();
  Mutable().Edit3 = "12 ";
  Model().SaveandExit1Click();
  EXPECT_EQ(Boxes(), Strings{"'12 ' is not a valid integer value."});
  EXPECT_TRUE(machine.registry.Writes().empty());
  EXPECT_FALSE(C().CloseRequested);
  EXPECT_EQ(Records(), Strings{"Quillon Tuning Implemented, Settings Changed"});
}

TEST_F(SaveAndExitTest, AFailedWriteKeepsWhatWasWrittenAndTheWindowOpen) {
  Loaded({.MinLRU = 40, .MaxLRU = 954});
  const auto remembered = machine.registry.ExportReg(kRemembered);
  Model().TrackBar1Change(50);
  machine.registry.InjectFault(
      {sim::RegOp::kSet, "", std::string("MaxLRU"), 0, err::kAccessDenied});
  Model().GradBtn1Click();
  EXPECT_EQ(Boxes(), Strings{"Failed to set data for 'MaxLRU'"});
  EXPECT_EQ(WrittenNames(), (Strings{"PendingLimit", "MinLRU"}));
  EXPECT_EQ(Driver("PendingLimit"), 50u);
  EXPECT_EQ(machine.registry.ExportReg(kRemembered), remembered);
  EXPECT_FALSE(C().CloseRequested);
  EXPECT_EQ(machine.Leaks(), "") << machine.ToString();

  machine.registry.ClearFaults();
  machine.ui.Clear();
  machine.registry.InjectFault(
      {sim::RegOp::kSet, "", std::string("DefaultPageSize"), 0, err::kAccessDenied});
  Model().GradBtn1Click();
  EXPECT_EQ(Boxes(), Strings{"Failed to set data for 'DefaultPageSize'"});
  EXPECT_FALSE(C().CloseRequested);
  EXPECT_EQ(machine.Leaks(), "") << machine.ToString();
}

TEST_F(SaveAndExitTest, WithoutRightsTheFirstWriteFails) {
  Loaded();
  machine.registry.SetAdministrator(false);
  Model().SaveandExit1Click();
  EXPECT_EQ(Boxes(), Strings{"Failed to set data for 'PendingLimit'"});
  EXPECT_TRUE(machine.registry.Writes().empty());
  EXPECT_FALSE(C().CloseRequested);
}

TEST_F(SaveAndExitTest, ARunThatSavesLeavesThreeRecords) {
  SeedDriver();
  SeedRemembered("954", "32768");
  ASSERT_TRUE(Model().FormCreate());
  Model().SaveandExit2Click();
  ASSERT_TRUE(C().CloseRequested);
  Model().FormDestroy();
  EXPECT_EQ(Records(), (Strings{"Quillon Tuning Event Initialized",
                                "Quillon Tuning Implemented, Settings Changed",
                                "Quillon Tuning Implemented, Settings NOT Changed and Exiting"}));
}

// --------------------------------------------------------------------------------- Exit

using ExitTest = TuneTest;

TEST_F(ExitTest, EveryExitRecordsAndWritesNothing) {
  Loaded();
  Mutable().Edit3 = "777";
  int pumps = 0;
  Model().SetMessagePump([&] { ++pumps; });
  const std::string before = TuningKeys(machine.registry);
  Model().GradBtn2Click();
  Model().Exit1Click();
  Model().Exit2Click();
  EXPECT_EQ(pumps, 6);  // before and after each record
  EXPECT_EQ(Records(), Strings(3, "No Quillon Changes Implemented"));
  EXPECT_EQ(TuningKeys(machine.registry), before);
  EXPECT_TRUE(C().CloseRequested);
}

}  // namespace
}  // namespace ql::tune::testing
