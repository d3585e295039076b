// The preset buttons, their check sequence and the preset panel.
#include <gtest/gtest.h>

#include <algorithm>

#include "tests/tune/tune_fixture.h"
#include "tune/number_text.h"

namespace ql::tune::testing {
namespace {

using Strings = std::vector<std::string>;

const char kOverflow[] =
    "Warning!!! You are radically below your amount of available RAM allowed! Resetting to "
    "Defaults...";
const char kMemory[] = "WARNING: MaxLRU / PageSize calculation overrun (resetting)!";
const char kOrder[] = "WARNING: MaxLRU must be GREATER than MinLRU (resetting)!";

using PresetTest = TuneTest;

TEST_F(PresetTest, EachButtonPutsItsValueIntoItsRow) {
  struct Expect {
    void (TuningModel::*click)();
    const char* Edit1;
    const char* Edit2;
    const char* Edit3;
  };
  // From the loaded state PageSize "32768" (UpDown1 8192), MinLRU 1, MaxLRU 32767.
  const std::vector<Expect> expected{
      {&TuningModel::Button12Click, "8192", "1", "32767"},
      {&TuningModel::Button13Click, "16384", "1", "32767"},
      {&TuningModel::Button14Click, "32768", "1", "32767"},
      {&TuningModel::Button6Click, "32768", "255", "32767"},
      {&TuningModel::Button7Click, "32768", "511", "32767"},
      {&TuningModel::Button8Click, "32768", "1023", "32767"},
      {&TuningModel::Button9Click, "32768", "2047", "32767"},
      {&TuningModel::Button10Click, "32768", "4095", "32767"},
      {&TuningModel::Button18Click, "32768", "8191", "32767"},
      {&TuningModel::Button19Click, "32768", "16383", "32767"},
      {&TuningModel::Button20Click, "32768", "32766", "32767"},
      {&TuningModel::Button24Click, "32768", "1", "256"},
      {&TuningModel::Button5Click, "32768", "1", "512"},
      {&TuningModel::Button1Click, "32768", "1", "1024"},
      {&TuningModel::Button2Click, "32768", "1", "2048"},
      {&TuningModel::Button3Click, "32768", "1", "4096"},
      {&TuningModel::Button4Click, "32768", "1", "8192"},
      {&TuningModel::Button16Click, "32768", "1", "16384"},
      {&TuningModel::Button17Click, "32768", "1", "32767"},
  };
  SetMemory(2147483647u);  // every product of the table fits
  for (const auto& e : expected) {
    Loaded({.MinLRU = 1, .MaxLRU = 32767}, true, "32767", "32768");
    (Model().*e.click)();
    EXPECT_EQ(C().Edit1, e.Edit1);
    EXPECT_EQ(C().Edit2, e.Edit2);
    EXPECT_EQ(C().Edit3, e.Edit3);
    EXPECT_EQ(C().UpDown2.position(), TextToInt(e.Edit2));
    EXPECT_TRUE(Boxes().empty()) << machine.ui.ToString();
  }
  // Presets never touch the registry, the event log or PendingLimit.
  EXPECT_TRUE(machine.registry.Writes().empty());
  EXPECT_TRUE(machine.eventLog.Records().empty());
  EXPECT_EQ(C().TrackBar1.position(), 16);
}

TEST_F(PresetTest, TopPageSizeStandsAt32767AndCountsAs32768) {
  Loaded({.MaxLRU = 2000}, true, "2000");
  Model().Button14Click();
  EXPECT_EQ(C().UpDown1.position(), 32767);
  EXPECT_EQ(C().Edit1, "32768");
  EXPECT_EQ(C().Label6, "65536000");  // 32768 x 2000
  EXPECT_EQ(C().Label5, IntToText(kRoomyAvailable));
}

TEST_F(PresetTest, OnlyButton14AndButton2NormaliseThePageSizeField) {
  Loaded({.PageSize = 16384}, true, "954", "32767");  // remembered text "32767"
  Model().Button3Click();
  EXPECT_EQ(C().Edit1, "32767");
  EXPECT_EQ(C().Label6, "134213632");  // 32767 x 4096
  Model().Button2Click();
  EXPECT_EQ(C().Edit1, "32768");
  EXPECT_EQ(C().Label6, "67108864");  // 32768 x 2048
}

TEST_F(PresetTest, LowMemoryResetsTwice) {
  SetMemory(16u * 1024 * 1024);
  Loaded();
  for (void (TuningModel::*click)() : {&TuningModel::Button12Click, &TuningModel::Button4Click}) {
    machine.ui.Clear();
    (Model().*click)();
    // Overflow on the available figure, then the memory check against the reset's figure;
    // the order check passes.
    EXPECT_EQ(Boxes(), (Strings{kOverflow, kMemory}));
    EXPECT_EQ(C().Edit1, "32768");
    EXPECT_EQ(C().Edit2, "32");
    EXPECT_EQ(C().Edit3, "954");
    EXPECT_EQ(C().Label6, "1953792");
    EXPECT_EQ(C().Label5, "-15222784");  // 16,777,216 - 32,000,000
  }
}

TEST_F(PresetTest, OrderIsCheckedByPositions) {
  Loaded();
  Model().Button20Click();  // 32766 against MaxLRU 954
  EXPECT_EQ(Boxes(), Strings{kOrder});
  EXPECT_EQ(C().Edit1, "32768");
  EXPECT_EQ(C().Edit2, "32");
  EXPECT_EQ(C().Edit3, "954");
  EXPECT_EQ(C().Label6, "1953792");

  machine.ui.Clear();
  Loaded({.MaxLRU = 511}, true, "511");
  Model().Button7Click();  // equal passes
  EXPECT_TRUE(Boxes().empty());
  Model().Button24Click();  // MaxLRU 256 under MinLRU 511
  EXPECT_EQ(Boxes(), Strings{kOrder});
  EXPECT_EQ(C().Edit3, "954");

  // The fields do not count: a typed MaxLRU of 5 does not stop a MinLRU of 255.
  machine.ui.Clear();
  Loaded();
  Mutable().Edit3 = "5";
  Model().Button6Click();
  EXPECT_TRUE(Boxes().empty());
}

TEST_F(PresetTest, MinLRUPresetsKeepTheFiguresShown) {
  Loaded();
  SetMemory(40000000);
  Mutable().Edit1 = "8192";
  const std::string label5 = C().Label5;
  const std::string label6 = C().Label6;
  Model().Button6Click();
  EXPECT_EQ(C().Label5, label5);
  EXPECT_EQ(C().Label6, label6);
  EXPECT_TRUE(Boxes().empty());
}

TEST_F(PresetTest, PageSizePresetsComputeFromTheTypedMaxLRUAndKeepIt) {
  SetMemory(1000000000);
  Loaded();
  Mutable().Edit3 = "65535";
  Model().Button12Click();
  EXPECT_TRUE(Boxes().empty()) << machine.ui.ToString();
  EXPECT_EQ(C().Label6, "536862720");  // 8192 x 65535, not the fine-tuner's 954
  EXPECT_EQ(C().Edit3, "65535");

  Mutable().Edit3 = "40000";
  Model().Edit3Exit();
  ASSERT_EQ(C().UpDown3.position(), 256);
  machine.ui.Clear();
  Model().Button13Click();
  EXPECT_TRUE(Boxes().empty()) << machine.ui.ToString();
  // The field keeps the typed value the figure was computed from.
  EXPECT_EQ(C().Edit3, "40000");
  EXPECT_EQ(C().Label6, "655360000");  // 16384 x 40000
  Model().SaveandExit1Click();
  EXPECT_EQ(Driver("MaxLRU"), 40000u);
  EXPECT_EQ(Driver("PageSize"), 16384u);
}

TEST_F(PresetTest, ATypedFieldThatIsNoNumberEndsAPageSizePreset) {
  Loaded();
  Mutable().Edit3 = "x1";
  const std::string label5 = C().Label5;
  const std::string label6 = C().Label6;
  Model().Button13Click();
  EXPECT_EQ(Boxes(), Strings{"'x1' is not a valid integer value."});
  EXPECT_EQ(machine.ui.Boxes()[0].style, mb::kOk | mb::kIconHand);
  EXPECT_EQ(C().UpDown1.position(), 16384);
  EXPECT_EQ(C().Edit1, "16384");
  EXPECT_EQ(C().Label5, label5);
  EXPECT_EQ(C().Label6, label6);

  // A MaxLRU preset writes the field before reading it.
  machine.ui.Clear();
  Model().Button1Click();
  EXPECT_TRUE(Boxes().empty());
  EXPECT_EQ(C().Edit3, "1024");
}

TEST_F(PresetTest, HelpShowsItsTextInTheInformationBox) {
  Loaded();
  Model().Button21Click();
  ASSERT_EQ(machine.ui.Boxes().size(), 1u);
  EXPECT_EQ(machine.ui.Boxes()[0].text,
            "Presets set start values for Quillon-NT. Up/Down Fine Tune Arrows allow selection "
            "granularity. Max of 32768 on PageSize & MinLRU. Parameter MaxLRU can set manually "
            "over 32768 to 99999.");
  EXPECT_EQ(machine.ui.Boxes()[0].style, mb::kOk);
  EXPECT_EQ(machine.ui.Boxes()[0].caption, "Quillon Tuning Engine 5.0 ++ HXM Model");
}

using PresetPanelTest = TuneTest;

TEST_F(PresetPanelTest, MenuCommandsLeaveTheToolbarPairAlone) {
  Loaded();
  const TuneControls before = C();
  EXPECT_FALSE(C().PresetPanelVisible);
  EXPECT_EQ(C().PresetToolbarDown, PresetToolbarButton::kHidePresets);

  Model().ShowPreSetButtons1Click();
  EXPECT_TRUE(C().PresetPanelVisible);
  EXPECT_EQ(C().PresetToolbarDown, PresetToolbarButton::kHidePresets);
  Model().ToolbarButton979Click();
  EXPECT_EQ(C().PresetToolbarDown, PresetToolbarButton::kShowPresets);
  Model().HidePreSetButtons1Click();
  EXPECT_FALSE(C().PresetPanelVisible);
  EXPECT_EQ(C().PresetToolbarDown, PresetToolbarButton::kShowPresets);
  Model().ToolbarButton979Click();
  Model().ToolbarButton9710Click();
  EXPECT_FALSE(C().PresetPanelVisible);
  EXPECT_EQ(C().PresetToolbarDown, PresetToolbarButton::kHidePresets);

  // The values stay as they were.
  EXPECT_EQ(C().Edit1, before.Edit1);
  EXPECT_EQ(C().Edit3, before.Edit3);
  EXPECT_EQ(C().Label6, before.Label6);
  EXPECT_TRUE(Boxes().empty());
}

TEST_F(PresetPanelTest, ThePanelOrderNamesEveryPresetAndTheHelpButtonOnce) {
  std::vector<std::string> names;
  for (const auto& b : kPresetButtons) names.push_back(b.name);
  names.push_back(kPresetHelpButton);
  std::sort(names.begin(), names.end());
  std::vector<std::string> order(kPresetPanelOrder.begin(), kPresetPanelOrder.end());
  std::sort(order.begin(), order.end());
  EXPECT_EQ(order, names);
  EXPECT_EQ(FindPreset("Button14"), 2u);
  EXPECT_EQ(FindPreset("Button21"), std::nullopt);
}

}  // namespace
}  // namespace ql::tune::testing
