// The tuning window's commands: every entry of the main menu, the context menu, the two
// toolbars and the tray icon, the action each one runs, and the dispatcher that runs it.
// The window only builds its menus and buttons from these tables and passes the identifier
// of what the user chose to TuneCommands::Run; every rule (which toolbar button of a pair is
// down, which command line starts which program) lives here.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "platform/platform.h"

namespace ql::tune {

class TuningModel;

enum class Action {
  kNone,  // a separator
  kStartEventViewer,
  kStartRegistryEditor,
  kSystemInformation,
  kStartConfigurator,
  kStartStats,
  kFlushCache,
  kRemoveProduct,
  kHelp,
  kAbout,
  kShowWindow,
  kHideWindow,
  kStayOnTop,
  kDontStayOnTop,
  kTooltipsOn,
  kTooltipsOff,
  kRollUp,
  kUnroll,
  kShowPresets,
  kHidePresets,
  // The model's own commands, each named after the entry that raises it.
  kExit1,
  kExit2,
  kGradBtn2,
  kSaveandExit1,
  kSaveandExit2,
  kGradBtn1,
  kResetDefaults1,
  kResetDefaults2,
  kGradBtn3,
  kToolbarButton978,
};

// One entry of a menu or toolbar. A separator has id 0, no caption and Action::kNone.
struct CommandItem {
  const char* name;     // the entry's name, e.g. "EventViewer1"; empty for a separator
  const char* caption;  // menu caption, or the tooltip of a toolbar button
  std::uint16_t id;     // menu item or control identifier
  Action action;
  int group = 0;             // advanced toolbar: exclusive pair 1..5, 0 for none
  bool downAtStart = false;  // advanced toolbar: the pair's button that is down at start
};

inline constexpr CommandItem kSeparator{"", "", 0, Action::kNone};

struct MenuDef {
  const char* caption;
  const CommandItem* items;
  std::size_t count;
};

// Main menu MainMenu1: five menus. No item has a shortcut or an access key.
inline constexpr CommandItem kMainMenuMain[]{
    {"EventViewer1", "Event Viewer", 1001, Action::kStartEventViewer},
    {"RegistryEditor1", "Registry Editor", 1002, Action::kStartRegistryEditor},
    kSeparator,
    {"SystemInformation1", "System Information", 1003, Action::kSystemInformation},
    kSeparator,
    {"Exit1", "Exit", 1004, Action::kExit1},
    {"SaveandExit1", "Save and Exit", 1005, Action::kSaveandExit1},
};
inline constexpr CommandItem kMainMenuTools[]{
    {"QuillonConfigurator1", "Quillon Configurator", 1011, Action::kStartConfigurator},
    kSeparator,
    {"QuillonStats1", "Quillon Stats", 1012, Action::kStartStats},
    kSeparator,
    {"FlushQuillon1", "Flush Quillon", 1013, Action::kFlushCache},
    kSeparator,
    {"RemoveQuillon1", "Remove Quillon", 1014, Action::kRemoveProduct},
    kSeparator,
    {"ResetDefaults1", "Reset Defaults", 1015, Action::kResetDefaults1},
};
inline constexpr CommandItem kMainMenuPresets[]{
    {"ShowPreSetButtons1", "Show PreSet Buttons", 1021, Action::kShowPresets},
    {"HidePreSetButtons1", "Hide PreSet Buttons", 1022, Action::kHidePresets},
};
inline constexpr CommandItem kMainMenuVisuals[]{
    {"Show2Screen1", "Show Screen", 1031, Action::kShowWindow},
    {"Hide2Screen1", "Hide Screen", 1032, Action::kHideWindow},
    kSeparator,
    {"StayonTop1", "Stay on Top", 1033, Action::kStayOnTop},
    {"DontStayonTop1", "Dont Stay on Top", 1034, Action::kDontStayOnTop},
    kSeparator,
    {"ToolTipsOn1", "ToolTips On", 1035, Action::kTooltipsOn},
    {"ToolTipsOff1", "ToolTips Off", 1036, Action::kTooltipsOff},
    kSeparator,
    {"RollupScreen1", "Rollup Screen", 1037, Action::kRollUp},
    {"UnRollScreen1", "UnRoll Screen", 1038, Action::kUnroll},
};
inline constexpr CommandItem kMainMenuHelp[]{
    {"Help1", "Help", 1041, Action::kHelp},
    kSeparator,
    {"About1", "About", 1042, Action::kAbout},
};

inline constexpr std::array<MenuDef, 5> kMainMenu{{
    {"Main", kMainMenuMain, std::size(kMainMenuMain)},
    {"Tools", kMainMenuTools, std::size(kMainMenuTools)},
    {"Presets", kMainMenuPresets, std::size(kMainMenuPresets)},
    {"Visuals", kMainMenuVisuals, std::size(kMainMenuVisuals)},
    {"Help", kMainMenuHelp, std::size(kMainMenuHelp)},
}};

// Context menu PopupMenu1, also the tray icon's menu. It has no Remove entry.
inline constexpr CommandItem kPopupMenu[]{
    {"ShowScreen1", "Show Screen", 1101, Action::kShowWindow},
    {"HideScreen1", "Hide Screen", 1102, Action::kHideWindow},
    kSeparator,
    {"RollupScreen2", "Rollup Screen", 1103, Action::kRollUp},
    {"UnrollScreen2", "Unroll Screen", 1104, Action::kUnroll},
    kSeparator,
    {"StayonTop2", "Stay on Top", 1105, Action::kStayOnTop},
    {"DontStayonTop2", "Dont Stay on Top", 1106, Action::kDontStayOnTop},
    kSeparator,
    {"QuillonConfigurator2", "Quillon Configurator", 1107, Action::kStartConfigurator},
    {"QuillonStats2", "Quillon Stats", 1108, Action::kStartStats},
    {"FlushQuillon2", "Flush Quillon", 1109, Action::kFlushCache},
    {"ResetDefaults2", "Reset Defaults", 1110, Action::kResetDefaults2},
    kSeparator,
    {"Exit2", "Exit", 1111, Action::kExit2},
    {"SaveandExit2", "Save and Exit", 1112, Action::kSaveandExit2},
};

// The basic toolbar's four gradient buttons: caption, tooltip, id, action.
struct GradientButtonDef {
  const char* name;
  const char* caption;
  const char* tooltip;
  std::uint16_t id;
  Action action;
};
inline constexpr int kGradientButtonWidth = 143;
inline constexpr int kGradientButtonHeight = 36;
inline constexpr std::array<GradientButtonDef, 4> kBasicToolbar{{
    {"GradBtn1", "Save and Exit", "Save Your Changes and Exit the Program", 1201,
     Action::kGradBtn1},
    {"GradBtn2", "Exit (No Save)", "Exit the Program without Saving", 1202, Action::kGradBtn2},
    {"GradBtn3", "Reset Defaults", "Reset Norvane Systems Recommended Defaults", 1203,
     Action::kGradBtn3},
    {"GradBtn4", "About", "About the Program and Author Contact", 1204, Action::kAbout},
}};

// The advanced toolbar's image buttons, left to right; the caption is the tooltip.
inline constexpr int kImageButtonWidth = 24;
inline constexpr int kImageButtonHeight = 25;
inline constexpr CommandItem kAdvancedToolbar[]{
    {"ToolbarButton971", "Event Viewer", 1301, Action::kStartEventViewer},
    {"ToolbarButton972", "Registry Editor", 1302, Action::kStartRegistryEditor},
    {"ToolbarButton973", "System Information", 1303, Action::kSystemInformation},
    kSeparator,
    {"ToolbarButton974", "Quillon Configurator", 1304, Action::kStartConfigurator},
    {"ToolbarButton975", "Quillon Stats", 1305, Action::kStartStats},
    {"ToolbarButton976", "Quillon Flush", 1306, Action::kFlushCache},
    {"ToolbarButton977", "Remove Quillon", 1307, Action::kRemoveProduct},
    {"ToolbarButton978", "Reset Default Settings", 1308, Action::kToolbarButton978},
    kSeparator,
    {"ToolbarButton979", "Show Preset Buttons", 1309, Action::kShowPresets, 1, false},
    {"ToolbarButton9710", "Hide Preset Buttons", 1310, Action::kHidePresets, 1, true},
    kSeparator,
    {"ToolbarButton9711", "Stay on Top", 1311, Action::kStayOnTop, 2, false},
    {"ToolbarButton9712", "Dont Stay on Top", 1312, Action::kDontStayOnTop, 2, true},
    kSeparator,
    {"ToolbarButton9713", "ToolTips On", 1313, Action::kTooltipsOn, 3, false},
    {"ToolbarButton9714", "Tooltips Off", 1314, Action::kTooltipsOff, 3, true},
    kSeparator,
    {"ToolbarButton9715", "Show Screen", 1315, Action::kShowWindow, 4, true},
    {"ToolbarButton9716", "Hide Screen", 1316, Action::kHideWindow, 4, false},
    kSeparator,
    {"ToolbarButton9717", "Rollup Screen", 1317, Action::kRollUp, 5, false},
    {"ToolbarButton9718", "Unroll Screen", 1318, Action::kUnroll, 5, true},
    kSeparator,
};
inline constexpr char kClockTooltip[] = "Clock";
inline constexpr std::uint16_t kClockId = 1319;

// Preset panel: the buttons of kPresetButtons get kPresetButtonFirstId + their index; the
// help button Button21 its own id.
inline constexpr std::uint16_t kPresetButtonFirstId = 1401;
inline constexpr std::uint16_t kPresetHelpId = 1420;

// The tray icon.
inline constexpr char kTrayTooltip[] = "RightClick=Menu, DoubleClick=MainScreen";

// The controls whose tooltips Tooltips on / Tooltips off switch, in the order they are
// switched. The title area and the parameter captions are not among them.
inline constexpr std::array<const char*, 40> kTooltipGroup{
    "BasicDockPanel", "AdvancedDockPanel", "GradBtn1",    "GradBtn2",    "GradBtn3",
    "GradBtn4",       "Button1",           "Button2",     "Button3",     "Button4",
    "Button5",        "Button6",           "Button7",     "Button8",     "Button9",
    "Button10",       "Button12",          "Button13",    "Button14",    "Button16",
    "Button17",       "Button18",          "Button19",    "Button20",    "Button21",
    "Button24",       "TrackBar1",         "StaticText1", "Toolbar971",  "Toolbar",
    "AutoSizer",      "StaticText2",       "Label5Frame", "Label6Frame", "UpDown1",
    "UpDown2",        "UpDown3",           "Edit1",       "Edit2",       "Edit3"};

// The entry with this id in any of the tables above; none for an unknown id.
[[nodiscard]] std::optional<CommandItem> FindCommand(std::uint16_t id);

// The Windows directory as the commands use it: read into 255 characters and cut to the
// length the platform returns. A directory that does not fit (or a failed call) gives an
// empty text rather than characters from beyond what was written.
inline constexpr std::uint32_t kWindowsDirectoryRoom = 255;
[[nodiscard]] std::string WindowsDirectory(Disks& disks);

// The command line a start action hands to WinExec; none for other actions. Only the
// configurator and Help use the Windows directory.
[[nodiscard]] std::optional<std::string> CommandLine(Action action,
                                                     std::string_view windowsDirectory);

// WinExec's show mode for every start command, and ShellExecuteA's for the link label.
inline constexpr int kShowNormal = 1;
inline constexpr int kShowMaximized = 3;

// The time of day in 12-hour form, as the advanced toolbar's clock shows it: "h:mm:ss AM".
[[nodiscard]] std::string ClockText(int hour, int minute, int second);

// The About text: the fixed sentence and the author credit.
inline constexpr char kAuthorCredit[] = "Norvane Systems";
[[nodiscard]] std::string AboutText();
// The main window's caption: the title and the author credit.
[[nodiscard]] std::string MainWindowCaption();

// The link label below the figures.
inline constexpr char kLinkCaption[] = "Updates and Support";
inline constexpr char kLinkAddress[] = "http://www.norvane.example/quillon/";

// What the window does for the commands that are not the model's own work.
class WindowActions {
 public:
  virtual ~WindowActions() = default;
  virtual void ShowMainWindow() = 0;       // visible, then restored
  virtual void HideMainWindow() = 0;       // minimised, then invisible
  virtual void SetStayOnTop(bool on) = 0;  // SetWindowPos topmost / not topmost, flags 0x13
  virtual void SetTooltips(bool on) = 0;   // the tooltip group, in its order
  virtual void RollUp() = 0;               // height 0
  virtual void Unroll() = 0;               // height DefaultHeight
  virtual void ShowSystemInformation() = 0;
  // The model's state changed: copy it to the controls (and close when it asks to).
  virtual void ModelChanged() = 0;
};

// Which button of each exclusive pair of the advanced toolbar is down.
class ToolbarGroups {
 public:
  ToolbarGroups();
  // A press on a grouped button puts it down and raises its partner; other ids change
  // nothing.
  void Press(std::uint16_t id);
  [[nodiscard]] bool IsDown(std::uint16_t id) const;

 private:
  std::array<std::uint16_t, 6> down_{};  // per group 1..5, the id of its down button
};

class TuneCommands {
 public:
  TuneCommands(const Platform& platform, TuningModel& model, WindowActions& window)
      : platform_(platform), model_(model), window_(window) {}

  // Runs the entry with this id (menu item, toolbar button, preset button); false when the
  // id is none of them.
  bool Run(std::uint16_t id);
  // The link label was clicked.
  void OpenLink(WindowRef owner);
  // The tray icon was double-clicked.
  void TrayDoubleClick() { window_.ShowMainWindow(); }

  [[nodiscard]] const ToolbarGroups& groups() const { return groups_; }

 private:
  void RunAction(Action action);
  void Start(Action action);

  Platform platform_;
  TuningModel& model_;
  WindowActions& window_;
  ToolbarGroups groups_;
};

}  // namespace ql::tune
