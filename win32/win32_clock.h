// Time on the real machine.
#pragma once

#include "platform/clock.h"

namespace ql::win32 {

class Win32Clock final : public Clock {
 public:
  std::uint32_t Milliseconds() override;
  // The ticks arrive as WM_TIMER at the window; onTick is for the sim's virtual clock only.
  std::uint32_t SetTimer(WindowRef window, std::uint32_t id, std::uint32_t milliseconds,
                         std::function<void(std::uint32_t id)> onTick) override;
  bool KillTimer(WindowRef window, std::uint32_t id) override;
};

}  // namespace ql::win32
