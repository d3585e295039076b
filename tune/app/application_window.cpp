#include "tune/app/application_window.h"

#include "tune/app/resource.h"
#include "tune/app/window_object.h"
#include "tune/message_boxes.h"

namespace ql::tune::app {

namespace {

constexpr char kApplicationClass[] = "QlTuneApplication";
// Activation reaches the main window after the application's own has been activated.
constexpr UINT kMsgActivateMain = WM_APP + 10;

LRESULT CALLBACK ApplicationProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  try {
    auto* application = WindowObject<ApplicationWindow>(window, message, lParam);
    if (application != nullptr && application->hwnd() == window) {
      return application->Handle(message, wParam, lParam);
    }
  } catch (...) {
    return 0;
  }
  return ::DefWindowProcA(window, message, wParam, lParam);
}

}  // namespace

ApplicationWindow::~ApplicationWindow() {
  if (hwnd_ != nullptr && ::IsWindow(hwnd_) != FALSE) ::DestroyWindow(hwnd_);
}

bool ApplicationWindow::RegisterClass(HINSTANCE instance) {
  WNDCLASSA cls{};
  cls.lpfnWndProc = ApplicationProc;
  cls.hInstance = instance;
  cls.hIcon = ::LoadIconA(instance, MAKEINTRESOURCEA(IDI_QLTUNE));
  cls.hCursor = ::LoadCursorA(nullptr, IDC_ARROW);
  cls.lpszClassName = kApplicationClass;
  return ::RegisterClassA(&cls) != 0;
}

bool ApplicationWindow::Create(HINSTANCE instance) {
  // No size, in the middle of the screen, under the main window it owns.
  const int x = ::GetSystemMetrics(SM_CXSCREEN) / 2;
  const int y = ::GetSystemMetrics(SM_CYSCREEN) / 2;
  hwnd_ = ::CreateWindowExA(0, kApplicationClass, kApplicationTitle,
                            WS_POPUP | WS_CAPTION | WS_CLIPSIBLINGS | WS_SYSMENU | WS_MINIMIZEBOX,
                            x, y, 0, 0, nullptr, nullptr, instance, this);
  return hwnd_ != nullptr;
}

LRESULT ApplicationWindow::Handle(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_ACTIVATE:
      if (LOWORD(wParam) != WA_INACTIVE) ::PostMessageA(hwnd_, kMsgActivateMain, 0, 0);
      return 0;
    case WM_SETFOCUS:
      ::PostMessageA(hwnd_, kMsgActivateMain, 0, 0);
      return 0;
    case kMsgActivateMain:
      // Chosen in the taskbar or by Alt+Tab: the main window is what the user wants. While
      // a message box holds the main window disabled, the box keeps the activation.
      if (main_ != nullptr && ::GetActiveWindow() == hwnd_ && ::IsWindowVisible(main_) != FALSE &&
          ::IsWindowEnabled(main_) != FALSE) {
        ::SetActiveWindow(main_);
      }
      return 0;
    case WM_SIZE:
      // Minimised from the taskbar or from the main window's minimise box: the main window
      // goes out of sight with it, and comes back when the entry is restored.
      if (main_ != nullptr && wParam == SIZE_MINIMIZED) {
        if (::IsWindowVisible(main_) != FALSE) {
          ::ShowWindow(main_, SW_HIDE);
          mainHiddenByMinimise_ = true;
        }
      } else if (main_ != nullptr && wParam == SIZE_RESTORED && mainHiddenByMinimise_) {
        mainHiddenByMinimise_ = false;
        ::ShowWindow(main_, SW_SHOW);
        ::SetActiveWindow(main_);
      }
      return 0;
    case WM_CLOSE:
      // Closed from the taskbar: the main window closes as from its own title bar.
      if (main_ != nullptr) ::PostMessageA(main_, WM_CLOSE, 0, 0);
      return 0;
    default:
      break;
  }
  return ::DefWindowProcA(hwnd_, message, wParam, lParam);
}

}  // namespace ql::tune::app
