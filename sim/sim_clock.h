// The virtual clock every sim shares, and window timers on it.
//
// Time is a 64-bit count of virtual milliseconds that moves only when something asks it to:
// Advance() is what a Sleep or a slow driver request does (timers do not fire), Pump() is
// what a message loop does while time passes (due timers fire in time order). Nothing here
// reads the machine's real clock.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/clock.h"
#include "sim/sim_fault.h"

namespace ql::sim {

class SimClock : public Clock {
 public:
  // Windows raises intervals below this to it.
  static constexpr std::uint32_t kMinimumInterval = 10;

  struct TimerInfo {
    WindowRef window = kNoWindow;
    std::uint32_t id = 0;
    std::uint32_t interval = 0;  // as given
    std::uint64_t due = 0;       // virtual time of the next tick
    std::uint64_t ticks = 0;     // ticks delivered so far
  };

  enum class TimerEventKind { kSet, kKill, kTick };
  struct TimerEvent {
    TimerEventKind kind;
    WindowRef window;
    std::uint32_t id;
    std::uint64_t time;
    bool ok;  // kSet: a timer was set; kKill: an existing timer was killed
  };

  explicit SimClock(std::uint64_t start = 0) : now_(start) {}

  // Clock
  std::uint32_t Milliseconds() override { return static_cast<std::uint32_t>(now_); }
  std::uint32_t SetTimer(WindowRef window, std::uint32_t id, std::uint32_t milliseconds,
                         std::function<void(std::uint32_t id)> onTick) override;
  bool KillTimer(WindowRef window, std::uint32_t id) override;

  // Virtual time.
  [[nodiscard]] std::uint64_t Now() const { return now_; }
  // Moves time forward without delivering timer ticks.
  void Advance(std::uint64_t milliseconds) { now_ += milliseconds; }
  // Moves time forward by milliseconds and delivers every tick that falls due on the way, in
  // time order (ties in the order the timers were set). A timer that fell due before the
  // pump started ticks once at the start, as a message queue holds at most one WM_TIMER.
  void Pump(std::uint64_t milliseconds);
  // Puts the clock at an absolute time, backwards as well; delivers nothing. The thread sim
  // uses it to run a thread on a forked timeline.
  void Set(std::uint64_t now) { now_ = now; }

  // What tests read.
  [[nodiscard]] std::vector<TimerInfo> ActiveTimers() const;
  [[nodiscard]] bool HasTimer(WindowRef window, std::uint32_t id) const;
  [[nodiscard]] const std::vector<TimerEvent>& TimerEvents() const { return events_; }
  // Counts of SetTimer calls that set a timer, KillTimer calls that killed one, and
  // KillTimer calls for a timer that did not exist.
  [[nodiscard]] std::uint32_t TimersSet() const { return set_; }
  [[nodiscard]] std::uint32_t TimersKilled() const { return killed_; }
  [[nodiscard]] std::uint32_t FailedKills() const { return failedKills_; }
  // Successful kills of one timer.
  [[nodiscard]] std::uint32_t KillsOf(WindowRef window, std::uint32_t id) const;
  // Ticks delivered to one timer (across re-sets).
  [[nodiscard]] std::uint64_t TicksOf(WindowRef window, std::uint32_t id) const;

  // SetTimer returns 0 when this plan fails a call (the status is not visible to callers).
  FaultPlan setTimerFaults;

  [[nodiscard]] std::string ToString() const;

 private:
  struct Timer {
    TimerInfo info;
    std::uint64_t order;  // set order, breaks ties
    std::function<void(std::uint32_t)> onTick;
  };
  Timer* Find(WindowRef window, std::uint32_t id);

  std::uint64_t now_;
  std::uint64_t nextOrder_ = 0;
  std::vector<Timer> timers_;
  std::vector<TimerEvent> events_;
  std::uint32_t set_ = 0;
  std::uint32_t killed_ = 0;
  std::uint32_t failedKills_ = 0;
};

}  // namespace ql::sim
