#include "tune/timer_thread.h"

#include <algorithm>

namespace ql::tune {

TimerThread::TimerThread(Threads& threads, Clock& clock, std::uint32_t interval, Hooks hooks)
    : threads_(threads),
      hooks_(std::move(hooks)),
      timer_(clock, interval,
             PeriodicTimer::Hooks{[this](std::uint32_t ms) { return Sleep(ms); },
                                  [this] { threads_.Sleep(1); },
                                  [this] {
                                    if (stopping_.load()) return false;
                                    const bool windowThere = !hooks_.handOver || hooks_.handOver();
                                    return windowThere && !stopping_.load();
                                  }}) {}

TimerThread::~TimerThread() { Stop(); }

bool TimerThread::Sleep(std::uint32_t milliseconds) {
  if (event_ != kNullHandle) {
    return threads_.WaitForSingleObject(event_, milliseconds) == wait::kTimeout &&
           !stopping_.load();
  }
  // No event to wake it: short slices, each followed by a look at the request.
  for (std::uint32_t left = milliseconds; left > 0;) {
    if (stopping_.load()) return false;
    const std::uint32_t slice = std::min(left, kTimerStopSlice);
    threads_.Sleep(slice);
    left -= slice;
  }
  return !stopping_.load();
}

std::uint32_t TimerThread::Work() {
  if (hooks_.atStart) hooks_.atStart();
  timer_.Run();
  return 0;
}

bool TimerThread::Start() {
  if (worker_ != kNullHandle) return true;
  stopping_.store(false);
  event_ = threads_.CreateEvent(true, false, nullptr);
  timer_.Enable();
  worker_ = threads_.CreateThread([this] { return Work(); }, nullptr);
  if (worker_ == kNullHandle && event_ != kNullHandle) {
    (void)threads_.CloseHandle(event_);
    event_ = kNullHandle;
  }
  return worker_ != kNullHandle;
}

void TimerThread::RequestStop() {
  stopping_.store(true);
  if (event_ != kNullHandle) (void)threads_.SetEvent(event_);
}

void TimerThread::Stop() {
  RequestStop();
  if (worker_ != kNullHandle) {
    for (;;) {
      const std::uint32_t result = threads_.WaitForSingleObject(worker_, kTimerStopSlice);
      if (result == wait::kObject0) break;
      if (result != wait::kTimeout) {
        // The thread cannot be waited for; it must not run on past this point either.
        (void)threads_.TerminateThread(worker_, 0);
        break;
      }
      if (hooks_.whileWaiting) hooks_.whileWaiting();
    }
    (void)threads_.CloseHandle(worker_);
    worker_ = kNullHandle;
  }
  if (event_ != kNullHandle) {
    (void)threads_.CloseHandle(event_);
    event_ = kNullHandle;
  }
}

}  // namespace ql::tune
