// The wizard without its window: a command line chooses what a user would choose on the
// options page, and the run goes through the wizard's own start-up, checks, write sequence
// and registration (CQlConfigApp) with a host that plays the user's part on the same page
// presenters. Nobody is there to answer a message box, so the messages the run raises are
// collected for the log line, and the exit code tells how the run ended.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "config/command_line.h"
#include "config/install.h"
#include "config/wizard_app.h"
#include "platform/platform.h"

namespace ql::config {

// Exit codes of a run with arguments. The wizard's window always ends with 0.
namespace exitcode {
inline constexpr int kDone = 0;                // written and QlAlloc registered (or /?)
inline constexpr int kBadArguments = 1;        // nothing done
inline constexpr int kNotAdministrator = 2;    // nothing done
inline constexpr int kLowMemory = 3;           // the preparation done, no driver settings
inline constexpr int kNotFixedDrive = 4;       // nothing done
inline constexpr int kRegistryFailed = 5;      // the preparation or a settings write failed
inline constexpr int kRegistrationFailed = 6;  // settings written, QlAlloc not registered
inline constexpr int kAlreadyRegistered = 7;   // settings written, QlAlloc was there already
inline constexpr int kLogUnavailable = 8;      // the log file does not open; nothing done
}  // namespace exitcode

struct LocalTime {
  std::uint16_t year = 0;
  std::uint16_t month = 0;
  std::uint16_t day = 0;
  std::uint16_t hour = 0;
  std::uint16_t minute = 0;
  std::uint16_t second = 0;
};

// The file a run appends its line to, and the local time that line starts with.
class RunLog {
 public:
  virtual ~RunLog() = default;
  // Opens the file for appending, creating it when missing, readable by others while it is
  // open; false when it cannot be opened.
  virtual bool Open(const std::string& path) = 0;
  // Writes the text at the file's end: false when not all of it was written.
  virtual bool Append(std::string_view text) = 0;
  // GetLocalTime
  virtual LocalTime Now() = 0;
};

// The message boxes and standard-error warnings of a run without a window, in order, each
// as one line of text; every box is answered OK.
class CollectedMessages final : public Ui, public ErrorStream {
 public:
  int MessageBox(WindowRef owner, std::string_view text, std::string_view caption,
                 std::uint32_t style) override;
  void Write(std::string_view text) override;
  [[nodiscard]] const std::vector<std::string>& Lines() const { return lines_; }

 private:
  std::vector<std::string> lines_;
};

// Plays the user's part for one choice: Next, then on the options page a click on the
// chosen drive's entry and on the lazy-write button asked for, or a click on the disable
// entry; then Finish. A drive that the page would not list is refused before the registry
// is touched.
class UnattendedHost final : public WizardHost {
 public:
  UnattendedHost(const Platform& platform, const CommandLineRequest& request,
                 std::string programName);

  void EnableThreeDimensionalControls() override {}
  bool ReadyForRegistry() override;
  int RunWizard(CPage1& welcome, COptDlg& options) override;

  // The chosen drive was not among the page's fixed drives.
  [[nodiscard]] bool DriveMissing() const { return driveMissing_; }

 private:
  const Platform& platform_;
  const CommandLineRequest& request_;
  std::string programName_;
  bool driveMissing_ = false;
};

// The usage box's text: the forms of the command line and the exit codes.
std::string UsageText();

// Runs a command line's request (not kWizard): "/?" shows the usage box; otherwise the
// log is opened first when one is asked for (kLogUnavailable when it does not open), a
// refused command line ends with kBadArguments, and a choice runs the wizard's whole run
// without a window. Appends one line to the log saying what was written or why nothing was,
// and returns the exit code.
int RunUnattended(const Platform& platform, const CommandLineRequest& request,
                  std::string_view commandLine, RunLog& log, const std::string& programName);

// The log line (with its line break) of one run.
std::string FormatLogLine(const LocalTime& time, std::string_view programName,
                          std::string_view commandLine, int exitCode, std::string_view what);

}  // namespace ql::config
