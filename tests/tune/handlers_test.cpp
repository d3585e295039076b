// The fine-tuners, the MaxLRU field, the periodic check and the track bar.
#include <gtest/gtest.h>

#include "tests/tune/tune_fixture.h"
#include "tune/number_text.h"

namespace ql::tune::testing {
namespace {

using Strings = std::vector<std::string>;

// Total physical memory that leaves 28,000,000 bytes for the cache.
constexpr std::uint32_t kMemoryFor28M = 60000000;

// ----------------------------------------------------------------------------- UpDown1

using UpDown1ClickTest = TuneTest;

TEST_F(UpDown1ClickTest, StepsBy512AndShowsTheTopAs32768) {
  Loaded();  // PageSize 32768 in the registry: the fine-tuner starts at 8192
  Strings shown;
  for (int i = 0; i < 49; ++i) {
    Model().UpDown1Click(Arrow::kUp);
    shown.push_back(C().Edit1);
  }
  EXPECT_EQ(shown[0], "8704");
  EXPECT_EQ(shown[1], "9216");
  EXPECT_EQ(shown[46], "32256");
  EXPECT_EQ(shown[47], "32768");  // position 32767
  EXPECT_EQ(shown[48], "32768");  // stays at the top
  EXPECT_EQ(C().UpDown1.position(), 32767);
  EXPECT_EQ(C().Label6, "31260672");  // 32768 x 954

  Model().UpDown1Click(Arrow::kDown);
  EXPECT_EQ(C().Edit1, "32255");
  Model().UpDown1Click(Arrow::kDown);
  EXPECT_EQ(C().Edit1, "31743");
  EXPECT_EQ(C().Label6, "30282822");  // 31743 x 954
  EXPECT_TRUE(Boxes().empty()) << machine.ui.ToString();
}

TEST_F(UpDown1ClickTest, OrderCheckByFieldsResetsThenTheFigureIsRecomputed) {
  Loaded();
  Mutable().Edit3 = "5";  // typed, field not left
  Model().UpDown1Click(Arrow::kUp);
  EXPECT_EQ(Boxes(), Strings{"WARNING: MaxLRU must be GREATER than MinLRU (resetting)!"});
  EXPECT_EQ(C().UpDown1.position(), 32767);
  EXPECT_EQ(C().Edit1, "32768");
  EXPECT_EQ(C().Edit2, "32");
  EXPECT_EQ(C().Edit3, "954");
  // The reset's fixed text is overwritten by the last step.
  EXPECT_EQ(C().Label6, "31260672");
}

TEST_F(UpDown1ClickTest, MemoryCheckJudgesTheFigureFromBeforeTheClick) {
  SetMemory(kMemoryFor28M);
  Loaded({.MaxLRU = 1700, .PageSize = 16384}, true, "1700", "16384");
  ASSERT_EQ(C().Label6, "27852800");

  Model().UpDown1Click(Arrow::kUp);  // 16896 x 1700 = 28,723,200: too much, not yet seen
  EXPECT_TRUE(Boxes().empty());
  EXPECT_EQ(C().Label6, "28723200");

  Model().UpDown1Click(Arrow::kUp);
  EXPECT_EQ(Boxes(), Strings{"WARNING: MaxLRU / PageSize calculation overrun (resetting)!"});
  EXPECT_EQ(C().Edit1, "32768");
  EXPECT_EQ(C().Edit3, "954");
  EXPECT_EQ(C().Label6, "31260672");
}

TEST_F(UpDown1ClickTest, ATypedFieldThatIsNoNumberEndsTheHandler) {
  Loaded();
  Mutable().Edit3 = "12a";
  Model().UpDown1Click(Arrow::kUp);
  EXPECT_EQ(Boxes(), Strings{"'12a' is not a valid integer value."});
  EXPECT_EQ(machine.ui.Boxes()[0].style, mb::kOk | mb::kIconHand);
  EXPECT_EQ(C().Edit1, "8704");  // the step before the error stays
  EXPECT_EQ(C().Edit3, "12a");
  EXPECT_EQ(C().Label6, "31260672");
}

// ----------------------------------------------------------------------------- UpDown2

using UpDown2ClickTest = TuneTest;

TEST_F(UpDown2ClickTest, PassingMaxLRUByPositionResets) {
  Loaded({.MinLRU = 954, .MaxLRU = 954});
  Model().UpDown2Click(Arrow::kDown);  // equal is fine, below is fine
  Model().UpDown2Click(Arrow::kUp);
  EXPECT_TRUE(Boxes().empty());
  Model().UpDown2Click(Arrow::kUp);  // 956 > 954
  EXPECT_EQ(Boxes(), Strings{"WARNING: MaxLRU must be GREATER than MinLRU (resetting)!"});
  EXPECT_EQ(C().UpDown2.position(), 32);
  EXPECT_EQ(C().Edit2, "32");
  EXPECT_EQ(C().Label6, "31259718");
}

TEST_F(UpDown2ClickTest, ATooLargeFigureIsFirstRecomputedFromTheFields) {
  SetMemory(kMemoryFor28M);
  Loaded({}, true, "100", "32768");  // figure 31,260,672 from the registry, field 100
  Model().UpDown2Click(Arrow::kUp);
  EXPECT_TRUE(Boxes().empty()) << machine.ui.ToString();
  EXPECT_EQ(C().Label6, "3276800");
}

TEST_F(UpDown2ClickTest, MemoryCheckHasItsOwnMessage) {
  SetMemory(kMemoryFor28M);
  Loaded();
  Model().UpDown2Click(Arrow::kUp);
  EXPECT_EQ(Boxes(), Strings{"MaxLRU x PageSize vs. Ram Error: resetting!"});
  EXPECT_EQ(C().Label6, "31259718");
  EXPECT_EQ(C().Edit2, "32");
}

// ----------------------------------------------------------------------------- UpDown3

using UpDown3ClickTest = TuneTest;

TEST_F(UpDown3ClickTest, BelowMinLRUFailsTheFieldsCheckFirst) {
  Loaded({.MinLRU = 954, .MaxLRU = 954});
  Model().UpDown3Click(Arrow::kDown);
  EXPECT_EQ(Boxes(), Strings{"WARNING: MaxLRU must be GREATER than MinLRU (resetting)!"});
  EXPECT_EQ(C().Edit3, "954");
  EXPECT_EQ(C().UpDown2.position(), 32);
  EXPECT_EQ(C().Label6, "31259718");
}

TEST_F(UpDown3ClickTest, PositionsCheckHasItsOwnMessage) {
  // MinLRU 0xFFFF7FFF shows as -32769 but puts UpDown2 at 32767: the fields pass, the
  // positions do not.
  Loaded({.MinLRU = 0xFFFF7FFFu});
  ASSERT_EQ(C().UpDown2.position(), 32767);
  Model().UpDown3Click(Arrow::kUp);
  EXPECT_EQ(Boxes(), Strings{"MaxLRU Must Be greater than MinLRU: Resetting!"});
  EXPECT_EQ(C().Edit2, "32");
}

TEST_F(UpDown3ClickTest, TheNewFigureIsCheckedAgainstMemory) {
  SetMemory(kMemoryFor28M);
  Loaded({.MaxLRU = 854}, true, "854");  // 27,983,872
  Model().UpDown3Click(Arrow::kUp);      // 28,049,408
  EXPECT_EQ(Boxes(), Strings{"WARNING: MaxLRU / PageSize calculation overrun (resetting)!"});
  EXPECT_EQ(C().Edit3, "954");
  EXPECT_EQ(C().Label6, "31259718");
}

TEST_F(UpDown3ClickTest, ArrowsStopAtTheEnds) {
  Loaded({.MinLRU = 1, .MaxLRU = 32767}, true, "32767", "8192");
  Model().UpDown3Click(Arrow::kUp);
  EXPECT_EQ(C().Edit3, "32767");
  Loaded({.MinLRU = 1, .MaxLRU = 2}, true, "2");
  Model().UpDown3Click(Arrow::kDown);
  Model().UpDown3Click(Arrow::kDown);
  EXPECT_EQ(C().Edit3, "1");
  EXPECT_TRUE(Boxes().empty());
}

// ---------------------------------------------------------------------------- Edit3Exit

using Edit3ExitTest = TuneTest;

TEST_F(Edit3ExitTest, TypedBelowMinLRUPassesButNoSaveWritesIt) {
  Loaded();
  Mutable().Edit3 = "5";
  Model().Edit3Exit();
  EXPECT_TRUE(Boxes().empty());  // the fine-tuners did not move
  EXPECT_EQ(C().Label6, "163840");

  // The main menu's Save and Exit refuses as the other two do: the driver would otherwise
  // be given a MaxLRU below its MinLRU at the next boot.
  Model().GradBtn1Click();
  Model().SaveandExit2Click();
  Model().SaveandExit1Click();
  EXPECT_EQ(Boxes(), Strings(3, "Error: MinLRU must be less than MaxLRU"));
  EXPECT_FALSE(C().CloseRequested);
  EXPECT_TRUE(machine.registry.Writes().empty());
  EXPECT_EQ(C().Edit3, "5");  // the save check resets nothing
  // Refused, but recorded first.
  EXPECT_EQ(Records(), Strings(3, "Quillon Tuning Implemented, Settings Changed"));
}

TEST_F(Edit3ExitTest, AboveTheFineTunersRangeKeepsTheTextAndParksUpDown3) {
  SetMemory(359680000);  // 327,680,000 available: exactly enough for 8192 x 40000
  Loaded({.PageSize = 8192}, true, "954", "8192");
  Mutable().Edit3 = "40000";
  Model().Edit3Exit();
  EXPECT_TRUE(Boxes().empty()) << machine.ui.ToString();
  EXPECT_EQ(C().Label5, "327680000");
  EXPECT_EQ(C().Label6, "327680000");
  EXPECT_EQ(C().UpDown3.position(), 256);
  EXPECT_EQ(C().Edit3, "40000");

  // A typed value the checks accept goes in as typed.
  Model().SaveandExit1Click();
  EXPECT_TRUE(Boxes().empty()) << machine.ui.ToString();
  EXPECT_EQ(Driver("MaxLRU"), 40000u);

  // Saving applies no range limit where the memory is there.
  Loaded({.PageSize = 8192}, true, "954", "8192");
  SetMemory(1000000000);
  Mutable().Edit3 = "99999";
  Model().SaveandExit1Click();
  EXPECT_TRUE(Boxes().empty()) << machine.ui.ToString();
  EXPECT_EQ(Driver("MaxLRU"), 99999u);
}

TEST_F(Edit3ExitTest, FortyThousandPagesOf32768NeedOverOnePointThreeGigabytes) {
  for (const std::uint32_t memory : {1342719999u, 1342720000u}) {
    sim::SimMachine local;
    local.memory.SetTotalPhys(memory);
    for (const char* name : {"PendingLimit", "MinLRU", "MaxLRU", "LazyWrite"}) {
      local.registry.SetDword(kParams, name, 32);
    }
    local.registry.SetDword(kParams, "PageSize", 32768);
    TuningModel m(local.platform());
    ASSERT_TRUE(m.Load());
    m.controls().Edit3 = "40000";
    m.Edit3Exit();
    if (memory == 1342719999u) {
      EXPECT_EQ(local.ui.Texts(),
                Strings{"WARNING: MaxLRU / PageSize calculation overrun (resetting)!"});
      EXPECT_EQ(m.controls().Edit3, "954");
      EXPECT_EQ(m.controls().UpDown3.position(), 954);
      EXPECT_EQ(m.controls().Label6, "1953792");
    } else {
      EXPECT_TRUE(local.ui.Texts().empty());
      EXPECT_EQ(m.controls().UpDown3.position(), 256);
    }
  }
}

TEST_F(Edit3ExitTest, AWrappedFigureIsResetButStaysNegativeUntilThePeriodicCheck) {
  Loaded();
  Mutable().Edit3 = "65536";
  Model().Edit3Exit();
  EXPECT_EQ(Boxes(), Strings{"Warning!!! You are radically below your amount of available RAM "
                             "allowed! Resetting to Defaults..."});
  EXPECT_EQ(C().Label6, "-2147483648");
  EXPECT_EQ(C().Edit3, "954");
  EXPECT_EQ(C().UpDown3.position(), 954);

  Model().SuperTimer1Timer();
  EXPECT_EQ(Boxes().size(), 2u);
  EXPECT_EQ(Boxes()[1], Boxes()[0]);
  EXPECT_EQ(C().Label6, "1953792");
}

TEST_F(Edit3ExitTest, AnEmptiedFieldIsAConversionErrorThenThePeriodicCheckResets) {
  Loaded();
  SetMemory(kRoomyMemory + 1000);
  Mutable().Edit3 = "";
  Model().Edit3Exit();
  EXPECT_EQ(Boxes(), Strings{"'' is not a valid integer value."});
  EXPECT_EQ(C().Label5, IntToText(kRoomyAvailable + 1000));  // recomputed before the error
  EXPECT_EQ(C().Label6, "31260672");

  StartPeriodicTimer();
  machine.clock.Pump(3000);
  EXPECT_EQ(Boxes().back(), "Please enter a non-zero value, resetting...");
  EXPECT_EQ(Boxes().size(), 2u);
  EXPECT_EQ(C().Edit3, "954");
  EXPECT_EQ(C().Label6, "1953792");
}

TEST_F(Edit3ExitTest, ZeroPassesTheFieldButNotThePeriodicCheck) {
  Loaded();
  Mutable().Edit3 = "0";
  Model().Edit3Exit();
  EXPECT_TRUE(Boxes().empty());
  EXPECT_EQ(C().Label6, "0");
  Model().SuperTimer1Timer();
  // The empty-field check never fires for "0"; the overflow check does.
  EXPECT_EQ(Boxes(), Strings{"Warning!!! You are radically below your amount of available RAM "
                             "allowed! Resetting to Defaults..."});
  EXPECT_EQ(C().Label6, "1953792");
}

TEST_F(Edit3ExitTest, OrderCheckComparesPositionsOnly) {
  Loaded({.MinLRU = 1000, .MaxLRU = 954});  // loading checks nothing
  Mutable().Edit3 = "2000";
  Model().Edit3Exit();
  EXPECT_EQ(Boxes(), Strings{"WARNING: MaxLRU must be GREATER than MinLRU (resetting)!"});
  EXPECT_EQ(C().Label6, "1953792");
  EXPECT_EQ(C().Edit2, "32");
}

// -------------------------------------------------------------------- SuperTimer1Timer

using SuperTimer1TimerTest = TuneTest;

TEST_F(SuperTimer1TimerTest, CompactsThenChecksInOrderOnTheValuesLeftByTheLastReset) {
  Loaded();
  SetMemory(33000000);  // 1,000,000 available from now on
  Model().SuperTimer1Timer();
  EXPECT_EQ(machine.memory.CompactCount(), 1u);
  // The periodic check does not recompute the available-memory figure.
  EXPECT_TRUE(Boxes().empty());
  EXPECT_EQ(C().Label5, IntToText(kRoomyAvailable));

  Mutable().Edit3 = "";
  Model().Edit3Exit();  // recomputes it, then fails on the empty field
  EXPECT_EQ(C().Label5, "1000000");
  Model().SuperTimer1Timer();
  // The empty field is reset first; its fixed figure then passes the overflow check and
  // fails the memory check.
  EXPECT_EQ(Boxes(), (Strings{"'' is not a valid integer value.",
                              "Please enter a non-zero value, resetting...",
                              "WARNING: MaxLRU / PageSize calculation overrun (resetting)!"}));
  EXPECT_EQ(C().Label6, "1953792");
  EXPECT_EQ(machine.memory.CompactCount(), 2u);
}

TEST_F(SuperTimer1TimerTest, EqualValuesPassEveryCheck) {
  Loaded({.MinLRU = 500, .MaxLRU = 500}, true, "500");
  Model().Edit3Exit();
  Model().UpDown1Click(Arrow::kUp);
  Model().UpDown2Click(Arrow::kDown);
  Model().UpDown2Click(Arrow::kUp);
  Model().UpDown3Click(Arrow::kUp);
  Model().UpDown3Click(Arrow::kDown);
  Model().SuperTimer1Timer();
  EXPECT_TRUE(Boxes().empty()) << machine.ui.ToString();
}

using TrackBar1ChangeTest = TuneTest;

TEST_F(TrackBar1ChangeTest, ShowsTheHeldPosition) {
  Loaded();
  Model().TrackBar1Change(55);
  EXPECT_EQ(C().StaticText1, "55");
  Model().TrackBar1Change(200);
  EXPECT_EQ(C().StaticText1, "80");
  EXPECT_EQ(C().TrackBar1.position(), 80);
}

}  // namespace
}  // namespace ql::tune::testing
