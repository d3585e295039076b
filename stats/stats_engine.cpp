#include "stats/stats_engine.h"

#include <cstdio>
#include <utility>

#include "common/driver_settings.h"

namespace ql::stats {

namespace {

bool RefuseStart(Platform& platform, DevicePath& path, const char* caption) {
  path[0] = '\0';
  platform.ui.MessageBox(kNoWindow, text::kCannotConnect, caption, kErrorBoxStyle);
  return false;
}

}  // namespace

bool CheckDriverRegistration(Platform& platform, DevicePath& path) {
  path[0] = '\0';
  Registry& registry = platform.registry;

  DosDeviceText dosDevice;
  {
    ScopedKey service(registry);
    if (registry.OpenKey(kHkeyLocalMachine, kServiceKeyPath, reg::kAllAccess, service.Receive()) !=
        err::kSuccess) {
      return RefuseStart(platform, path, text::kNotInstalled);
    }
    std::uint32_t start = 0;
    if (!ReadDwordValue(registry, service.Get(), val::kStart, &start)) {
      return RefuseStart(platform, path, text::kNotInstalled);
    }
    // Only a driver that loads at boot is running; one set to start later never caches.
    if (start != 0) return RefuseStart(platform, path, text::kNotRunning);
  }

  ScopedKey parameters(registry);
  if (registry.OpenKey(kHkeyLocalMachine, kParametersKeyPath, reg::kAllAccess,
                       parameters.Receive()) != err::kSuccess) {
    return RefuseStart(platform, path, text::kNotInstalled);
  }
  if (!ReadDosDeviceValue(registry, parameters.Get(), dosDevice)) {
    return RefuseStart(platform, path, text::kNotInstalled);
  }
  parameters.Close();

  if (!FormMonitorDevicePath(dosDevice, path)) {
    return RefuseStart(platform, path, text::kNotInstalled);
  }
  return true;
}

std::string FormatCount(std::uint64_t difference) {
  // The low half as a signed number: a counter that went backwards shows as negative.
  const auto low = static_cast<std::int32_t>(static_cast<std::uint32_t>(difference));
  char buffer[16];
  std::snprintf(buffer, sizeof buffer, "%11ld", static_cast<long>(low));
  return buffer;
}

std::string FormatPercent(std::uint64_t numerator, std::uint64_t denominator) {
  const auto n = static_cast<std::uint32_t>(numerator);
  const auto d = static_cast<std::uint32_t>(denominator);
  // No operations in the interval count as fully served.
  if (d == 0) return "100.0";
  double percent = static_cast<double>(n) / static_cast<double>(d) * 100.0;
  // The counters are sampled one after the other, so hits may run ahead of their reads.
  if (percent > 100.0) percent = 100.0;
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, "%5.1f", percent);
  return buffer;
}

Counters CountersOf(const OV_STATISTICS& answer) {
  return Counters{answer.ReadCount, answer.ReadHitCount, answer.WriteCount,
                  answer.WriteBehindCount};
}

Counters Difference(const Counters& current, const Counters& previous) {
  return Counters{current.reads - previous.reads, current.readHits - previous.readHits,
                  current.writes - previous.writes, current.writeBehinds - previous.writeBehinds};
}

Figures FiguresOf(const Counters& difference) {
  return Figures{
      FormatCount(difference.reads), FormatPercent(difference.readHits, difference.reads),
      FormatCount(difference.writes), FormatPercent(difference.writeBehinds, difference.writes)};
}

PollEngine::PollEngine(Platform& platform, const char* devicePath)
    : platform_(platform), devicePath_(devicePath) {}

PollEngine::~PollEngine() { Disconnect(); }

bool PollEngine::ConnectAndStart(std::uint32_t intervalMs,
                                 std::function<void(std::uint32_t)> onTick) {
  // A start while something is still held (never the case from the window) begins afresh.
  Disconnect();

  Status error = err::kSuccess;
  const Handle device = platform_.device.CreateFile(devicePath_, kDeviceAccess, kDeviceShare,
                                                    kDeviceCreation, 0, &error);
  if (device == kInvalidHandle) {
    NoteFailure(PollFailure::Where::kOpen, error);
    platform_.ui.MessageBox(window_, text::kNoDeviceHandle, text::kErrorConnecting, kErrorBoxStyle);
    return false;
  }
  device_ = device;
  deviceOpen_ = true;

  if (!Query(&error)) {
    NoteFailure(PollFailure::Where::kFirstRequest, error);
    ShowStatsFailure(error);
    CloseDevice();
    return false;
  }
  // The baseline: the first figures cover exactly one interval.
  previous_ = CountersOf(answer_);

  timerId_ = platform_.clock.SetTimer(window_, kPollTimerId, intervalMs, std::move(onTick));
  if (timerId_ == 0) {
    // Without a timer nothing would ever be polled; keep no handle for a start that cannot run.
    CloseDevice();
    NoteFailure(PollFailure::Where::kTimer, err::kSuccess);
    return false;
  }
  return true;
}

bool PollEngine::IsPollTimer(std::uint32_t id) const { return timerId_ != 0 && id == timerId_; }

bool PollEngine::PollOnce(Figures* figures) {
  if (!deviceOpen_) return false;
  Status error = err::kSuccess;
  if (!Query(&error)) {
    // Release both before the message: ticks keep arriving while a message box is up, and
    // each would otherwise raise another box over it.
    CloseDevice();
    StopTimer();
    NoteFailure(PollFailure::Where::kPoll, error);
    ShowStatsFailure(error);
    return false;
  }
  IntervalResult result;
  result.clockMs = platform_.clock.Milliseconds();
  result.current = CountersOf(answer_);
  result.difference = Difference(result.current, previous_);
  result.figures = FiguresOf(result.difference);
  previous_ = result.current;
  if (figures != nullptr) *figures = result.figures;
  if (observer_) observer_(result);
  return true;
}

void PollEngine::Disconnect() {
  CloseDevice();
  StopTimer();
}

bool PollEngine::Query(Status* error) {
  bytesReturned_ = 0;
  return platform_.device.DeviceIoControl(device_, IOCTL_OV_GET_STATS, nullptr, 0, &answer_,
                                          sizeof answer_, &bytesReturned_, error);
}

void PollEngine::CloseDevice() {
  if (!deviceOpen_) return;
  platform_.device.CloseHandle(device_);
  device_ = kInvalidHandle;
  deviceOpen_ = false;
}

void PollEngine::StopTimer() {
  if (timerId_ == 0) return;
  platform_.clock.KillTimer(window_, timerId_);
  timerId_ = 0;
}

void PollEngine::NoteFailure(PollFailure::Where where, Status error) {
  if (failureObserver_) failureObserver_(PollFailure{where, error});
}

void PollEngine::ShowStatsFailure(Status error) {
  char message[64];
  std::snprintf(message, sizeof message, text::kStatsFailedFormat, static_cast<int>(error));
  platform_.ui.MessageBox(window_, message, text::kConnectionFailed, kErrorBoxStyle);
}

}  // namespace ql::stats
