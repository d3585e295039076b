#include "tune/app/system_info_dialog.h"

#include <string>

#include "tune/app/resource.h"
#include "tune/system_info.h"

namespace ql::tune::app {

namespace {

struct SystemInfoWindow {
  const Platform* platform;
  SystemInfoTexts texts;
};

void ShowDisk(HWND dialog, SystemInfoWindow& window) {
  const auto chosen = ::SendDlgItemMessageA(dialog, IDC_SYSINFO_DRIVES, CB_GETCURSEL, 0, 0);
  if (chosen < 0 || static_cast<std::size_t>(chosen) >= window.texts.drives.size()) {
    ::SetDlgItemTextA(dialog, IDC_SYSINFO_DISK, "");
    return;
  }
  const std::string text =
      DiskInfoText(window.platform->disks, window.texts.drives[static_cast<std::size_t>(chosen)]);
  ::SetDlgItemTextA(dialog, IDC_SYSINFO_DISK, text.c_str());
}

void Centre(HWND dialog) {
  RECT rect;
  ::GetWindowRect(dialog, &rect);
  const int width = rect.right - rect.left;
  const int height = rect.bottom - rect.top;
  ::SetWindowPos(dialog, nullptr, (::GetSystemMetrics(SM_CXSCREEN) - width) / 2,
                 (::GetSystemMetrics(SM_CYSCREEN) - height) / 2, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
}

INT_PTR HandleMessage(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_INITDIALOG) {
    ::SetWindowLongPtrA(dialog, DWLP_USER, lParam);
    auto& window = *reinterpret_cast<SystemInfoWindow*>(lParam);
    ::SetDlgItemTextA(dialog, IDC_SYSINFO_VERSION, window.texts.version.c_str());
    ::SetDlgItemTextA(dialog, IDC_SYSINFO_GENERAL, window.texts.general.c_str());
    ::SetDlgItemTextA(dialog, IDC_SYSINFO_MEMORY, window.texts.memory.c_str());
    ::SetDlgItemTextA(dialog, IDC_SYSINFO_PROCESSORS, window.texts.processors.c_str());
    for (const std::string& root : window.texts.drives) {
      ::SendDlgItemMessageA(dialog, IDC_SYSINFO_DRIVES, CB_ADDSTRING, 0,
                            reinterpret_cast<LPARAM>(root.c_str()));
    }
    ::SendDlgItemMessageA(dialog, IDC_SYSINFO_DRIVES, CB_SETCURSEL, 0, 0);
    ShowDisk(dialog, window);
    Centre(dialog);
    return TRUE;
  }
  auto* window = reinterpret_cast<SystemInfoWindow*>(::GetWindowLongPtrA(dialog, DWLP_USER));
  if (window == nullptr) return FALSE;
  if (message == WM_COMMAND) {
    if (LOWORD(wParam) == IDC_SYSINFO_DRIVES && HIWORD(wParam) == CBN_SELCHANGE) {
      ShowDisk(dialog, *window);
      return TRUE;
    }
    if (LOWORD(wParam) == IDCANCEL || LOWORD(wParam) == IDOK) {
      ::EndDialog(dialog, LOWORD(wParam));
      return TRUE;
    }
  }
  return FALSE;
}

INT_PTR CALLBACK SystemInfoProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  // Nothing may unwind into the system's dispatcher.
  try {
    return HandleMessage(dialog, message, wParam, lParam);
  } catch (...) {
    return FALSE;
  }
}

}  // namespace

void RunSystemInformation(HINSTANCE instance, HWND owner, const Platform& platform) {
  SYSTEM_INFO system{};
  ::GetSystemInfo(&system);
  ProcessorInfo processors;
  processors.count = system.dwNumberOfProcessors;
  processors.architecture = system.wProcessorArchitecture;
  processors.type = system.dwProcessorType;
  processors.activeMask = static_cast<std::uint32_t>(system.dwActiveProcessorMask);
  char computer[MAX_COMPUTERNAME_LENGTH + 1] = {};
  DWORD size = sizeof computer;
  if (!::GetComputerNameA(computer, &size)) computer[0] = '\0';

  SystemInfoWindow window{&platform, GatherSystemInfo(platform, computer, processors)};
  ::DialogBoxParamA(instance, MAKEINTRESOURCEA(IDD_SYSINFO), owner, SystemInfoProc,
                    reinterpret_cast<LPARAM>(&window));
}

}  // namespace ql::tune::app
