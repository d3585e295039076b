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
}  // namespace text

inline constexpr std::int32_t kInitialSamplingRate = 2;
inline constexpr std::int32_t kMinSamplingRate = 1;
inline constexpr std::int32_t kMaxSamplingRate = 3600;

// A refused rate: a warning, not a driver failure.
inline constexpr std::uint32_t kRateBoxStyle = mb::kOk | mb::kIconExclamation;

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

  // Events.
  // Window creation: the window reference and string 101 (the About entry's text).
  void OnInit(WindowRef window, std::string_view aboutEntryText);
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
};

// The application object: the start-up check, then the dialog, run modally by the shell.
class StatsMonitorApp {
 public:
  explicit StatsMonitorApp(Platform& platform) : platform_(platform) {}

  // Returns the program's exit code: 1 when the start-up check ended it without a window,
  // else 0 once runModal returns.
  int Run(const std::function<void(StatsDialog&)>& runModal);

  // The device path the start-up check formed.
  [[nodiscard]] const char* DevicePath() const { return devicePath_; }

 private:
  Platform& platform_;
  stats::DevicePath devicePath_ = {};
};

}  // namespace ql::stats
