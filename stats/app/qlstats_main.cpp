// QlStats.exe: the statistics monitor's entry point and window procedures. The procedures
// only copy the presenter's state to the controls and forward the window's events to it.
#include <string>

#include "stats/app/resource.h"
#include "stats/stats_dialog.h"
#include "win32/win32_files.h"
#include "win32/win32_local_time.h"
#include "win32/win32_machine.h"
#include "win32/win32_windows.h"

namespace {

using ql::stats::StatsDialog;

// Posted to the window once it is created, so that a log given on the command line starts
// polling over the visible window: any message of the connection then has its owner on the
// screen.
constexpr UINT kStartLogMessage = WM_APP + 1;

// What the monitor window keeps besides its presenter.
struct MonitorWindow {
  StatsDialog* presenter = nullptr;
  HINSTANCE instance = nullptr;
  HICON icon = nullptr;
};

std::string ControlText(HWND dialog, int id) {
  char buffer[64] = {};
  ::GetDlgItemTextA(dialog, id, buffer, static_cast<int>(sizeof buffer));
  return buffer;
}

// Copies the presenter's state to the controls, writing only what differs so that nothing
// flickers at every tick.
void Show(HWND dialog, StatsDialog& presenter) {
  for (const int id : StatsDialog::kControls) {
    const std::string& text = presenter.Text(id);
    if (ControlText(dialog, id) != text) ::SetDlgItemTextA(dialog, id, text.c_str());
  }
  HWND rate = ::GetDlgItem(dialog, IDC_SAMPLINGRATE);
  const bool enabled = presenter.RateBoxEnabled();
  if ((::IsWindowEnabled(rate) != FALSE) != enabled) ::EnableWindow(rate, enabled ? TRUE : FALSE);
  if (presenter.TakeRateFocusRequest()) {
    // The dialog manager selects an edit box's whole text when it moves the focus there.
    ::SendMessageA(dialog, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(rate), TRUE);
    ::SendMessageA(rate, EM_SETSEL, 0, -1);
  }
}

// Box 1005 as the user left it, whole, for the commands that take the rate: a pasted text
// may be longer than any fixed buffer, and the presenter refuses one that is too long rather
// than reading what a cut would leave.
void TakeRateText(HWND dialog, StatsDialog& presenter) {
  HWND rate = ::GetDlgItem(dialog, IDC_SAMPLINGRATE);
  const int length = ::GetWindowTextLengthA(rate);
  std::string text(length > 0 ? static_cast<std::size_t>(length) : 0, '\0');
  if (length > 0) {
    const int read = ::GetWindowTextA(rate, text.data(), length + 1);
    text.resize(read > 0 ? static_cast<std::size_t>(read) : 0);
  }
  presenter.SetRateText(text);
}

void WriteIntervalLine(const ql::stats::IntervalResult& result) {
  // One line per interval on the debug output, for transcripts of whole runs.
  const std::string line = "QlStats interval t=" + std::to_string(result.clockMs) +
                           " reads=" + std::to_string(result.difference.reads) +
                           " hits=" + std::to_string(result.difference.readHits) +
                           " writes=" + std::to_string(result.difference.writes) +
                           " behind=" + std::to_string(result.difference.writeBehinds) + " [" +
                           result.figures.reads + "|" + result.figures.hitRate + "|" +
                           result.figures.writes + "|" + result.figures.writeBehind + "]\n";
  ::OutputDebugStringA(line.c_str());
}

INT_PTR CALLBACK AboutProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
  switch (message) {
    case WM_INITDIALOG:
      return TRUE;
    case WM_COMMAND:
      if (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL) {
        ::EndDialog(dialog, LOWORD(wParam));
        return TRUE;
      }
      return FALSE;
    default:
      return FALSE;
  }
}

void PaintMinimised(HWND dialog, HICON icon) {
  PAINTSTRUCT paint;
  HDC dc = ::BeginPaint(dialog, &paint);
  ::SendMessageA(dialog, WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
  RECT client;
  ::GetClientRect(dialog, &client);
  const ql::stats::Point at =
      ql::stats::IconPosition(client.right - client.left, client.bottom - client.top,
                              ::GetSystemMetrics(SM_CXICON), ::GetSystemMetrics(SM_CYICON));
  ::DrawIcon(dc, at.x, at.y, icon);
  ::EndPaint(dialog, &paint);
}

INT_PTR OnInitDialog(HWND dialog, MonitorWindow& window) {
  char about[128] = {};
  ::LoadStringA(window.instance, IDS_ABOUTBOX, about, static_cast<int>(sizeof about));
  window.presenter->OnInit(ql::win32::FromNative(dialog), about);
  if (const auto& entry = window.presenter->AboutEntry()) {
    if (HMENU menu = ::GetSystemMenu(dialog, FALSE)) {
      ::AppendMenuA(menu, MF_SEPARATOR, 0, nullptr);
      ::AppendMenuA(menu, MF_STRING, IDM_ABOUTBOX, entry->c_str());
    }
  }
  ::SendMessageA(dialog, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(window.icon));
  ::SendMessageA(dialog, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(window.icon));
  window.presenter->Engine().SetObserver(WriteIntervalLine);
  StatsDialog& presenter = *window.presenter;
  presenter.SetRefresh([dialog, &presenter] {
    Show(dialog, presenter);
    ::UpdateWindow(dialog);
  });
  Show(dialog, presenter);
  if (presenter.LogStartPending()) ::PostMessageA(dialog, kStartLogMessage, 0, 0);
  return TRUE;
}

INT_PTR HandleMessage(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_INITDIALOG) {
    ::SetWindowLongPtrA(dialog, DWLP_USER, lParam);
    return OnInitDialog(dialog, *reinterpret_cast<MonitorWindow*>(lParam));
  }
  auto* window = reinterpret_cast<MonitorWindow*>(::GetWindowLongPtrA(dialog, DWLP_USER));
  if (window == nullptr) return FALSE;
  StatsDialog& presenter = *window->presenter;

  switch (message) {
    case WM_SYSCOMMAND:
      if (ql::stats::IsAboutCommand(static_cast<std::uint32_t>(wParam))) {
        ::DialogBoxParamA(window->instance, MAKEINTRESOURCEA(IDD_ABOUTBOX), dialog, AboutProc, 0);
        return TRUE;
      }
      return FALSE;

    case WM_COMMAND:
      switch (LOWORD(wParam)) {
        case IDC_RUNSTOP:
          if (HIWORD(wParam) != BN_CLICKED) return FALSE;
          TakeRateText(dialog, presenter);
          presenter.OnRunStop();
          Show(dialog, presenter);
          return TRUE;
        case IDOK:
          TakeRateText(dialog, presenter);
          presenter.OnOk();
          break;
        case IDCANCEL:
          presenter.OnCancel();
          break;
        default:
          return FALSE;
      }
      if (const auto& result = presenter.EndResult()) {
        ::EndDialog(dialog, *result);
      } else {
        Show(dialog, presenter);
      }
      return TRUE;

    case kStartLogMessage:
      presenter.OnStartLog();
      Show(dialog, presenter);
      return TRUE;

    case WM_TIMER:
      if (!presenter.OnTimer(static_cast<std::uint32_t>(wParam))) return FALSE;
      Show(dialog, presenter);
      return TRUE;

    case WM_CLOSE:
      // The default handling that follows turns the close request into Cancel.
      presenter.OnCloseRequest();
      return FALSE;

    case WM_PAINT:
      if (::IsIconic(dialog) == FALSE) return FALSE;
      PaintMinimised(dialog, window->icon);
      return TRUE;

    case WM_QUERYDRAGICON:
      return reinterpret_cast<INT_PTR>(window->icon);

    default:
      return FALSE;
  }
}

INT_PTR CALLBACK MonitorProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  // Nothing may unwind into the system's dispatcher.
  try {
    return HandleMessage(dialog, message, wParam, lParam);
  } catch (...) {
    return FALSE;
  }
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR commandLine, int) {
  ql::win32::Win32Machine machine;
  ql::Platform platform = machine.platform();
  ql::win32::Win32Files files;
  ql::win32::Win32LocalTime localTime;
  ql::stats::StatsMonitorApp app(platform, {files, localTime});
  return app.Run(commandLine != nullptr ? commandLine : "", [instance](StatsDialog& presenter) {
    MonitorWindow window;
    window.presenter = &presenter;
    window.instance = instance;
    window.icon = ::LoadIconA(instance, MAKEINTRESOURCEA(IDI_QLSTATS));
    ::DialogBoxParamA(instance, MAKEINTRESOURCEA(IDD_QLSTATS_DIALOG), nullptr, MonitorProc,
                      reinterpret_cast<LPARAM>(&window));
  });
}
