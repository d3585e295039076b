// The statistics monitor's engine: the start-up check of the driver's registration, the
// connection to the driver's control device, the timed statistics request, the differences
// between successive answers and the four display texts.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "common/driver_control.h"
#include "platform/platform.h"

namespace ql::stats {

// "\\.\" and at most three characters of DosDevice, with the terminator.
using DevicePath = char[8];

namespace text {
inline constexpr char kCannotConnect[] = "Cannot connect to driver";
inline constexpr char kNotInstalled[] = "Quillon-NT not installed";
inline constexpr char kNotRunning[] = "Quillon-NT not running";
inline constexpr char kNoDeviceHandle[] = "Could not get device handle";
inline constexpr char kErrorConnecting[] = "Error Connecting to Driver";
inline constexpr char kStatsFailedFormat[] = "IOCTL_OV_GET_STATS failed, code %d";
inline constexpr char kConnectionFailed[] = "Driver Connection Failed";
}  // namespace text

// Every failure the engine reports: error icon, one OK button.
inline constexpr std::uint32_t kErrorBoxStyle = mb::kOk | mb::kIconHand;

// The identifier the poll timer is set with.
inline constexpr std::uint32_t kPollTimerId = 1;

// Checks that the driver is registered to start at boot and forms the device path from its
// DosDevice value. On failure shows "Cannot connect to driver" (no owner window) under the
// caption that names the reason and returns false; path is then empty. Every key opened is
// closed on every path.
//
// A DosDevice text longer than three characters cannot be a drive designation and would not
// fit the path: it counts as a driver that is not installed, like an unreadable value.
bool CheckDriverRegistration(Platform& platform, DevicePath& path);

// "%11ld" of the low 32 bits of a counter difference, taken as a signed number.
std::string FormatCount(std::uint64_t difference);

// The share of numerator in denominator, both reduced to their low 32 bits: "100.0" when the
// denominator is 0, otherwise "%5.1f" of the percentage, never above 100.0.
std::string FormatPercent(std::uint64_t numerator, std::uint64_t denominator);

// The four counters the monitor uses, in the order it keeps them.
struct Counters {
  std::uint64_t reads = 0;
  std::uint64_t readHits = 0;
  std::uint64_t writes = 0;
  std::uint64_t writeBehinds = 0;
  friend bool operator==(const Counters&, const Counters&) = default;
};

Counters CountersOf(const OV_STATISTICS& answer);

// Modulo 2^64, counter by counter.
Counters Difference(const Counters& current, const Counters& previous);

// The texts of boxes 1001 to 1004.
struct Figures {
  std::string reads;
  std::string hitRate;
  std::string writes;
  std::string writeBehind;
  friend bool operator==(const Figures&, const Figures&) = default;
};

Figures FiguresOf(const Counters& difference);

// One sampling interval as the engine saw it; handed to the observer after every successful
// poll, so that a transcript of a run can be kept without touching the window.
struct IntervalResult {
  std::uint32_t clockMs = 0;  // the platform clock when the answer arrived
  Counters current;
  Counters difference;
  Figures figures;
};

// Why a start or a poll failed; handed to the failure observer before the message (if any)
// goes up, so that whoever records the run can note it while the message waits for the user.
struct PollFailure {
  enum class Where {
    kOpen,          // the device did not open
    kFirstRequest,  // the baseline request failed
    kTimer,         // no poll timer could be set
    kPoll,          // a poll failed: the connection is lost
  };
  Where where = Where::kOpen;
  Status error = err::kSuccess;
};

// Connection and polling. Owns the device handle and the poll timer: each is released once,
// by whichever of Disconnect, a failed poll or destruction comes first.
class PollEngine {
 public:
  PollEngine(Platform& platform, const char* devicePath);
  PollEngine(const PollEngine&) = delete;
  PollEngine& operator=(const PollEngine&) = delete;
  ~PollEngine();

  // The main window: owner of the messages and of the timer.
  void SetWindow(WindowRef window) { window_ = window; }

  // Opens the device, takes its first answer as the baseline and sets the poll timer to
  // intervalMs. onTick is what the platform calls for the timer's ticks where it does not
  // deliver them to the window itself. False after a message (or, when no timer could be set,
  // silently) with nothing left open.
  bool ConnectAndStart(std::uint32_t intervalMs, std::function<void(std::uint32_t)> onTick);

  // True for a tick of the running poll timer; other ticks are not the engine's.
  [[nodiscard]] bool IsPollTimer(std::uint32_t id) const;

  // One poll: the figures of the interval since the previous answer, or false after the
  // failure message, with the device closed and the timer stopped.
  bool PollOnce(Figures* figures);

  // Closes the device and stops the timer, whichever of them is still held.
  void Disconnect();

  [[nodiscard]] bool DeviceOpen() const { return deviceOpen_; }
  [[nodiscard]] bool TimerSet() const { return timerId_ != 0; }
  [[nodiscard]] const Counters& Previous() const { return previous_; }

  void SetObserver(std::function<void(const IntervalResult&)> observer) {
    observer_ = std::move(observer);
  }
  void SetFailureObserver(std::function<void(const PollFailure&)> observer) {
    failureObserver_ = std::move(observer);
  }

 private:
  // Sends the statistics request into answer_; on failure gives the system error code.
  bool Query(Status* error);
  void CloseDevice();
  void StopTimer();
  void ShowStatsFailure(Status error);
  void NoteFailure(PollFailure::Where where, Status error);

  Platform& platform_;
  const char* devicePath_;
  WindowRef window_ = kNoWindow;
  Handle device_ = kInvalidHandle;
  bool deviceOpen_ = false;
  std::uint32_t timerId_ = 0;
  Counters previous_;
  OV_STATISTICS answer_{};
  std::uint32_t bytesReturned_ = 0;
  std::function<void(const IntervalResult&)> observer_;
  std::function<void(const PollFailure&)> failureObserver_;
};

}  // namespace ql::stats
