#include "tune/commands.h"

#include <cstdio>
#include <exception>

#include "tune/controls.h"
#include "tune/presets.h"
#include "tune/tuning_model.h"

namespace ql::tune {

namespace {

template <std::size_t N>
std::optional<CommandItem> FindIn(const CommandItem (&items)[N], std::uint16_t id) {
  for (const CommandItem& item : items) {
    if (item.id != 0 && item.id == id) return item;
  }
  return std::nullopt;
}

std::optional<CommandItem> FindInMenus(std::uint16_t id) {
  for (const MenuDef& menu : kMainMenu) {
    for (std::size_t i = 0; i < menu.count; ++i) {
      if (menu.items[i].id != 0 && menu.items[i].id == id) return menu.items[i];
    }
  }
  return std::nullopt;
}

constexpr char kAboutSentence[] =
    "Quillon-NT Tuning Engine 5.0++ with Event Logging, resolution independent screens, "
    "Floating/Docking Toolbar, 1 Instance of App only allowed, and Stay on Top ability.";

}  // namespace

std::optional<CommandItem> FindCommand(std::uint16_t id) {
  if (id == 0) return std::nullopt;
  if (auto item = FindInMenus(id)) return item;
  if (auto item = FindIn(kPopupMenu, id)) return item;
  if (auto item = FindIn(kAdvancedToolbar, id)) return item;
  for (const GradientButtonDef& button : kBasicToolbar) {
    if (button.id == id) return CommandItem{button.name, button.caption, button.id, button.action};
  }
  return std::nullopt;
}

std::string WindowsDirectory(Disks& disks) {
  char buffer[kWindowsDirectoryRoom + 1] = {};
  const std::uint32_t length = disks.GetWindowsDirectory(buffer, kWindowsDirectoryRoom);
  // A length of kWindowsDirectoryRoom or more is the size the directory would need.
  if (length == 0 || length >= kWindowsDirectoryRoom) return {};
  return std::string(buffer, length);
}

std::optional<std::string> CommandLine(Action action, std::string_view windowsDirectory) {
  switch (action) {
    case Action::kStartEventViewer:
      return "eventvwr.exe";
    case Action::kStartRegistryEditor:
      return "regedt32.exe";
    case Action::kStartConfigurator:
      return std::string(windowsDirectory) + "\\system32\\QlConfig.exe";
    case Action::kStartStats:
      return "QlStats.exe";
    case Action::kFlushCache:
      return "QlFlush.exe";
    case Action::kRemoveProduct:
      return "QlRemove.exe";
    case Action::kHelp:
      return "winhlp32.exe " + std::string(windowsDirectory) + "\\QlTune.hlp";
    default:
      return std::nullopt;
  }
}

std::string ClockText(int hour, int minute, int second) {
  const bool pm = hour >= 12;
  int shown = hour % 12;
  if (shown == 0) shown = 12;
  char text[16] = {};
  std::snprintf(text, sizeof text, "%d:%02d:%02d %s", shown, minute % 60, second % 60,
                pm ? "PM" : "AM");
  return text;
}

std::string AboutText() {
  return std::string(kAboutSentence) + " Written by " + kAuthorCredit + ".";
}

std::string MainWindowCaption() { return std::string(kTitleCaption) + " by " + kAuthorCredit; }

// ------------------------------------------------------------------------ toolbar pairs

ToolbarGroups::ToolbarGroups() {
  for (const CommandItem& item : kAdvancedToolbar) {
    if (item.group > 0 && item.downAtStart) down_[static_cast<std::size_t>(item.group)] = item.id;
  }
}

void ToolbarGroups::Press(std::uint16_t id) {
  for (const CommandItem& item : kAdvancedToolbar) {
    if (item.id == id && item.group > 0) down_[static_cast<std::size_t>(item.group)] = id;
  }
}

bool ToolbarGroups::IsDown(std::uint16_t id) const {
  for (const CommandItem& item : kAdvancedToolbar) {
    if (item.id == id && item.group > 0) return down_[static_cast<std::size_t>(item.group)] == id;
  }
  return false;
}

// ---------------------------------------------------------------------------- dispatch

bool TuneCommands::Run(std::uint16_t id) {
  if (id >= kPresetButtonFirstId && id < kPresetButtonFirstId + kPresetButtons.size()) {
    model_.PresetClick(static_cast<std::size_t>(id - kPresetButtonFirstId));
    window_.ModelChanged();
    return true;
  }
  if (id == kPresetHelpId) {
    model_.Button21Click();
    window_.ModelChanged();
    return true;
  }
  const std::optional<CommandItem> item = FindCommand(id);
  if (!item) return false;
  // Only a press on the advanced toolbar's own button changes which one of its pair is down;
  // the menus leave the pairs alone.
  groups_.Press(id);
  if (item->action == Action::kShowPresets && item->group > 0) {
    model_.ToolbarButton979Click();
    window_.ModelChanged();
    return true;
  }
  if (item->action == Action::kHidePresets && item->group > 0) {
    model_.ToolbarButton9710Click();
    window_.ModelChanged();
    return true;
  }
  RunAction(item->action);
  return true;
}

void TuneCommands::Start(Action action) {
  const bool needsDirectory = action == Action::kStartConfigurator || action == Action::kHelp;
  const std::string directory = needsDirectory ? WindowsDirectory(platform_.disks) : std::string();
  if (const auto line = CommandLine(action, directory)) {
    // Fire and forget: a program that does not start is not reported.
    (void)platform_.processes.WinExec(*line, kShowNormal);
  }
}

void TuneCommands::RunAction(Action action) {
  switch (action) {
    case Action::kNone:
      return;
    case Action::kStartEventViewer:
    case Action::kStartRegistryEditor:
    case Action::kStartConfigurator:
    case Action::kStartStats:
    case Action::kFlushCache:
    case Action::kRemoveProduct:
    case Action::kHelp:
      Start(action);
      return;
    case Action::kSystemInformation:
      window_.ShowSystemInformation();
      return;
    case Action::kAbout:
      try {
        model_.boxes().Information(AboutText());
      } catch (const std::exception& e) {
        model_.boxes().Error(e.what());
      }
      return;
    case Action::kShowWindow:
      window_.ShowMainWindow();
      return;
    case Action::kHideWindow:
      window_.HideMainWindow();
      return;
    case Action::kStayOnTop:
      window_.SetStayOnTop(true);
      return;
    case Action::kDontStayOnTop:
      window_.SetStayOnTop(false);
      return;
    case Action::kTooltipsOn:
      window_.SetTooltips(true);
      return;
    case Action::kTooltipsOff:
      window_.SetTooltips(false);
      return;
    case Action::kRollUp:
      window_.RollUp();
      return;
    case Action::kUnroll:
      window_.Unroll();
      return;
    case Action::kShowPresets:
      model_.ShowPreSetButtons1Click();
      break;
    case Action::kHidePresets:
      model_.HidePreSetButtons1Click();
      break;
    case Action::kExit1:
      model_.Exit1Click();
      break;
    case Action::kExit2:
      model_.Exit2Click();
      break;
    case Action::kGradBtn2:
      model_.GradBtn2Click();
      break;
    case Action::kSaveandExit1:
      model_.SaveandExit1Click();
      break;
    case Action::kSaveandExit2:
      model_.SaveandExit2Click();
      break;
    case Action::kGradBtn1:
      model_.GradBtn1Click();
      break;
    case Action::kResetDefaults1:
      model_.ResetDefaults1Click();
      break;
    case Action::kResetDefaults2:
      model_.ResetDefaults2Click();
      break;
    case Action::kGradBtn3:
      model_.GradBtn3Click();
      break;
    case Action::kToolbarButton978:
      model_.ToolbarButton978Click();
      break;
  }
  window_.ModelChanged();
}

void TuneCommands::OpenLink(WindowRef owner) {
  (void)platform_.processes.ShellExecute(owner, "open", kLinkAddress, nullptr, nullptr,
                                         kShowMaximized);
}

}  // namespace ql::tune
