// The window's rules apart from any window: the tooltip switch, the focus order, and which
// control events run which handler, with the model on the in-memory machine.
#include "tune/window_events.h"

#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>
#include <vector>

#include "tests/tune/tune_fixture.h"
#include "tune/commands.h"
#include "tune/tooltip_switch.h"

namespace ql::tune::testing {
namespace {

using Strings = std::vector<std::string>;

// ----------------------------------------------------------------------- tooltip switch

// A tooltip control that counts how often each tool is registered with it, as the real one
// keeps one entry per registration.
class CountingTooltips : public TooltipHost {
 public:
  void AddTool(std::size_t tool) override {
    ++registered[tool];
    order.push_back(tool);
  }
  void RemoveTool(std::size_t tool) override {
    if (registered[tool] > 0) --registered[tool];
  }
  [[nodiscard]] int Total() const {
    int total = 0;
    for (const auto& [tool, count] : registered) total += count;
    return total;
  }
  std::map<std::size_t, int> registered;
  std::vector<std::size_t> order;
};

// Every control of the group with one tool, the toolbar with three (its buttons).
TooltipSwitch GroupSwitch() {
  TooltipSwitch tips;
  for (auto it = kTooltipGroup.rbegin(); it != kTooltipGroup.rend(); ++it) tips.Register(*it);
  tips.Register("Toolbar971");
  tips.Register("Toolbar971");
  return tips;
}

TEST(TooltipSwitchTest, AfterAnySequenceOfOnAndOffEveryToolIsThereOnceOrNotAtAll) {
  // On from the menu and On from the toolbar, then Off, left tips showing before.
  const std::vector<std::vector<bool>> sequences{{true, true, false},
                                                 {true, true, true},
                                                 {false, false, true},
                                                 {true, false, true, true},
                                                 {false},
                                                 {true, true, false, false, true, false}};
  for (const auto& sequence : sequences) {
    TooltipSwitch tips = GroupSwitch();
    CountingTooltips host;
    for (const bool on : sequence) tips.Set(on, host);
    const bool last = sequence.back();
    EXPECT_EQ(tips.on(), last);
    for (std::size_t tool = 0; tool < tips.size(); ++tool) {
      EXPECT_EQ(host.registered[tool], last ? 1 : 0) << "tool " << tool;
      EXPECT_EQ(tips.IsAdded(tool), last);
    }
    EXPECT_EQ(host.Total(), last ? 42 : 0);
  }
}

TEST(TooltipSwitchTest, ToolsAreSwitchedInTheGroupsOrderAndOthersNever) {
  TooltipSwitch tips;
  const std::size_t edit3 = tips.Register("Edit3");
  const std::size_t title = tips.Register("DRLabel1");  // not in the group: always shows
  const std::size_t dock = tips.Register("BasicDockPanel");
  const std::size_t button = tips.Register("GradBtn1");
  CountingTooltips host;
  tips.Set(true, host);
  EXPECT_EQ(host.order, (std::vector<std::size_t>{dock, button, edit3}));
  EXPECT_EQ(host.registered[title], 0);
  tips.Set(false, host);
  EXPECT_FALSE(tips.IsAdded(title));
  EXPECT_EQ(host.Total(), 0);
}

// ------------------------------------------------------------------------- focus order

// The window's controls by name: which can take the focus, and which one has it.
class FakeWindow : public WindowFocus {
 public:
  FakeWindow() {
    for (const char* name : kFocusOrder) available.insert(name);
  }
  bool CanTakeFocus(std::string_view control) override {
    return available.count(std::string(control)) != 0;
  }
  void SetFocusTo(std::string_view control) override {
    const std::string left = focus;
    focus = std::string(control);
    log.push_back("focus " + focus);
    if (events != nullptr && !left.empty()) events->FocusLeft(left, true);
  }
  void Press(std::string_view control) override { log.push_back("press " + std::string(control)); }

  std::set<std::string> available;
  std::string focus;
  Strings log;
  WindowEvents* events = nullptr;
};

// The window as it starts: the preset panel hidden.
void HidePresets(FakeWindow& window) {
  for (const char* name : kPresetPanelOrder) window.available.erase(name);
}

Strings Walk(FakeWindow& window, std::string from, bool backward, int steps) {
  Strings out;
  for (int i = 0; i < steps; ++i) {
    from = std::string(NextFocus(from, backward, window));
    out.push_back(from);
  }
  return out;
}

TEST(FocusOrderTest, TabWalksTopToBottomPassingOverWhatCannotTakeTheFocusAndWraps) {
  FakeWindow window;
  HidePresets(window);
  EXPECT_EQ(Walk(window, "TrackBar1", false, 10),
            (Strings{"Edit1", "Edit2", "Edit3", "AutoSizer", "GradBtn1", "GradBtn2", "GradBtn3",
                     "GradBtn4", "TrackBar1", "Edit1"}));
  EXPECT_EQ(Walk(window, "Edit1", true, 3), (Strings{"TrackBar1", "GradBtn4", "GradBtn3"}));

  // The track bar is disabled without lazy writing; the preset panel, once shown, lies
  // between the fields.
  window.available.erase("TrackBar1");
  EXPECT_EQ(NextFocus("GradBtn4", false, window), "Edit1");
  for (const char* name : kPresetPanelOrder) window.available.insert(name);
  EXPECT_EQ(Walk(window, "GradBtn4", false, 6),
            (Strings{"Button12", "Button13", "Button14", "Button21", "Edit1", "Button6"}));
  EXPECT_EQ(Walk(window, "Edit3", true, 2), (Strings{"Button17", "Button16"}));
}

TEST(FocusOrderTest, FromAControlThatIsNoTabStopTheFirstOrTheLastAndNothingWhenNoneCan) {
  FakeWindow window;
  HidePresets(window);
  EXPECT_EQ(NextFocus("", false, window), "TrackBar1");
  EXPECT_EQ(NextFocus("Link", true, window), "GradBtn4");
  EXPECT_EQ(NextFocus("UpDown2", false, window), "TrackBar1");
  window.available.clear();
  EXPECT_EQ(NextFocus("Edit1", false, window), "");
  window.available.insert("Edit2");
  EXPECT_EQ(NextFocus("Edit2", false, window), "Edit2");
}

// ------------------------------------------------------------------------- control events

class WindowEventsTest : public TuneTest {
 protected:
  class NoWindow : public WindowActions {
   public:
    void ShowMainWindow() override {}
    void HideMainWindow() override {}
    void SetStayOnTop(bool) override {}
    void SetTooltips(bool) override {}
    void RollUp() override {}
    void Unroll() override {}
    void ShowSystemInformation() override {}
    void ModelChanged() override {}
  };

  WindowEvents& Events() {
    if (!events_) {
      commands_ = std::make_unique<TuneCommands>(machine.platform(), Model(), actions_);
      events_ = std::make_unique<WindowEvents>(Model(), *commands_, window);
      window.events = events_.get();
    }
    return *events_;
  }

  // The user types into the MaxLRU field, which has the focus.
  void Type(const std::string& text) {
    window.focus = "Edit3";
    Events().Edit3Typed(text);
  }

  WindowEventsTest() { HidePresets(window); }

  FakeWindow window;

 private:
  NoWindow actions_;
  std::unique_ptr<TuneCommands> commands_;
  std::unique_ptr<WindowEvents> events_;
};

TEST_F(WindowEventsTest, LeavingTheMaxLRUFieldByTabRunsEdit3ExitAsAClickElsewhereDoes) {
  // 40000 pages of 32768 bytes do not fit: leaving the field resets, by key or by mouse.
  for (const bool byKey : {true, false}) {
    machine.ui.Clear();
    Loaded();
    Type("40000");
    if (byKey) {
      EXPECT_TRUE(Events().KeyDown("Edit3", Key::kTab, false));
      EXPECT_EQ(window.focus, "AutoSizer");
    } else {
      Events().FocusLeft("Edit3", true);  // a click on another control of the window
    }
    EXPECT_EQ(Boxes(), Strings{msg::kMemory}) << byKey;
    EXPECT_EQ(C().Edit3, "954");
    EXPECT_EQ(C().Label6, kSafeFigure);
  }
  // Shift+Tab leaves it as well; the focus going to a message box or another program does
  // not.
  machine.ui.Clear();
  Type("40000");
  EXPECT_TRUE(Events().KeyDown("Edit3", Key::kTab, true));
  EXPECT_EQ(window.focus, "Edit2");
  EXPECT_EQ(Boxes(), Strings{msg::kMemory});
  machine.ui.Clear();
  Type("40000");
  Events().FocusLeft("Edit3", false);
  EXPECT_TRUE(Boxes().empty());
  EXPECT_EQ(C().Edit3, "40000");
}

TEST_F(WindowEventsTest, ArrowKeysInAFieldAreItsFineTunersClickAndReturnPressesButtons) {
  Loaded({.MinLRU = 32, .MaxLRU = 954, .PageSize = 16384}, true, "954", "16384");
  EXPECT_TRUE(Events().KeyDown("Edit1", Key::kUp, false));
  EXPECT_EQ(C().Edit1, "16896");
  EXPECT_TRUE(Events().KeyDown("Edit2", Key::kDown, false));
  EXPECT_EQ(C().Edit2, "30");
  EXPECT_TRUE(Events().KeyDown("Edit3", Key::kUp, false));
  EXPECT_EQ(C().Edit3, "956");
  EXPECT_TRUE(Boxes().empty()) << machine.ui.ToString();

  // Elsewhere the arrows are the control's own (the track bar moves itself).
  EXPECT_FALSE(Events().KeyDown("TrackBar1", Key::kUp, false));
  EXPECT_FALSE(Events().KeyDown("Edit3", Key::kOther, false));
  EXPECT_TRUE(Events().KeyDown("GradBtn1", Key::kReturn, false));
  EXPECT_TRUE(Events().KeyDown("Button24", Key::kReturn, false));
  EXPECT_FALSE(Events().KeyDown("Edit3", Key::kReturn, false));
  EXPECT_FALSE(Events().KeyDown("AutoSizer", Key::kReturn, false));
  EXPECT_EQ(window.log, (Strings{"press GradBtn1", "press Button24"}));
}

TEST_F(WindowEventsTest, ClicksRunTheirCommandsAndTheTrackBarItsHandler) {
  Loaded();
  Events().TrackBarMoved(44);
  EXPECT_EQ(C().StaticText1, "44");
  Events().FineTunerClicked(3, Arrow::kDown);
  EXPECT_EQ(C().Edit3, "952");
  EXPECT_TRUE(Events().Clicked(1203));  // GradBtn3: Reset Defaults
  EXPECT_EQ(C().StaticText1, "16");
  EXPECT_FALSE(Events().Clicked(4242));
}

}  // namespace
}  // namespace ql::tune::testing
