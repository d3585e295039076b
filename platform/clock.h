// Time: a millisecond clock (timeGetTime / GetTickCount) and window timers (SetTimer,
// KillTimer).
#pragma once

#include <cstdint>
#include <functional>

#include "platform/types.h"

namespace ql {

class Clock {
 public:
  virtual ~Clock() = default;

  // timeGetTime(): milliseconds, wrapping at 2^32.
  virtual std::uint32_t Milliseconds() = 0;

  // SetTimer(window, id, ms, NULL): the timer identifier, 0 on failure. On Win32 the ticks
  // arrive as WM_TIMER at the window, whose procedure forwards them to its presenter; the sim
  // calls onTick instead, on the virtual clock.
  virtual std::uint32_t SetTimer(WindowRef window, std::uint32_t id, std::uint32_t milliseconds,
                                 std::function<void(std::uint32_t id)> onTick) = 0;

  // KillTimer(window, id)
  virtual bool KillTimer(WindowRef window, std::uint32_t id) = 0;
};

}  // namespace ql
