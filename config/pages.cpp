#include "config/pages.h"

#include <cstdio>
#include <cstring>

#include "config/texts.h"

namespace ql::config {

std::string WizardCaption() {
  char text[64] = {};
  std::snprintf(text, sizeof text, kWizardCaptionFormat, kVersionMajor, kVersionMinor,
                static_cast<unsigned>(kVersionRevision));
  return text;
}

void CPage1::OnSetActive(WizardSheet& sheet) {
  sheet.SetWizardButtons(wizb::kNext);
  sheet.SetCaption(WizardCaption());
}

COptDlg::COptDlg(const Platform& platform, DriverSettings& settings, std::string programName)
    : platform_(platform), settings_(settings), programName_(std::move(programName)) {}

void COptDlg::ShowEnabled(const char* driveName, bool lazy) {
  char text[sizeof kEnabledFormat + sizeof settings_.DosDevice] = {};
  std::snprintf(text, sizeof text, kEnabledFormat, driveName, lazy ? kOn : kOff);
  summary_ = text;
}

void COptDlg::OnInitDialog() {
  if (initialized_) return;
  initialized_ = true;

  lazyChoice_ = 0;
  if (settings_.Start != 0) {
    summary_ = kStoredDisabled;
    lazyButtonsEnabled_ = false;
  } else {
    lazyChoice_ = settings_.LazyWrite == 1 ? 1 : 0;
    lazyButtonsEnabled_ = true;
    ShowEnabled(settings_.DosDevice, lazyChoice_ == 1);
  }

  drives_ = EnumerateFixedDrives(platform_, programName_);
  if (!drives_) return;
  for (const DriveRecord* r = drives_.get(); r != nullptr; r = r->Next.get()) {
    entries_.push_back({FormatDriveEntry(*r), kDriveImage});
  }
  entries_.push_back({kDisableEntry, kDisableImage});
}

void COptDlg::OnSetActive(WizardSheet& sheet) {
  sheet.SetWizardButtons(choiceMade_ ? (wizb::kBack | wizb::kFinish)
                                     : (wizb::kBack | wizb::kDisabledFinish));
}

void COptDlg::OnListClick(WizardSheet& sheet, int focusedIndex) {
  chosenDrive_ = nullptr;
  const int count = static_cast<int>(entries_.size());
  const DriveRecord* record = drives_.get();
  for (int i = 0; i < count - 1 && record != nullptr; ++i, record = record->Next.get()) {
    if (i == focusedIndex) {
      chosenDrive_ = record;
      break;
    }
  }

  if (chosenDrive_ != nullptr) {
    const std::uint64_t budget = settings_.CacheBudget;
    const std::uint64_t cacheBytes =
        chosenDrive_->SizeBytes < budget ? chosenDrive_->SizeBytes : budget;
    // The cache is never larger than the budget, a 32-bit figure.
    settings_.MaxLRU =
        settings_.PageSize == 0 ? 0 : static_cast<std::uint32_t>(cacheBytes) / settings_.PageSize;
    lazyButtonsEnabled_ = true;
    settings_.Drive = chosenDrive_->DiskNumber;
    settings_.Partition = chosenDrive_->PartitionNumber;
    std::memset(settings_.DosDevice, 0, sizeof settings_.DosDevice);
    std::memcpy(settings_.DosDevice, chosenDrive_->DriveName, sizeof chosenDrive_->DriveName);
    settings_.LazyWrite = static_cast<std::uint32_t>(lazyChoice_);
    settings_.Start = 0;
    ShowEnabled(chosenDrive_->DriveName, lazyChoice_ == 1);
  } else {
    lazyButtonsEnabled_ = false;
    settings_.Start = 4;
    summary_ = kChosenDisabled;
  }
  sheet.SetWizardButtons(wizb::kBack | wizb::kFinish);
  choiceMade_ = true;
}

void COptDlg::OnLazyButton(WizardSheet& sheet, int value) {
  // The buttons are disabled while no drive is in effect; a press then changes nothing.
  if (!lazyButtonsEnabled_) return;
  settings_.LazyWrite = static_cast<std::uint32_t>(value);
  ShowEnabled(chosenDrive_ != nullptr ? chosenDrive_->DriveName : settings_.DosDevice, value == 1);
  lazyChoice_ = value;
  sheet.SetWizardButtons(wizb::kBack | wizb::kFinish);
}

void COptDlg::FreeDrives() {
  chosenDrive_ = nullptr;
  drives_.reset();
}

void COptDlg::OnWizardFinish() { FreeDrives(); }

void COptDlg::OnCancel() { FreeDrives(); }

}  // namespace ql::config
