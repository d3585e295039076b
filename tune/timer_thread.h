// The periodic timer's worker thread, from its start to its end. The worker runs the timer's
// rounds and hands each firing to the window's thread; everything it touches belongs to this
// object, and Stop() returns only once the worker has ended, so nothing the worker uses can
// go before it does, whichever way the program ends:
//   - a stop request wakes the worker's sleep through an event;
//   - without that event (it could not be made) the worker sleeps in short slices and looks
//     at the request between them;
//   - the wait for the worker has no time limit; between its slices the waiting thread lets
//     messages sent to it run, so a hand-over that is under way completes instead of
//     blocking both threads.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>

#include "platform/clock.h"
#include "platform/threads.h"
#include "tune/periodic_timer.h"

namespace ql::tune {

// The longest the worker sleeps without looking at a stop request when it has no event,
// and the slice in which the stopping thread waits for it.
inline constexpr std::uint32_t kTimerStopSlice = 50;

class TimerThread {
 public:
  struct Hooks {
    // On the worker, before its first round (the window program raises its priority).
    std::function<void()> atStart;
    // On the worker: hands one firing to the window's thread and returns when the handler
    // has run; false when the window is gone.
    std::function<bool()> handOver;
    // On the thread in Stop(), between slices of its wait: lets messages sent to it run.
    std::function<void()> whileWaiting;
  };

  TimerThread(Threads& threads, Clock& clock, std::uint32_t interval, Hooks hooks);
  // Stops the worker and waits for it.
  ~TimerThread();
  TimerThread(const TimerThread&) = delete;
  TimerThread& operator=(const TimerThread&) = delete;

  // Enables the timer and starts the worker; false when no thread could be made (the
  // program then runs without its periodic check).
  bool Start();
  // Asks the worker to end at its next look; returns at once.
  void RequestStop();
  // Asks the worker to end and returns once it has; then closes the thread and the event.
  // Safe to call more than once.
  void Stop();

  [[nodiscard]] bool HasEvent() const { return event_ != kNullHandle; }

 private:
  bool Sleep(std::uint32_t milliseconds);
  std::uint32_t Work();

  Threads& threads_;
  Hooks hooks_;
  PeriodicTimer timer_;
  std::atomic<bool> stopping_{false};
  Handle event_ = kNullHandle;
  Handle worker_ = kNullHandle;
};

}  // namespace ql::tune
