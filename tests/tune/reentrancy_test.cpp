// The periodic check runs whenever the window's thread waits in a message box or lets
// pending messages run, in the middle of another handler.
#include <gtest/gtest.h>

#include "tests/tune/tune_fixture.h"

namespace ql::tune::testing {
namespace {

using Strings = std::vector<std::string>;

const char kOverflow[] =
    "Warning!!! You are radically below your amount of available RAM allowed! Resetting to "
    "Defaults...";
const char kMemory[] = "WARNING: MaxLRU / PageSize calculation overrun (resetting)!";
const char kOrder[] = "WARNING: MaxLRU must be GREATER than MinLRU (resetting)!";
const char kEmpty[] = "Please enter a non-zero value, resetting...";

using ReentrancyTest = TuneTest;

TEST_F(ReentrancyTest, APeriodicBoxOpensOverAPresetBoxAndSeesThePresetsValues) {
  SetMemory(16u * 1024 * 1024);
  Loaded();
  StartPeriodicTimer();
  std::vector<std::string> label6WhenShown;
  int depth = 0;
  machine.ui.SetHandler([&](const sim::SimUi::MessageBoxRecord& box) {
    events.push_back("open: " + box.text);
    label6WhenShown.push_back(C().Label6);
    if (++depth == 1) machine.clock.Pump(3000);
    --depth;
    events.push_back("close: " + box.text);
    return mb::kIdOk;
  });

  Model().Button12Click();

  // The preset's overflow box stays open for 3 s; the periodic check fires meanwhile, finds
  // the preset's figure (8192 x 954) above the negative available figure, and shows its own
  // box over the preset's. Its reset comes first; the preset's reset and its memory check
  // follow, and while that box is open the next firing fails the same way again.
  const std::string o = kOverflow;
  const std::string m = kMemory;
  EXPECT_EQ(events, (Strings{"open: " + o, "open: " + m, "close: " + m, "close: " + o, "open: " + m,
                             "open: " + m, "close: " + m, "close: " + m}));
  EXPECT_EQ(label6WhenShown, (Strings{"7815168", "7815168", "1953792", "1953792"}));
  std::vector<std::uint64_t> times;
  for (const auto& box : machine.ui.Boxes()) times.push_back(box.time);
  EXPECT_EQ(times, (std::vector<std::uint64_t>{0, 3000, 3000, 6000}));
  EXPECT_EQ(C().Label6, "1953792");
  EXPECT_EQ(C().Edit3, "954");
}

TEST_F(ReentrancyTest, TheSaveChecksRefusalIsOverlaidByThePeriodicReset) {
  Loaded();
  Mutable().Edit3 = "0";
  Model().Edit3Exit();  // passes: a figure of 0 is not below 0
  StartPeriodicTimer();
  UserAnswersAfter(3000);

  Model().GradBtn1Click();

  EXPECT_EQ(events, (Strings{"open: Error: MinLRU must be less than MaxLRU",
                             "open: " + std::string(kOverflow), "close: " + std::string(kOverflow),
                             "close: Error: MinLRU must be less than MaxLRU"}));
  // Nothing saved; the window shows the safe values the periodic check put in.
  EXPECT_FALSE(C().CloseRequested);
  EXPECT_TRUE(machine.registry.Writes().empty());
  EXPECT_EQ(C().Edit3, "954");
  EXPECT_EQ(C().Label6, "1953792");
}

TEST_F(ReentrancyTest, AFiringAfterTheSaveRecordChangesWhatIsSaved) {
  Loaded();
  Mutable().Edit3 = "";  // emptied, focus still in the field
  StartPeriodicTimer();
  machine.clock.Advance(2999);
  // The window lets pending messages run after the record: the firing due then runs first.
  Model().SetMessagePump([&] { machine.clock.Pump(1); });

  Model().SaveandExit1Click();

  EXPECT_EQ(Boxes(), Strings{kEmpty});
  EXPECT_TRUE(C().CloseRequested);
  EXPECT_EQ(Driver("MaxLRU"), 954u);
  EXPECT_EQ(Driver("PageSize"), 32768u);
}

TEST_F(ReentrancyTest, AFineTunerResetIsFollowedByItsOwnFigure) {
  // UpDown2's order box is open when the periodic check finds the field empty: both reset,
  // the fine-tuner handler last, with its own fixed figure.
  Loaded({.MinLRU = 954, .MaxLRU = 954});
  Mutable().Edit3 = "";
  StartPeriodicTimer();
  UserAnswersAfter(3000);

  Model().UpDown2Click(Arrow::kUp);

  EXPECT_EQ(events, (Strings{"open: " + std::string(kOrder), "open: " + std::string(kEmpty),
                             "close: " + std::string(kEmpty), "close: " + std::string(kOrder)}));
  EXPECT_EQ(C().Label6, "31259718");
  EXPECT_EQ(C().Edit2, "32");
  EXPECT_EQ(C().Edit3, "954");
}

}  // namespace
}  // namespace ql::tune::testing
