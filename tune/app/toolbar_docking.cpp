// The two toolbars leave their docking areas when dragged by their grip and float in a
// small window of their own; dropped over their own area again, they dock.
#include "tune/app/main_window.h"

namespace ql::tune::app {

void MainWindow::DragToolbar(Dockable& dock, POINT screen) {
  // Dropped over a docking area: docked there (each area takes its own toolbar). Dropped
  // anywhere else: floating at that place.
  for (const Dockable& area : docks_) {
    RECT rect;
    ::GetWindowRect(area.home, &rect);
    if (area.home == dock.home && ::PtInRect(&rect, screen) != FALSE) {
      DockToolbar(dock, area.home);
      return;
    }
  }
  if (dock.floating == nullptr) {
    RECT rect;
    ::GetWindowRect(dock.toolbar, &rect);
    const DWORD style = WS_POPUP | WS_CAPTION | WS_BORDER | WS_CLIPCHILDREN;
    RECT outer{0, 0, rect.right - rect.left, rect.bottom - rect.top};
    ::AdjustWindowRectEx(&outer, style, FALSE, WS_EX_TOOLWINDOW);
    dock.floating = ::CreateWindowExA(WS_EX_TOOLWINDOW, kFloatClass, dock.floatCaption, style,
                                      screen.x, screen.y, outer.right - outer.left,
                                      outer.bottom - outer.top, hwnd_, nullptr, instance_, this);
    if (dock.floating == nullptr) return;
    ::SetParent(dock.toolbar, dock.floating);
    ::MoveWindow(dock.toolbar, 0, 0, rect.right - rect.left, rect.bottom - rect.top, TRUE);
    ::ShowWindow(dock.floating, SW_SHOWNOACTIVATE);
  } else {
    ::SetWindowPos(dock.floating, nullptr, screen.x, screen.y, 0, 0,
                   SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  }
}

void MainWindow::DockToolbar(Dockable& dock, HWND area) {
  if (dock.floating == nullptr) return;
  HWND floating = dock.floating;
  ::SetParent(dock.toolbar, area);
  dock.floating = nullptr;
  ::DestroyWindow(floating);
  Rescale();
}

void MainWindow::AfterFloatMoved(HWND floating) {
  for (Dockable& dock : docks_) {
    if (dock.floating != floating) continue;
    RECT rect;
    ::GetWindowRect(floating, &rect);
    RECT area;
    ::GetWindowRect(dock.home, &area);
    RECT overlap;
    if (::IntersectRect(&overlap, &rect, &area) != FALSE) DockToolbar(dock, dock.home);
  }
}

}  // namespace ql::tune::app
