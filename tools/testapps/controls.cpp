// qlcontrols: one window with one control of each kind the robot reads, for the robot's own
// test. What reaches the window shows in the status text (id 16): "pressed" after the
// button, "selected <item>" after a list-view selection, "key <code>" after a key in the edit
// field.
#define WIN32_LEAN_AND_MEAN
#include <windows.h>
// After windows.h, which it builds on.
#include <commctrl.h>

#include <cstdio>

namespace {

constexpr int kEdit = 10;
constexpr int kPress = 11;
constexpr int kOption = 12;
constexpr int kList = 13;
constexpr int kTrack = 14;
constexpr int kUpDown = 15;
constexpr int kStatus = 16;
constexpr int kListBox = 17;
constexpr int kOff = 18;

WNDPROC g_editProc = nullptr;

HWND Child(HWND parent, const char* cls, const char* text, DWORD style, int x, int y, int w, int h,
           int id) {
  return CreateWindowExA(0, cls, text, WS_CHILD | WS_VISIBLE | style, x, y, w, h, parent,
                         reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                         GetModuleHandleA(nullptr), nullptr);
}

LRESULT CALLBACK EditProc(HWND edit, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_KEYDOWN) {
    char text[32];
    std::snprintf(text, sizeof(text), "key %u", static_cast<unsigned>(wParam));
    SetDlgItemTextA(GetParent(edit), kStatus, text);
  }
  return CallWindowProcA(g_editProc, edit, message, wParam, lParam);
}

void Fill(HWND window) {
  HWND edit = Child(window, "Edit", "initial", WS_BORDER | ES_AUTOHSCROLL, 10, 10, 150, 22, kEdit);
  g_editProc = reinterpret_cast<WNDPROC>(
      SetWindowLongA(edit, GWL_WNDPROC, reinterpret_cast<LONG>(EditProc)));
  Child(window, "Button", "Press", BS_PUSHBUTTON, 170, 10, 80, 24, kPress);
  Child(window, "Button", "Option", BS_AUTOCHECKBOX, 260, 10, 80, 24, kOption);
  HWND off = Child(window, "Button", "Off", BS_PUSHBUTTON, 350, 10, 40, 24, kOff);
  EnableWindow(off, FALSE);

  HWND list =
      Child(window, WC_LISTVIEWA, "", WS_BORDER | LVS_REPORT | LVS_SINGLESEL | LVS_SHOWSELALWAYS,
            10, 44, 200, 110, kList);
  const char* columns[] = {"Drive", "Size"};
  for (int c = 0; c < 2; ++c) {
    LVCOLUMNA column{};
    column.mask = LVCF_TEXT | LVCF_WIDTH;
    column.cx = 90;
    column.pszText = const_cast<char*>(columns[c]);
    SendMessageA(list, LVM_INSERTCOLUMNA, static_cast<WPARAM>(c),
                 reinterpret_cast<LPARAM>(&column));
  }
  const char* rows[][2] = {{"C:", "100"}, {"D:", "200"}, {"E:", "300"}};
  for (int r = 0; r < 3; ++r) {
    LVITEMA item{};
    item.mask = LVIF_TEXT;
    item.iItem = r;
    item.pszText = const_cast<char*>(rows[r][0]);
    SendMessageA(list, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item));
    item.iSubItem = 1;
    item.pszText = const_cast<char*>(rows[r][1]);
    SendMessageA(list, LVM_SETITEMTEXTA, static_cast<WPARAM>(r), reinterpret_cast<LPARAM>(&item));
  }

  HWND track = Child(window, TRACKBAR_CLASSA, "", TBS_HORZ, 220, 44, 170, 30, kTrack);
  SendMessageA(track, TBM_SETRANGE, TRUE, MAKELPARAM(0, 10));
  SendMessageA(track, TBM_SETPOS, TRUE, 3);

  HWND buddy = Child(window, "Edit", "", WS_BORDER, 220, 84, 80, 22, 0);
  HWND updown =
      Child(window, UPDOWN_CLASSA, "", UDS_SETBUDDYINT | UDS_ALIGNRIGHT, 0, 0, 0, 0, kUpDown);
  SendMessageA(updown, UDM_SETBUDDY, reinterpret_cast<WPARAM>(buddy), 0);
  SendMessageA(updown, UDM_SETRANGE, 0, MAKELPARAM(32767, 1));
  SendMessageA(updown, UDM_SETPOS, 0, MAKELPARAM(16, 0));

  HWND box = Child(window, "ListBox", "", WS_BORDER | LBS_NOTIFY, 220, 114, 170, 40, kListBox);
  SendMessageA(box, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>("alpha"));
  SendMessageA(box, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>("beta"));

  Child(window, "Static", "idle", 0, 10, 164, 200, 20, kStatus);
}

LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_CREATE:
      Fill(window);
      return 0;
    case WM_COMMAND:
      if (LOWORD(wParam) == kPress && HIWORD(wParam) == BN_CLICKED) {
        SetDlgItemTextA(window, kStatus, "pressed");
      }
      return 0;
    case WM_NOTIFY: {
      const auto* header = reinterpret_cast<const NMHDR*>(lParam);
      if (header->idFrom == static_cast<UINT_PTR>(kList) && header->code == LVN_ITEMCHANGED) {
        const auto* change = reinterpret_cast<const NMLISTVIEW*>(lParam);
        if ((change->uNewState & LVIS_SELECTED) && !(change->uOldState & LVIS_SELECTED)) {
          char text[32];
          std::snprintf(text, sizeof(text), "selected %d", change->iItem);
          SetDlgItemTextA(window, kStatus, text);
        }
      }
      return 0;
    }
    case WM_DESTROY:
      PostQuitMessage(0);
      return 0;
    default:
      return DefWindowProcA(window, message, wParam, lParam);
  }
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  InitCommonControls();
  WNDCLASSA cls{};
  cls.lpfnWndProc = WindowProc;
  cls.hInstance = instance;
  cls.lpszClassName = "QlControlsCheck";
  cls.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  RegisterClassA(&cls);
  HWND window = CreateWindowA("QlControlsCheck", "Controls check", WS_OVERLAPPEDWINDOW, 10, 10, 420,
                              230, nullptr, nullptr, instance, nullptr);
  if (window == nullptr) return 1;
  ShowWindow(window, SW_SHOWNORMAL);
  MSG msg;
  while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
  return static_cast<int>(msg.wParam);
}
