// qlmenu: a window with a menu bar, for the robot's menu test. Its "Toolbar" item is checked
// only when the View menu is opened (WM_INITMENUPOPUP), as programs update their menus;
// "Status" is always disabled. Open shows a message box naming the command; Exit ends the
// program with exit status 0.
#define WIN32_LEAN_AND_MEAN
#include <windows.h>

namespace {

constexpr UINT kOpen = 101;
constexpr UINT kExit = 102;
constexpr UINT kToolbar = 103;
constexpr UINT kStatus = 104;
HMENU g_view = nullptr;

LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_INITMENUPOPUP:
      if (reinterpret_cast<HMENU>(wParam) == g_view) {
        CheckMenuItem(g_view, kToolbar, MF_BYCOMMAND | MF_CHECKED);
      }
      return 0;
    case WM_COMMAND:
      if (LOWORD(wParam) == kOpen) {
        MessageBoxA(window, "Command 101", "Menu check", MB_OK);
      } else if (LOWORD(wParam) == kExit) {
        DestroyWindow(window);
      }
      return 0;
    case WM_DESTROY:
      PostQuitMessage(0);
      return 0;
    default:
      return DefWindowProcA(window, message, wParam, lParam);
  }
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  HMENU bar = CreateMenu();
  HMENU file = CreatePopupMenu();
  g_view = CreatePopupMenu();
  AppendMenuA(file, MF_STRING, kOpen, "&Open...\tCtrl+O");
  AppendMenuA(file, MF_SEPARATOR, 0, nullptr);
  AppendMenuA(file, MF_STRING, kExit, "E&xit");
  AppendMenuA(g_view, MF_STRING, kToolbar, "&Toolbar");
  AppendMenuA(g_view, MF_STRING | MF_GRAYED, kStatus, "&Status");
  AppendMenuA(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(file), "&File");
  AppendMenuA(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(g_view), "&View");

  WNDCLASSA cls{};
  cls.lpfnWndProc = WindowProc;
  cls.hInstance = instance;
  cls.lpszClassName = "QlMenuCheck";
  cls.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
  RegisterClassA(&cls);
  HWND window = CreateWindowA("QlMenuCheck", "Menu check", WS_OVERLAPPEDWINDOW, 10, 10, 300, 200,
                              nullptr, bar, instance, nullptr);
  if (window == nullptr) return 1;
  ShowWindow(window, SW_SHOWNORMAL);
  MSG msg;
  while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
  return static_cast<int>(msg.wParam);
}
