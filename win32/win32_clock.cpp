#include "win32/win32_clock.h"

#include "win32/win32_windows.h"

namespace ql::win32 {

// GetTickCount has the same millisecond count and wrap at 2^32 as the multimedia timer, and
// keeps the programs free of another library.
std::uint32_t Win32Clock::Milliseconds() { return static_cast<std::uint32_t>(::GetTickCount()); }

std::uint32_t Win32Clock::SetTimer(WindowRef window, std::uint32_t id, std::uint32_t milliseconds,
                                   std::function<void(std::uint32_t id)> /*onTick*/) {
  return static_cast<std::uint32_t>(::SetTimer(ToNative<HWND>(window), id, milliseconds, nullptr));
}

bool Win32Clock::KillTimer(WindowRef window, std::uint32_t id) {
  return ::KillTimer(ToNative<HWND>(window), id) != FALSE;
}

}  // namespace ql::win32
