// The System Information window: a fixed-size modal dialog filled from the platform.
#pragma once

#include "platform/platform.h"
#include "win32/win32_windows.h"

namespace ql::tune::app {

// Creates the window, fills it, shows it modally and destroys it when it is closed.
void RunSystemInformation(HINSTANCE instance, HWND owner, const Platform& platform);

}  // namespace ql::tune::app
