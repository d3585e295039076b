#include "tune/app/main_window.h"

// After windows.h (through main_window.h), which it builds on.
#include <commctrl.h>

#include "tune/app/resource.h"
#include "tune/app/window_object.h"
#include "tune/app/window_painting.h"

namespace ql::tune::app {

namespace {

// The cursor that Windows NT 4.0 does not have yet; the arrow stands in for it there.
const char* const kHandCursor = MAKEINTRESOURCEA(32649);

LRESULT CALLBACK MainProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  // Nothing may unwind into the system's dispatcher.
  try {
    if (auto* main = WindowObject<MainWindow>(window, message, lParam);
        main != nullptr && main->hwnd() == window) {
      return main->HandleMain(message, wParam, lParam);
    }
  } catch (...) {
    return 0;
  }
  return ::DefWindowProcA(window, message, wParam, lParam);
}

LRESULT CALLBACK PanelProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  try {
    auto* panel = WindowObject<Panel>(window, message, lParam);
    if (panel != nullptr && panel->main != nullptr) {
      return panel->main->HandlePanel(window, *panel, message, wParam, lParam);
    }
  } catch (...) {
    return 0;
  }
  return ::DefWindowProcA(window, message, wParam, lParam);
}

LRESULT CALLBACK FloatProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  try {
    if (auto* main = WindowObject<MainWindow>(window, message, lParam))
      return main->HandleFloat(window, message, wParam, lParam);
  } catch (...) {
    return 0;
  }
  return ::DefWindowProcA(window, message, wParam, lParam);
}

WNDPROC g_editProc = nullptr;  // the edit class's own procedure, under Edit3's subclass

LRESULT CALLBACK Edit3Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  try {
    if (auto* main = reinterpret_cast<MainWindow*>(::GetWindowLongPtrA(window, GWLP_USERDATA))) {
      main->BeforeEdit3(message, wParam);
    }
  } catch (...) {
    // The edit control still gets its message.
  }
  return ::CallWindowProcA(g_editProc, window, message, wParam, lParam);
}

}  // namespace

void InstallEdit3Procedure(HWND edit, MainWindow* main) {
  g_editProc = reinterpret_cast<WNDPROC>(
      ::SetWindowLongPtrA(edit, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(Edit3Proc)));
  ::SetWindowLongPtrA(edit, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(main));
}

bool MainWindow::RegisterClasses(HINSTANCE instance) {
  WNDCLASSA main{};
  main.style = CS_HREDRAW | CS_VREDRAW;
  main.lpfnWndProc = MainProc;
  main.hInstance = instance;
  main.hIcon = ::LoadIconA(instance, MAKEINTRESOURCEA(IDI_QLTUNE));
  main.hCursor = ::LoadCursorA(nullptr, IDC_ARROW);
  main.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  main.lpszClassName = kMainClass;
  WNDCLASSA panel = main;
  panel.lpfnWndProc = PanelProc;
  panel.hIcon = nullptr;
  panel.lpszClassName = kPanelClass;
  WNDCLASSA floating = main;
  floating.lpfnWndProc = FloatProc;
  floating.hIcon = nullptr;
  floating.lpszClassName = kFloatClass;
  return ::RegisterClassA(&main) != 0 && ::RegisterClassA(&panel) != 0 &&
         ::RegisterClassA(&floating) != 0;
}

LRESULT MainWindow::HandleMain(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_COMMAND:
      OnCommand(LOWORD(wParam), HIWORD(wParam), reinterpret_cast<HWND>(lParam));
      return 0;
    case WM_NOTIFY:
      return OnNotify(*reinterpret_cast<NMHDR*>(lParam));
    case WM_HSCROLL:
      if (reinterpret_cast<HWND>(lParam) == trackBar_ && trackBar_ != nullptr) {
        events_.TrackBarMoved(
            static_cast<std::int32_t>(::SendMessageA(trackBar_, TBM_GETPOS, 0, 0)));
        Sync();
      }
      return 0;
    case WM_DRAWITEM:
      OnDrawItem(*reinterpret_cast<DRAWITEMSTRUCT*>(lParam));
      return TRUE;
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLOREDIT: {
      HDC dc = reinterpret_cast<HDC>(wParam);
      HWND control = reinterpret_cast<HWND>(lParam);
      const int id = ::GetDlgCtrlID(control);
      if (id == IDC_EDIT1 || id == IDC_EDIT2 || id == IDC_EDIT3 || id == IDC_LABEL5 ||
          id == IDC_LABEL6) {
        ::SetTextColor(dc, kBlack);
        ::SetBkColor(dc, kWhite);
        return reinterpret_cast<LRESULT>(::GetStockObject(WHITE_BRUSH));
      }
      if (id == IDC_STATICTEXT2 || id == IDC_LINK) {
        ::SetTextColor(dc, id == IDC_LINK ? RGB(0, 0, 255) : kRedInk);
        ::SetBkColor(dc, ::GetSysColor(COLOR_BTNFACE));
        return reinterpret_cast<LRESULT>(::GetSysColorBrush(COLOR_BTNFACE));
      }
      break;
    }
    case WM_SIZE:
      ResizeMain();
      return 0;
    case WM_ACTIVATE:
      // The focus goes back to the control that had it when the window was left.
      if (LOWORD(wParam) == WA_INACTIVE) {
        RememberFocus();
      } else if (HIWORD(wParam) == 0) {
        RestoreFocus();
      }
      return 0;
    case WM_SETFOCUS:
      RestoreFocus();
      return 0;
    case WM_SYSCOMMAND:
      // Minimised, the program is its taskbar entry: the application's window goes to the
      // taskbar and takes this one out of sight until it is restored.
      if ((wParam & 0xFFF0) == SC_MINIMIZE && owner_ != nullptr) {
        ::ShowWindow(owner_, SW_MINIMIZE);
        return 0;
      }
      break;
    case WM_CONTEXTMENU: {
      POINT at{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
      ShowContextMenu(at);
      return 0;
    }
    case WM_TIMER:
      if (wParam == kClockTimer) UpdateClock();
      return 0;
    case kMsgTimerFiring:
      // The periodic check, handed over by the timer's worker; it waits until this returns.
      if (timerEnabled_ && !closing_) {
        model_.SuperTimer1Timer();
        Sync();
      }
      return 0;
    case kMsgTray:
      OnTray(lParam);
      return 0;
    case kMsgClose:
      if (!closing_) ::DestroyWindow(hwnd_);
      return 0;
    case WM_NCACTIVATE: {
      active_ = wParam != FALSE;
      const LRESULT result = ::DefWindowProcA(hwnd_, message, wParam, lParam);
      PaintTitleBar();
      return result;
    }
    case WM_NCPAINT:
    case WM_SETTEXT: {
      const LRESULT result = ::DefWindowProcA(hwnd_, message, wParam, lParam);
      PaintTitleBar();
      return result;
    }
    case WM_DESTROY:
      Shutdown();
      ::PostQuitMessage(0);
      return 0;
    default:
      break;
  }
  return ::DefWindowProcA(hwnd_, message, wParam, lParam);
}

LRESULT MainWindow::HandlePanel(HWND window, Panel& panel, UINT message, WPARAM wParam,
                                LPARAM lParam) {
  switch (message) {
    case WM_COMMAND:
    case WM_NOTIFY:
    case WM_HSCROLL:
    case WM_VSCROLL:
    case WM_DRAWITEM:
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORBTN:
      // Controls report to their panel; the main window answers for all of them.
      return HandleMain(message, wParam, lParam);
    case WM_SETCURSOR: {
      HWND over = reinterpret_cast<HWND>(wParam);
      if (over == trackBar_) {
        ::SetCursor(::LoadCursorA(nullptr, IDC_UPARROW));
        return TRUE;
      }
      if (over == link_) {
        HCURSOR hand = ::LoadCursorA(nullptr, kHandCursor);
        ::SetCursor(hand != nullptr ? hand : ::LoadCursorA(nullptr, IDC_ARROW));
        return TRUE;
      }
      break;
    }
    case WM_SIZE:
      if (panel.resizer) Rescale();
      break;
    case WM_MOUSEMOVE:
      if (panel.titlePart) OnTitleMouseMove(*panel.titlePart);
      break;
    case WM_LBUTTONDOWN:
      if (panel.look == Look::kToolbar && static_cast<short>(LOWORD(lParam)) < kGripWidth) {
        ::SetCapture(window);
      }
      return 0;
    case WM_LBUTTONUP:
      if (::GetCapture() == window) {
        ::ReleaseCapture();
        POINT at{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
        ::ClientToScreen(window, &at);
        for (Dockable& dock : docks_) {
          if (dock.toolbar == window) DragToolbar(dock, at);
        }
      }
      return 0;
    case WM_ERASEBKGND:
      return TRUE;
    case WM_PAINT:
      PaintPanel(window, panel);
      return 0;
    default:
      break;
  }
  return ::DefWindowProcA(window, message, wParam, lParam);
}

LRESULT MainWindow::HandleFloat(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_COMMAND:
    case WM_DRAWITEM:
    case WM_CTLCOLORSTATIC:
      return HandleMain(message, wParam, lParam);
    case WM_EXITSIZEMOVE:
      AfterFloatMoved(window);
      return 0;
    default:
      break;
  }
  return ::DefWindowProcA(window, message, wParam, lParam);
}

}  // namespace ql::tune::app
