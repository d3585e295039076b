// The window's command tables and their dispatcher: the menus and toolbars entry by entry,
// the exclusive toolbar pairs, the command lines of the start commands, and which commands
// reach the model.
#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "tests/tune/tune_fixture.h"
#include "tune/commands.h"

namespace ql::tune::testing {
namespace {

using Strings = std::vector<std::string>;

template <typename Items>
Strings Captions(const Items& items) {
  Strings out;
  for (const CommandItem& item : items) out.push_back(item.id == 0 ? "-" : item.caption);
  return out;
}

Strings MenuCaptions(const MenuDef& menu) {
  Strings out;
  for (std::size_t i = 0; i < menu.count; ++i) {
    out.push_back(menu.items[i].id == 0 ? "-" : menu.items[i].caption);
  }
  return out;
}

TEST(CommandTablesTest, MainMenuHasItsFiveMenusInOrderWithSeparators) {
  ASSERT_EQ(kMainMenu.size(), 5u);
  EXPECT_STREQ(kMainMenu[0].caption, "Main");
  EXPECT_EQ(MenuCaptions(kMainMenu[0]),
            (Strings{"Event Viewer", "Registry Editor", "-", "System Information", "-", "Exit",
                     "Save and Exit"}));
  EXPECT_STREQ(kMainMenu[1].caption, "Tools");
  EXPECT_EQ(MenuCaptions(kMainMenu[1]),
            (Strings{"Quillon Configurator", "-", "Quillon Stats", "-", "Flush Quillon", "-",
                     "Remove Quillon", "-", "Reset Defaults"}));
  EXPECT_STREQ(kMainMenu[2].caption, "Presets");
  EXPECT_EQ(MenuCaptions(kMainMenu[2]), (Strings{"Show PreSet Buttons", "Hide PreSet Buttons"}));
  EXPECT_STREQ(kMainMenu[3].caption, "Visuals");
  EXPECT_EQ(MenuCaptions(kMainMenu[3]),
            (Strings{"Show Screen", "Hide Screen", "-", "Stay on Top", "Dont Stay on Top", "-",
                     "ToolTips On", "ToolTips Off", "-", "Rollup Screen", "UnRoll Screen"}));
  EXPECT_STREQ(kMainMenu[4].caption, "Help");
  EXPECT_EQ(MenuCaptions(kMainMenu[4]), (Strings{"Help", "-", "About"}));
}

TEST(CommandTablesTest, ContextMenuHasNoRemoveEntryAndSavesWithTheCheck) {
  EXPECT_EQ(
      Captions(kPopupMenu),
      (Strings{"Show Screen", "Hide Screen", "-", "Rollup Screen", "Unroll Screen", "-",
               "Stay on Top", "Dont Stay on Top", "-", "Quillon Configurator", "Quillon Stats",
               "Flush Quillon", "Reset Defaults", "-", "Exit", "Save and Exit"}));
  for (const CommandItem& item : kPopupMenu) EXPECT_NE(item.action, Action::kRemoveProduct);
  EXPECT_EQ(kPopupMenu[15].action, Action::kSaveandExit2);
  EXPECT_EQ(kMainMenuMain[6].action, Action::kSaveandExit1);
}

TEST(CommandTablesTest, NoCaptionCarriesAnAccessKeyAndEveryIdIsUnique) {
  std::set<std::uint16_t> ids;
  std::size_t entries = 0;
  const auto take = [&](const CommandItem& item) {
    if (item.id == 0) return;
    ++entries;
    ids.insert(item.id);
    EXPECT_EQ(std::string(item.caption).find('&'), std::string::npos) << item.caption;
    EXPECT_EQ(std::string(item.caption).find('\t'), std::string::npos) << item.caption;
    const auto found = FindCommand(item.id);
    ASSERT_TRUE(found) << item.name;
    EXPECT_STREQ(found->name, item.name);
  };
  for (const MenuDef& menu : kMainMenu) {
    for (std::size_t i = 0; i < menu.count; ++i) take(menu.items[i]);
  }
  for (const CommandItem& item : kPopupMenu) take(item);
  for (const CommandItem& item : kAdvancedToolbar) take(item);
  for (const GradientButtonDef& b : kBasicToolbar) {
    ++entries;
    ids.insert(b.id);
  }
  EXPECT_EQ(ids.size(), entries);
  // Preset buttons and the clock stay out of the command ids.
  EXPECT_EQ(ids.count(kClockId), 0u);
  EXPECT_FALSE(FindCommand(kPresetHelpId));
  EXPECT_FALSE(FindCommand(0));
}

TEST(CommandTablesTest, BasicToolbarHasFourGradientButtons) {
  Strings captions;
  for (const GradientButtonDef& b : kBasicToolbar) captions.push_back(b.caption);
  EXPECT_EQ(captions, (Strings{"Save and Exit", "Exit (No Save)", "Reset Defaults", "About"}));
  EXPECT_EQ(kBasicToolbar[0].action, Action::kGradBtn1);
  EXPECT_EQ(kBasicToolbar[1].action, Action::kGradBtn2);
  EXPECT_EQ(kBasicToolbar[2].action, Action::kGradBtn3);
  EXPECT_STREQ(kBasicToolbar[2].tooltip, "Reset Norvane Systems Recommended Defaults");
  EXPECT_EQ(kGradientButtonWidth, 143);
  EXPECT_EQ(kGradientButtonHeight, 36);
}

TEST(CommandTablesTest, AdvancedToolbarHasEighteenButtonsAndFivePairsEachWithOneDown) {
  EXPECT_EQ(Captions(kAdvancedToolbar), (Strings{"Event Viewer",
                                                 "Registry Editor",
                                                 "System Information",
                                                 "-",
                                                 "Quillon Configurator",
                                                 "Quillon Stats",
                                                 "Quillon Flush",
                                                 "Remove Quillon",
                                                 "Reset Default Settings",
                                                 "-",
                                                 "Show Preset Buttons",
                                                 "Hide Preset Buttons",
                                                 "-",
                                                 "Stay on Top",
                                                 "Dont Stay on Top",
                                                 "-",
                                                 "ToolTips On",
                                                 "Tooltips Off",
                                                 "-",
                                                 "Show Screen",
                                                 "Hide Screen",
                                                 "-",
                                                 "Rollup Screen",
                                                 "Unroll Screen",
                                                 "-"}));
  std::size_t buttons = 0;
  for (const CommandItem& item : kAdvancedToolbar) buttons += item.id != 0 ? 1 : 0;
  EXPECT_EQ(buttons, 18u);

  Strings downAtStart;
  for (int group = 1; group <= 5; ++group) {
    int members = 0;
    int down = 0;
    for (const CommandItem& item : kAdvancedToolbar) {
      if (item.group != group) continue;
      ++members;
      if (item.downAtStart) {
        ++down;
        downAtStart.push_back(item.name);
      }
    }
    EXPECT_EQ(members, 2) << group;
    EXPECT_EQ(down, 1) << group;
  }
  EXPECT_EQ(downAtStart, (Strings{"ToolbarButton9710", "ToolbarButton9712", "ToolbarButton9714",
                                  "ToolbarButton9715", "ToolbarButton9718"}));
}

TEST(CommandTablesTest, TooltipGroupHasFortyDistinctControlsWithoutTheTitleArea) {
  std::set<std::string> names(kTooltipGroup.begin(), kTooltipGroup.end());
  EXPECT_EQ(names.size(), 40u);
  for (const char* title : {"Image1", "NetGradient1", "DRLabel1", "NetGradient2", "Image2"}) {
    EXPECT_EQ(names.count(title), 0u) << title;
  }
  EXPECT_STREQ(kTooltipGroup.front(), "BasicDockPanel");
  EXPECT_STREQ(kTooltipGroup.back(), "Edit3");
}

TEST(ToolbarGroupsTest, PressingOneButtonOfAPairRaisesTheOther) {
  ToolbarGroups groups;
  EXPECT_TRUE(groups.IsDown(1312));   // Dont Stay on Top
  EXPECT_FALSE(groups.IsDown(1311));  // Stay on Top
  groups.Press(1311);
  EXPECT_TRUE(groups.IsDown(1311));
  EXPECT_FALSE(groups.IsDown(1312));
  EXPECT_TRUE(groups.IsDown(1314));  // other pairs untouched
  groups.Press(1311);                // pressing the down one keeps it down
  EXPECT_TRUE(groups.IsDown(1311));
  groups.Press(1301);  // a button without a pair changes nothing
  EXPECT_FALSE(groups.IsDown(1301));
  EXPECT_TRUE(groups.IsDown(1311));
}

TEST(CommandLineTest, StartCommandsBuildTheirLinesFromTheWindowsDirectory) {
  EXPECT_EQ(CommandLine(Action::kStartEventViewer, "C:\\WINNT"), "eventvwr.exe");
  EXPECT_EQ(CommandLine(Action::kStartRegistryEditor, "C:\\WINNT"), "regedt32.exe");
  EXPECT_EQ(CommandLine(Action::kStartConfigurator, "C:\\WINNT"),
            "C:\\WINNT\\system32\\QlConfig.exe");
  EXPECT_EQ(CommandLine(Action::kStartStats, "C:\\WINNT"), "QlStats.exe");
  EXPECT_EQ(CommandLine(Action::kFlushCache, "C:\\WINNT"), "QlFlush.exe");
  EXPECT_EQ(CommandLine(Action::kRemoveProduct, "C:\\WINNT"), "QlRemove.exe");
  EXPECT_EQ(CommandLine(Action::kHelp, "C:\\WINNT"), "winhlp32.exe C:\\WINNT\\QlTune.hlp");
  EXPECT_FALSE(CommandLine(Action::kAbout, "C:\\WINNT"));
}

TEST(CommandLineTest, WindowsDirectoryIsCutToTheReturnedLengthAndNeverOverrunsTheBuffer) {
  sim::SimMachine machine;
  machine.disks.windowsDirectory = "C:\\WINNT";
  EXPECT_EQ(WindowsDirectory(machine.disks), "C:\\WINNT");
  machine.disks.windowsDirectory = std::string(254, 'D');  // fits with its NUL
  EXPECT_EQ(WindowsDirectory(machine.disks), std::string(254, 'D'));
  machine.disks.windowsDirectory = std::string(300, 'D');  // the call asks for more room
  EXPECT_EQ(WindowsDirectory(machine.disks), "");
  machine.disks.windowsDirectory = "C:\\WINNT";
  machine.disks.windowsDirectoryFaults.FailNext(1);
  EXPECT_EQ(WindowsDirectory(machine.disks), "");
}

TEST(ClockTextTest, ShowsTheTimeInTwelveHourForm) {
  EXPECT_EQ(ClockText(0, 5, 9), "12:05:09 AM");
  EXPECT_EQ(ClockText(11, 59, 59), "11:59:59 AM");
  EXPECT_EQ(ClockText(12, 0, 0), "12:00:00 PM");
  EXPECT_EQ(ClockText(23, 30, 1), "11:30:01 PM");
}

// What the window was asked to do, in order.
class RecordingWindow : public WindowActions {
 public:
  void ShowMainWindow() override { calls.push_back("show"); }
  void HideMainWindow() override { calls.push_back("hide"); }
  void SetStayOnTop(bool on) override { calls.push_back(on ? "top" : "not top"); }
  void SetTooltips(bool on) override { calls.push_back(on ? "tips on" : "tips off"); }
  void RollUp() override { calls.push_back("roll up"); }
  void Unroll() override { calls.push_back("unroll"); }
  void ShowSystemInformation() override { calls.push_back("system information"); }
  void ModelChanged() override { calls.push_back("model"); }
  Strings calls;
};

class TuneCommandsTest : public TuneTest {
 protected:
  TuneCommands& Commands() {
    if (!commands_) commands_ = std::make_unique<TuneCommands>(machine.platform(), Model(), window);
    return *commands_;
  }
  Strings WinExecs() const {
    Strings out;
    for (const auto& call : machine.processes.WinExecCalls()) {
      out.push_back(call.commandLine + " /" + std::to_string(call.show));
    }
    return out;
  }

  RecordingWindow window;

 private:
  std::unique_ptr<TuneCommands> commands_;
};

TEST_F(TuneCommandsTest, StartCommandsHandTheirLinesToWinExecWithShowNormal) {
  Loaded();
  machine.disks.windowsDirectory = "C:\\WINNT";
  for (const int id : {1001, 1002, 1011, 1012, 1013, 1014, 1041, 1107, 1108, 1109, 1301, 1302, 1304,
                       1305, 1306, 1307}) {
    EXPECT_TRUE(Commands().Run(static_cast<std::uint16_t>(id))) << id;
  }
  EXPECT_EQ(WinExecs(),
            (Strings{"eventvwr.exe /1", "regedt32.exe /1", "C:\\WINNT\\system32\\QlConfig.exe /1",
                     "QlStats.exe /1", "QlFlush.exe /1", "QlRemove.exe /1",
                     "winhlp32.exe C:\\WINNT\\QlTune.hlp /1",
                     "C:\\WINNT\\system32\\QlConfig.exe /1", "QlStats.exe /1", "QlFlush.exe /1",
                     "eventvwr.exe /1", "regedt32.exe /1", "C:\\WINNT\\system32\\QlConfig.exe /1",
                     "QlStats.exe /1", "QlFlush.exe /1", "QlRemove.exe /1"}));
  EXPECT_TRUE(window.calls.empty());
  EXPECT_TRUE(Boxes().empty());
  EXPECT_TRUE(Records().empty());
}

TEST_F(TuneCommandsTest, AFailedStartIsNotReported) {
  Loaded();
  machine.processes.winExecResult = 2;  // file not found
  EXPECT_TRUE(Commands().Run(1012));
  EXPECT_EQ(WinExecs(), (Strings{"QlStats.exe /1"}));
  EXPECT_TRUE(Boxes().empty());
}

TEST_F(TuneCommandsTest, MenuCommandsLeaveTheToolbarPairsAsTheyAre) {
  Loaded();
  Commands().Run(1033);  // Stay on Top, main menu
  Commands().Run(1105);  // Stay on Top, context menu
  EXPECT_TRUE(Commands().groups().IsDown(1312));
  Commands().Run(1021);  // Show PreSet Buttons, menu
  EXPECT_TRUE(C().PresetPanelVisible);
  EXPECT_TRUE(Commands().groups().IsDown(1310));
  EXPECT_EQ(C().PresetToolbarDown, PresetToolbarButton::kHidePresets);

  Commands().Run(1311);  // the toolbar's own Stay on Top
  EXPECT_TRUE(Commands().groups().IsDown(1311));
  Commands().Run(1309);  // the toolbar's Show Preset Buttons
  EXPECT_TRUE(Commands().groups().IsDown(1309));
  EXPECT_EQ(C().PresetToolbarDown, PresetToolbarButton::kShowPresets);
  Commands().Run(1022);  // Hide from the menu: the pair stays
  EXPECT_FALSE(C().PresetPanelVisible);
  EXPECT_EQ(C().PresetToolbarDown, PresetToolbarButton::kShowPresets);
  EXPECT_EQ(window.calls, (Strings{"top", "top", "model", "top", "model", "model"}));
}

TEST_F(TuneCommandsTest, WindowCommandsReachTheWindowFromEveryPlace) {
  Loaded();
  for (const int id : {1031, 1101, 1315, 1032, 1102, 1316, 1034, 1106, 1312, 1035, 1313,
                       1036, 1314, 1037, 1103, 1317, 1038, 1104, 1318, 1003, 1303}) {
    EXPECT_TRUE(Commands().Run(static_cast<std::uint16_t>(id))) << id;
  }
  EXPECT_EQ(window.calls, (Strings{"show",
                                   "show",
                                   "show",
                                   "hide",
                                   "hide",
                                   "hide",
                                   "not top",
                                   "not top",
                                   "not top",
                                   "tips on",
                                   "tips on",
                                   "tips off",
                                   "tips off",
                                   "roll up",
                                   "roll up",
                                   "roll up",
                                   "unroll",
                                   "unroll",
                                   "unroll",
                                   "system information",
                                   "system information"}));
  Commands().TrayDoubleClick();
  EXPECT_EQ(window.calls.back(), "show");
  EXPECT_TRUE(Records().empty());
  EXPECT_FALSE(Commands().Run(999));
}

TEST_F(TuneCommandsTest, ModelCommandsRunTheirHandlersAndTheWindowFollows) {
  Loaded();
  Commands().Run(1110);  // Reset Defaults, context menu
  Commands().Run(1203);  // GradBtn3
  Commands().Run(1308);  // ToolbarButton978
  Commands().Run(1015);  // Reset Defaults, Tools menu
  EXPECT_EQ(Records(), (Strings{"Quillon Defaults Reset", "Quillon Defaults Reset",
                                "Quillon Defaults Reset", "Quillon Defaults Reset"}));
  EXPECT_EQ(window.calls, (Strings{"model", "model", "model", "model"}));

  Commands().Run(1202);  // Exit (No Save)
  EXPECT_TRUE(C().CloseRequested);
  EXPECT_EQ(Records().back(), "No Quillon Changes Implemented");
  EXPECT_TRUE(machine.registry.Writes().empty());
}

TEST_F(TuneCommandsTest, SaveFromTheBasicToolbarWritesAndAsksToClose) {
  Loaded();
  Commands().Run(1201);
  EXPECT_EQ(Records(), (Strings{"Quillon Tuning Implemented, Settings Changed"}));
  EXPECT_EQ(Driver("PageSize"), 32768u);
  EXPECT_TRUE(C().CloseRequested);
  EXPECT_EQ(window.calls, (Strings{"model"}));
}

TEST_F(TuneCommandsTest, PresetButtonsAndTheHelpButtonRunTheirHandlers) {
  Loaded();
  EXPECT_TRUE(Commands().Run(static_cast<std::uint16_t>(kPresetButtonFirstId + 11)));  // Button24
  EXPECT_EQ(C().Edit3, "256");
  EXPECT_TRUE(Commands().Run(kPresetHelpId));
  EXPECT_EQ(Boxes(), (Strings{kPresetHelpText}));
  EXPECT_FALSE(Commands().Run(static_cast<std::uint16_t>(kPresetButtonFirstId + 20)));
}

TEST_F(TuneCommandsTest, AboutAndTheLinkLabel) {
  Loaded();
  Commands().Run(1204);  // GradBtn4
  Commands().Run(1042);  // About, Help menu
  ASSERT_EQ(Boxes().size(), 2u);
  EXPECT_EQ(Boxes()[0], AboutText());
  EXPECT_EQ(Boxes()[0].rfind(
                "Quillon-NT Tuning Engine 5.0++ with Event Logging, resolution independent "
                "screens, Floating/Docking Toolbar, 1 Instance of App only allowed, and Stay on "
                "Top ability. ",
                0),
            0u);
  EXPECT_EQ(machine.ui.Boxes()[0].caption, kApplicationTitle);

  Commands().OpenLink(0x77);
  ASSERT_EQ(machine.processes.ShellExecuteCalls().size(), 1u);
  const auto& call = machine.processes.ShellExecuteCalls()[0];
  EXPECT_EQ(call.owner, WindowRef{0x77});
  EXPECT_EQ(call.verb, "open");
  EXPECT_EQ(call.file, kLinkAddress);
  EXPECT_FALSE(call.parameters);
  EXPECT_EQ(call.show, 3);
}

TEST(MainWindowCaptionTest, TitleFollowedByTheAuthorCredit) {
  EXPECT_EQ(MainWindowCaption().rfind("Quillon - NT Tuning Engine 5.0 ++ ", 0), 0u);
  EXPECT_GT(MainWindowCaption().size(), std::string(kTitleCaption).size() + 1);
}

}  // namespace
}  // namespace ql::tune::testing
