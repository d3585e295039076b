// The wall clock on the sim's virtual time: a date and time of day at virtual 0 ms, moving on
// with the shared clock.
#pragma once

#include "platform/local_time.h"
#include "sim/sim_clock.h"

namespace ql::sim {

class SimLocalTime : public LocalTime {
 public:
  // 2026-12-08 14:05:00 at virtual 0 unless set otherwise.
  explicit SimLocalTime(SimClock& clock) : clock_(clock) {}

  // LocalTime
  LocalDateTime Now() override;

  // The wall-clock time at virtual 0 ms.
  void SetStart(const LocalDateTime& start) { start_ = start; }

 private:
  SimClock& clock_;
  LocalDateTime start_{2026, 12, 8, 14, 5, 0};
};

}  // namespace ql::sim
