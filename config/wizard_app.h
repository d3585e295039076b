// The wizard's run from start to end: the administrator and memory checks, the preparation
// of the registry, the cache budget, the two pages and what Finish does.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "common/driver_settings.h"
#include "config/install.h"
#include "config/pages.h"
#include "platform/platform.h"

namespace ql::config {

// Machines with less physical memory than this (a decimal 32 million) are refused.
inline constexpr std::uint32_t kMinimumPhysicalMemory = 32000000;
// The largest cache the wizard offers: 256 MiB.
inline constexpr std::uint32_t kCacheBudgetCap = 268435456;

// True when the caller's token (the thread's, or the process's when the thread has none)
// holds the built-in Administrators group, whatever the group's attributes.
bool IsAdministrator(Security& security);

// A sixteenth plus a quarter of physical memory, each truncated on its own, at most 256 MiB.
std::uint32_t CacheBudget(std::uint32_t totalPhysicalBytes);

// The program's help file: its own path with the extension replaced by ".HLP".
std::string HelpFilePath(std::string_view modulePath);

// The program's name as captions show it: the file name without directory and extension.
std::string ProgramNameFromPath(std::string_view modulePath);

// What the run needs of a user interface beyond message boxes.
class WizardHost {
 public:
  virtual ~WizardHost() = default;
  // Switches on the three-dimensional look of dialog controls.
  virtual void EnableThreeDimensionalControls() = 0;
  // Asked once the caller is known to be an administrator, before anything touches the
  // registry: false ends the run there, with nothing written. The wizard's window always
  // goes on; a run without a window refuses a choice it could not make on the page.
  virtual bool ReadyForRegistry() { return true; }
  // Builds the wizard-mode sheet with the welcome page and the options page, in that order,
  // runs it modally and returns its result (kIdWizFinish when Finish was pressed).
  virtual int RunWizard(CPage1& welcome, COptDlg& options) = 0;
};

// Where a run ended, and for a Finish what became of the write and the registration.
struct RunOutcome {
  enum class End {
    kNotStarted,
    kNotAdministrator,
    kRefusedByHost,
    kPreparationFailed,
    kLowMemory,
    kCancelled,
    kFinished,
  };
  End end = End::kNotStarted;
  // kFinished only: the settings handed to the write sequence, whether every value was
  // written, whether QlAlloc was registered and, when not, the status of the failed call.
  DriverSettings written;
  bool settingsWritten = false;
  bool serviceRegistered = false;
  Status registrationStatus = err::kSuccess;
};

class CQlConfigApp {
 public:
  CQlConfigApp(const Platform& platform, WizardHost& host, ErrorStream& errors,
               std::string programName = "QlConfig");

  // The whole run; always false, so no message loop follows.
  bool InitInstance();

  [[nodiscard]] const RunOutcome& Outcome() const { return outcome_; }
  [[nodiscard]] const MemoryStatus& MemoryFigures() const { return memory_; }
  [[nodiscard]] std::uint32_t Budget() const { return cacheBudget_; }
  // The run's settings; null outside InitInstance.
  [[nodiscard]] DriverSettings* Settings() const { return settings_.get(); }

 private:
  const Platform& platform_;
  WizardHost& host_;
  ErrorStream& errors_;
  std::string programName_;
  std::unique_ptr<DriverSettings> settings_;
  RunOutcome outcome_;
  MemoryStatus memory_;
  std::uint32_t cacheBudget_ = 0;
};

}  // namespace ql::config
