// QlTune.exe: the tuning engine's entry point. One instance per program name, the
// application's window (the taskbar entry), the main window, the periodic timer's worker and
// the message loop.
#include "win32/win32_windows.h"

// After windows.h, which it builds on.
#include <commctrl.h>

#include <string>

#include "tune/app/application_window.h"
#include "tune/app/main_window.h"
#include "tune/single_instance.h"
#include "tune/timer_thread.h"
#include "tune/tuning_model.h"
#include "win32/win32_machine.h"

namespace {

using namespace ql::tune;

// The application's help file. No control carries a help context, so nothing opens it; the
// Help command starts the help viewer with a path of its own.
constexpr char kApplicationHelpFile[] = "C:\\WINNT\\QLTUNE.HLP";

// The top-level windows as the second instance searches them.
class Win32TopWindows : public TopWindows {
 public:
  ql::WindowRef Find(std::string_view title) override {
    const std::string text(title);
    return ql::win32::FromNative(::FindWindowA(nullptr, text.c_str()));
  }
  void SetTitle(ql::WindowRef window, std::string_view title) override {
    const std::string text(title);
    ::SetWindowTextA(ql::win32::ToNative<HWND>(window), text.c_str());
  }
  bool IsIconic(ql::WindowRef window) override {
    return ::IsIconic(ql::win32::ToNative<HWND>(window)) != FALSE;
  }
  void Restore(ql::WindowRef window) override {
    ::ShowWindow(ql::win32::ToNative<HWND>(window), SW_RESTORE);
  }
  void BringToTop(ql::WindowRef window) override {
    ::BringWindowToTop(ql::win32::ToNative<HWND>(window));
  }
};

std::string ProgramPath() {
  char path[MAX_PATH + 1] = {};
  const DWORD length = ::GetModuleFileNameA(nullptr, path, MAX_PATH);
  return std::string(path, length <= MAX_PATH ? length : 0);
}

int Run(HINSTANCE instance) {
  const std::string instanceName = InstanceName(ProgramPath());
  ql::win32::Win32Machine machine;
  const ql::Platform platform = machine.platform();
  // Before anything else: is another instance of this program name running?
  InstanceGuard guard(platform.threads, instanceName);

  TuningModel model(platform);
  if (guard.AnotherRuns()) {
    Win32TopWindows windows;
    BringForwardFirstInstance(windows, SearchTitle(instanceName));
    // The half-built window goes with the process: its destruction record is the only one.
    model.FormDestroy();
    return 0;
  }

  ::InitCommonControls();
  (void)kApplicationHelpFile;
  if (!app::ApplicationWindow::RegisterClass(instance) ||
      !app::MainWindow::RegisterClasses(instance)) {
    return 1;
  }
  app::ApplicationWindow application;
  if (!application.Create(instance)) return 1;
  app::MainWindow window(instance, platform, model);
  model.SetMessagePump([&window] { window.PumpMessages(); });
  if (!window.Create(application.hwnd())) return 1;
  const HWND hwnd = window.hwnd();
  application.SetMain(hwnd);

  // The periodic timer: a worker one step above normal priority that hands each firing to
  // this thread and waits for it. It is stopped, and waited for, before anything it uses
  // goes.
  TimerThread timer(
      platform.threads, platform.clock, kSuperTimerInterval,
      TimerThread::Hooks{
          [] { ::SetThreadPriority(::GetCurrentThread(), THREAD_PRIORITY_ABOVE_NORMAL); },
          [hwnd] {
            if (::IsWindow(hwnd) == FALSE) return false;
            ::SendMessageA(hwnd, app::MainWindow::kMsgTimerFiring, 0, 0);
            return ::IsWindow(hwnd) != FALSE;
          },
          [] {
            // A hand-over sent just before the end is answered, not left
            // waiting for a thread that waits for its sender.
            MSG pending;
            (void)::PeekMessageA(&pending, nullptr, 0, 0, PM_NOREMOVE);
          }});
  (void)timer.Start();

  window.FormCreate();

  MSG message;
  while (::GetMessageA(&message, nullptr, 0, 0) > 0) {
    if (window.PreTranslate(message)) continue;
    ::TranslateMessage(&message);
    ::DispatchMessageA(&message);
  }

  // Also when the loop ended on an error: the window goes (its destruction record with it)
  // before the worker is waited for, so that no firing can reach it any more.
  if (::IsWindow(hwnd) != FALSE) ::DestroyWindow(hwnd);
  timer.Stop();
  return 0;
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  try {
    return Run(instance);
  } catch (...) {
    return 1;
  }
}
