#include "win32/win32_local_time.h"

#include "win32/win32_windows.h"

namespace ql::win32 {

LocalDateTime Win32LocalTime::Now() {
  SYSTEMTIME time{};
  ::GetLocalTime(&time);
  return LocalDateTime{time.wYear, time.wMonth, time.wDay, time.wHour, time.wMinute, time.wSecond};
}

}  // namespace ql::win32
