// qlpick: clicks a row of a report-view list of another process without reading that
// process's memory, which the robot's list-view commands need and which Wine cannot reach
// when it runs under an i386 emulator. The row's place comes from what a window gives
// through plain messages and window rectangles: the header's bottom edge and the row height
// (LVM_APPROXIMATEVIEWRECT for one and for two items).
//
//   qlpick lv-row <caption> <control id> <row> [-t seconds]
//
// The click is posted as a user's mouse click (button down and up at the row), so the list
// view sets focus and selection itself and notifies its parent with NM_CLICK. Exit status 0
// after the click, 2 when the window or control does not appear in time, 1 otherwise.
#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

constexpr UINT kLvmGetItemCount = 0x1004;
constexpr UINT kLvmGetHeader = 0x101F;
constexpr UINT kLvmApproximateViewRect = 0x1040;
constexpr int kFallbackRowHeight = 17;

std::string TextOf(HWND window) {
  char text[512] = {};
  SendMessageTimeoutA(window, WM_GETTEXT, sizeof(text), reinterpret_cast<LPARAM>(text),
                      SMTO_ABORTIFHUNG, 2000, nullptr);
  text[sizeof(text) - 1] = '\0';
  return text;
}

struct FindTop {
  const char* caption;
  HWND found;
};

BOOL CALLBACK FindTopProc(HWND window, LPARAM param) {
  auto* find = reinterpret_cast<FindTop*>(param);
  if (!IsWindowVisible(window) || TextOf(window) != find->caption) return TRUE;
  find->found = window;
  return FALSE;
}

struct FindChild {
  int id;
  HWND found;
};

BOOL CALLBACK FindChildProc(HWND window, LPARAM param) {
  auto* find = reinterpret_cast<FindChild*>(param);
  if (GetDlgCtrlID(window) != find->id || !IsWindowVisible(window)) return TRUE;
  find->found = window;
  return FALSE;
}

HWND WaitControl(const char* caption, int id, DWORD timeoutMs) {
  const DWORD start = GetTickCount();
  for (;;) {
    FindTop top{caption, nullptr};
    EnumWindows(FindTopProc, reinterpret_cast<LPARAM>(&top));
    if (top.found != nullptr) {
      FindChild child{id, nullptr};
      EnumChildWindows(top.found, FindChildProc, reinterpret_cast<LPARAM>(&child));
      if (child.found != nullptr) return child.found;
    }
    if (GetTickCount() - start >= timeoutMs) return nullptr;
    Sleep(100);
  }
}

int ViewHeight(HWND list, int items) {
  const auto size = static_cast<DWORD>(
      SendMessageA(list, kLvmApproximateViewRect, static_cast<WPARAM>(items), MAKELPARAM(-1, -1)));
  return static_cast<int>(HIWORD(size));
}

int ClickRow(const char* caption, int id, int row, DWORD timeoutMs) {
  HWND list = WaitControl(caption, id, timeoutMs);
  if (list == nullptr) {
    std::fprintf(stderr, "qlpick: timeout: no control %d in \"%s\"\n", id, caption);
    return 2;
  }
  const int count = static_cast<int>(SendMessageA(list, kLvmGetItemCount, 0, 0));
  if (row < 0 || row >= count) {
    std::fprintf(stderr, "qlpick: the list has %d rows, no row %d\n", count, row);
    return 1;
  }
  int top = 0;
  HWND header = reinterpret_cast<HWND>(SendMessageA(list, kLvmGetHeader, 0, 0));
  RECT headerRect{};
  if (header != nullptr && IsWindowVisible(header) && GetWindowRect(header, &headerRect)) {
    POINT bottom{headerRect.left, headerRect.bottom};
    ScreenToClient(list, &bottom);
    if (bottom.y > 0) top = bottom.y;
  }
  int height = ViewHeight(list, 2) - ViewHeight(list, 1);
  if (height <= 4 || height > 64) height = kFallbackRowHeight;
  RECT client{};
  GetClientRect(list, &client);
  const int x = client.right > 60 ? 40 : client.right / 2;
  const int y = top + height * row + height / 2;
  if (y >= client.bottom) {
    std::fprintf(stderr, "qlpick: row %d lies below the visible part of the list\n", row);
    return 1;
  }
  const LPARAM at = MAKELPARAM(x, y);
  PostMessageA(list, WM_MOUSEMOVE, 0, at);
  PostMessageA(list, WM_LBUTTONDOWN, MK_LBUTTON, at);
  PostMessageA(list, WM_LBUTTONUP, 0, at);
  std::printf("clicked row %d at %d,%d (row height %d, rows from %d)\n", row, x, y, height, top);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  DWORD timeoutMs = 10000;
  if (argc >= 7 && std::strcmp(argv[5], "-t") == 0) {
    timeoutMs = static_cast<DWORD>(std::strtoul(argv[6], nullptr, 10)) * 1000u;
  }
  if (argc < 5 || std::strcmp(argv[1], "lv-row") != 0) {
    std::fprintf(stderr, "usage: qlpick lv-row <caption> <control id> <row> [-t seconds]\n");
    return 1;
  }
  return ClickRow(argv[2], std::atoi(argv[3]), std::atoi(argv[4]), timeoutMs);
}
