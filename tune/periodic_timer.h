// The periodic timer SuperTimer1: a worker thread that only measures time and hands each
// firing to the window's thread, waiting there until the handler has returned. The worker
// sleeps most of the interval and reads the millisecond clock for the rest, so a firing
// comes close to its due time even when the sleep was coarse; the next due time counts from
// the moment the previous one was reached. Firings never overlap and never run on the worker.
#pragma once

#include <cstdint>
#include <functional>

#include "platform/clock.h"

namespace ql::tune {

inline constexpr std::uint32_t kSuperTimerInterval = 3000;
// The part of the interval the worker does not sleep but watches the clock.
inline constexpr std::uint32_t kSuperTimerWatch = 50;

class PeriodicTimer {
 public:
  struct Hooks {
    // Sleeps; false when the timer is being destroyed and the worker must end.
    std::function<bool(std::uint32_t milliseconds)> sleep;
    // Lets the worker yield while it watches the clock; may be empty.
    std::function<void()> yield;
    // Hands one firing to the window's thread and returns when the handler has run; false
    // when the window is gone and the worker must end.
    std::function<bool()> handOver;
  };

  PeriodicTimer(Clock& clock, std::uint32_t interval, Hooks hooks)
      : clock_(clock), interval_(interval), hooks_(std::move(hooks)) {}

  // Enabling sets the first due time: the clock now plus the interval.
  void Enable() { due_ = clock_.Milliseconds() + interval_; }

  // One round of the worker: sleep, watch the clock up to the due time, set the next due
  // time, hand the firing over. False when the worker must end.
  bool RunOnce();
  // The worker's whole life: rounds until one says to end.
  void Run() {
    while (RunOnce()) {
    }
  }

  [[nodiscard]] std::uint32_t due() const { return due_; }

 private:
  Clock& clock_;
  std::uint32_t interval_;
  Hooks hooks_;
  std::uint32_t due_ = 0;
};

}  // namespace ql::tune
