#include "tune/periodic_timer.h"

namespace ql::tune {

namespace {

// The millisecond clock wraps every 49.7 days: the due time is reached when the signed
// distance to it is no longer positive.
bool Reached(std::uint32_t now, std::uint32_t due) {
  return static_cast<std::int32_t>(now - due) >= 0;
}

}  // namespace

bool PeriodicTimer::RunOnce() {
  if (interval_ > kSuperTimerWatch && hooks_.sleep && !hooks_.sleep(interval_ - kSuperTimerWatch)) {
    return false;
  }
  while (!Reached(clock_.Milliseconds(), due_)) {
    if (hooks_.yield) hooks_.yield();
  }
  due_ = clock_.Milliseconds() + interval_;
  return !hooks_.handOver || hooks_.handOver();
}

}  // namespace ql::tune
