// The monitor's window as a plain object: what its controls show and one method per command
// or event. The program shell copies this state to the dialog's controls and forwards the
// dialog's events; nothing here knows about windows beyond their reference.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

#include "platform/platform.h"
#include "stats/stats_engine.h"
#include "stats/stats_log.h"

namespace ql::stats {

// Control and command identifiers of the monitor's window.
namespace id {
inline constexpr int kOk = 1;
inline constexpr int kExit = 2;  // the Cancel command
inline constexpr int kRunStop = 1000;
inline constexpr int kReads = 1001;
inline constexpr int kHitRate = 1002;
inline constexpr int kWrites = 1003;
inline constexpr int kWriteBehind = 1004;
inline constexpr int kRate = 1005;
// System-menu command of the About entry.
inline constexpr std::uint32_t kAboutCommand = 0x10;
}  // namespace id

namespace text {
inline constexpr char kRun[] = "Run";
inline constexpr char kStop[] = "Stop";
inline constexpr char kCountPlaceholder[] = "********";
inline constexpr char kPercentPlaceholder[] = "****";
inline constexpr char kNotAnInteger[] = "Please enter an integer.";
inline constexpr char kOutOfRangeFormat[] = "Please enter an integer between %1 and %2.";
inline constexpr char kRateCaption[] = "QlStats";
inline constexpr char kLogCaption[] = "QlStats";
inline constexpr char kLogNotOpenedFormat[] = "Could not open the log file %s (error %u).";
inline constexpr char kLogNotWrittenFormat[] =
    "Could not write to the log file %s (error %u). The log has ended; the window goes on "
    "polling.";
}  // namespace text

inline constexpr std::int32_t kInitialSamplingRate = 2;
inline constexpr std::int32_t kMinSamplingRate = 1;
inline constexpr std::int32_t kMaxSamplingRate = 3600;

// The longest rate text the monitor reads from its box. A longer one (pasted: typing takes
// digits only) is no whole number, however it would begin: cutting it to this length and
// reading the rest would run the monitor at a rate the user never wrote.
inline constexpr std::size_t kMaxRateTextLength = 63;

// A refused rate: a warning, not a driver failure.
inline constexpr std::uint32_t kRateBoxStyle = mb::kOk | mb::kIconExclamation;
// A log that cannot be opened ends the program; one that cannot be written ends only the log.
inline constexpr std::uint32_t kLogNotOpenedStyle = mb::kOk | mb::kIconHand;
inline constexpr std::uint32_t kLogNotWrittenStyle = mb::kOk | mb::kIconExclamation;

// The note a log ends with when a start or a poll failed.
std::string FailureNote(const PollFailure& failure);

// Parses the rate box's text as a whole number: blanks around it, an optional sign, decimal
// digits, and a value that fits 32 bits signed. Anything else is no number.
std::optional<std::int32_t> ParseInteger(std::string_view text);

// "Please enter an integer between %1 and %2." with both filled in.
std::string OutOfRangeMessage(std::int32_t low, std::int32_t high);

// A system command is the About entry when, with its low four bits cleared, it is 0x10.
constexpr bool IsAboutCommand(std::uint32_t command) {
  return (command & 0xFFF0u) == id::kAboutCommand;
}

// Where a minimised window draws its icon: centred, by integer division.
struct Point {
  int x = 0;
  int y = 0;
};
constexpr Point IconPosition(int clientWidth, int clientHeight, int iconWidth, int iconHeight) {
  return Point{(clientWidth - iconWidth + 1) / 2, (clientHeight - iconHeight + 1) / 2};
}

class StatsDialog {
 public:
  StatsDialog(Platform& platform, const char* devicePath);
  StatsDialog(const StatsDialog&) = delete;
  StatsDialog& operator=(const StatsDialog&) = delete;

  // What the shell does to copy this object's state to the controls at once. The Run command
  // calls it before it connects, so that the window already reads "Stop" with the
  // placeholders when a connection message goes up over it.
  void SetRefresh(std::function<void()> refresh) { refresh_ = std::move(refresh); }

  // A log opened for this window: polling starts with OnStartLog at the given rate, and
  // every interval goes into the log until Stop, Exit or a lost connection ends it.
  void AttachLog(StatsLog& log, std::int32_t rate);
  // True while an attached log waits for OnStartLog.
  [[nodiscard]] bool LogStartPending() const { return log_ != nullptr && !logStarted_; }
  [[nodiscard]] bool Logging() const { return logging_; }

  // Events.
  // Window creation: the window reference and string 101 (the About entry's text).
  void OnInit(WindowRef window, std::string_view aboutEntryText);
  // Once the window shows, with a log attached: the rate goes into box 1005 and the Run
  // command runs.
  void OnStartLog();
  // Button 1000.
  void OnRunStop();
  // A timer tick; false when it is not the poll timer's, for the default handling.
  bool OnTimer(std::uint32_t timerId);
  // The close request (system menu, Alt+F4, caption button), before its default handling,
  // which then ends the dialog as Cancel.
  void OnCloseRequest();
  // Cancel (button 2, Escape): the dialog ends.
  void OnCancel();
  // OK (Enter with no button focused): the dialog ends when the rate is accepted.
  void OnOk();
  // The user edited box 1005.
  void SetRateText(std::string_view text) { texts_[Index(id::kRate)] = text; }

  // What the window shows.
  [[nodiscard]] const std::string& Text(int controlId) const { return texts_[Index(controlId)]; }
  [[nodiscard]] bool RateBoxEnabled() const { return rateBoxEnabled_; }
  [[nodiscard]] bool Running() const { return running_; }
  [[nodiscard]] std::int32_t SamplingRate() const { return samplingRate_; }
  // The system menu's About entry, when one is to be appended.
  [[nodiscard]] const std::optional<std::string>& AboutEntry() const { return aboutEntry_; }
  // After a refused rate: the focus goes to box 1005 with its text selected. Reading the
  // request clears it.
  [[nodiscard]] bool TakeRateFocusRequest() { return std::exchange(rateFocusRequest_, false); }
  // Set once the dialog is to end, with the command that ended it (1 OK, 2 Cancel).
  [[nodiscard]] const std::optional<int>& EndResult() const { return endResult_; }

  [[nodiscard]] PollEngine& Engine() { return engine_; }

  // Control ids 1000 to 1005 in order.
  static constexpr std::array<int, 6> kControls = {id::kRunStop, id::kReads,       id::kHitRate,
                                                   id::kWrites,  id::kWriteBehind, id::kRate};

 private:
  static std::size_t Index(int controlId) {
    return static_cast<std::size_t>(controlId - id::kRunStop);
  }
  // Box 1005 to SamplingRate with its check; false after the message (focus back in the box).
  bool TakeRate();
  void WriteRate();
  void WritePlaceholders();
  void End(int result);
  void Refresh();
  void EndLog();
  void OnPollFailure(const PollFailure& failure);

  Platform& platform_;
  PollEngine engine_;
  WindowRef window_ = kNoWindow;
  std::array<std::string, 6> texts_;
  bool rateBoxEnabled_ = true;
  bool running_ = false;
  std::int32_t samplingRate_ = kInitialSamplingRate;
  std::optional<std::string> aboutEntry_;
  bool rateFocusRequest_ = false;
  std::optional<int> endResult_;
  std::function<void()> refresh_;
  StatsLog* log_ = nullptr;
  std::int32_t logRate_ = kInitialSamplingRate;
  bool logStarted_ = false;
  bool logging_ = false;
};

// What the log needs besides the platform bundle.
struct LogServices {
  Files& files;
  LocalTime& clock;
};

// The application object: the command line, the start-up check, the log when one was asked
// for, then the dialog, run modally by the shell.
class StatsMonitorApp {
 public:
  StatsMonitorApp(Platform& platform, LogServices logServices)
      : platform_(platform), log_(logServices.files, logServices.clock) {}

  // Returns the program's exit code (exitcode:: in command_line.h): 0 once runModal returns
  // or after the usage asked for; otherwise the reason no window was shown.
  int Run(std::string_view commandLine, const std::function<void(StatsDialog&)>& runModal);

  // The device path the start-up check formed.
  [[nodiscard]] const char* DevicePath() const { return devicePath_; }

 private:
  Platform& platform_;
  stats::DevicePath devicePath_ = {};
  StatsLog log_;
};

}  // namespace ql::stats
