// The object a window of the tuning engine was made for: CreateWindowEx's last argument,
// kept in the window's user data from WM_NCCREATE on.
#pragma once

#include "win32/win32_windows.h"

namespace ql::tune::app {

// Called first thing in a window procedure: stores the object on WM_NCCREATE and returns
// it; null for the messages a window gets before WM_NCCREATE.
template <typename Object>
Object* WindowObject(HWND window, UINT message, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    const auto* create = reinterpret_cast<const CREATESTRUCTA*>(lParam);
    ::SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
  }
  return reinterpret_cast<Object*>(::GetWindowLongPtrA(window, GWLP_USERDATA));
}

}  // namespace ql::tune::app
