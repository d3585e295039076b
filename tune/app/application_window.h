// The application's own window: it stands for the program in the taskbar and in Alt+Tab with
// the application title, the caption of every message box, while the main window, which it
// owns, keeps its own caption. An owned window has no taskbar entry of its own, so the
// program has exactly one. The window has no size: the user sees only its entry.
#pragma once

#include "win32/win32_windows.h"

namespace ql::tune::app {

class ApplicationWindow {
 public:
  ApplicationWindow() = default;
  ~ApplicationWindow();
  ApplicationWindow(const ApplicationWindow&) = delete;
  ApplicationWindow& operator=(const ApplicationWindow&) = delete;

  static bool RegisterClass(HINSTANCE instance);

  // Makes the window, not yet shown; false when it cannot be made.
  bool Create(HINSTANCE instance);
  // The main window it hands activation to and hides and shows with its own state.
  void SetMain(HWND main) { main_ = main; }

  [[nodiscard]] HWND hwnd() const { return hwnd_; }

  LRESULT Handle(UINT message, WPARAM wParam, LPARAM lParam);

 private:
  HWND hwnd_ = nullptr;
  HWND main_ = nullptr;
  bool mainHiddenByMinimise_ = false;
};

}  // namespace ql::tune::app
