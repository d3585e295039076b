// The two wizard pages as presenters: what each page shows and how it answers the user's
// actions. The Win32 shell copies this state to the controls and forwards the events; tests
// drive the same objects without a window.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "common/driver_settings.h"
#include "config/drives.h"
#include "platform/platform.h"

namespace ql::config {

// Wizard button flags of the property sheet.
namespace wizb {
inline constexpr std::uint32_t kBack = 0x1;
inline constexpr std::uint32_t kNext = 0x2;
inline constexpr std::uint32_t kFinish = 0x4;
inline constexpr std::uint32_t kDisabledFinish = 0x8;
}  // namespace wizb

// What the sheet's modal run returns when the user pressed Finish.
inline constexpr int kIdWizFinish = 12325;

// Image indexes in the drive list's image strip.
inline constexpr int kDriveImage = 3;
inline constexpr int kDisableImage = 0;
// The list is told to expect this many entries (a sizing hint only).
inline constexpr int kDriveListHint = 32;

// The property sheet as its pages see it.
class WizardSheet {
 public:
  virtual ~WizardSheet() = default;
  // PSM_SETWIZBUTTONS, posted to the sheet.
  virtual void SetWizardButtons(std::uint32_t flags) = 0;
  // SetWindowTextA on the sheet.
  virtual void SetCaption(std::string_view text) = 0;
};

// The caption the welcome page gives the sheet: "... V4.0-1 ...".
std::string WizardCaption();

// The welcome page.
class CPage1 {
 public:
  // Next alone, and the sheet's caption.
  void OnSetActive(WizardSheet& sheet);
};

// The options page: the choice of partition (or none) and of lazy writing.
class COptDlg {
 public:
  struct Entry {
    std::string text;
    int image = 0;
    friend bool operator==(const Entry&, const Entry&) = default;
  };

  COptDlg(const Platform& platform, DriverSettings& settings, std::string programName);

  // First display: the stored configuration, then the drive entries and the disable entry.
  void OnInitDialog();
  // Back and Finish once a choice was made on the list, Back and a disabled Finish before.
  void OnSetActive(WizardSheet& sheet);
  // A mouse click on the list. `focusedIndex` is the entry that holds the focus, -1 for none;
  // the last entry (the disable entry) is never taken as a drive.
  void OnListClick(WizardSheet& sheet, int focusedIndex);
  // "Off" (0) or "On" (1) pressed.
  void OnLazyButton(WizardSheet& sheet, int value);
  // Finish and Cancel both free the drive list.
  void OnWizardFinish();
  void OnCancel();

  // What the page shows.
  [[nodiscard]] const std::vector<Entry>& Entries() const { return entries_; }
  [[nodiscard]] const std::string& Summary() const { return summary_; }
  [[nodiscard]] bool LazyButtonsEnabled() const { return lazyButtonsEnabled_; }
  // The pressed lazy-write button: 0 = "Off", 1 = "On".
  [[nodiscard]] int LazyChoice() const { return lazyChoice_; }
  [[nodiscard]] bool ChoiceMade() const { return choiceMade_; }
  [[nodiscard]] bool Initialized() const { return initialized_; }
  [[nodiscard]] const DriveRecord* ChosenDrive() const { return chosenDrive_; }
  [[nodiscard]] const DriveRecord* Drives() const { return drives_.get(); }

 private:
  void ShowEnabled(const char* driveName, bool lazy);
  void FreeDrives();

  const Platform& platform_;
  DriverSettings& settings_;
  std::string programName_;

  int lazyChoice_ = 0;
  const DriveRecord* chosenDrive_ = nullptr;
  bool choiceMade_ = false;
  std::unique_ptr<DriveRecord> drives_;

  bool initialized_ = false;
  std::vector<Entry> entries_;
  std::string summary_;
  bool lazyButtonsEnabled_ = true;
};

}  // namespace ql::config
