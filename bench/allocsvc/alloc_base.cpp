// qlallocbase: the least a service can do to give the driver its buffer, all on the service
// thread: read Start and DosDevice, open the device, ask the size, raise the working set,
// commit, lock, hand over, report RUNNING. The yardstick for QlAllSrv's start-up time.
#define WIN32_LEAN_AND_MEAN
#include <windows.h>

namespace {

constexpr char kName[] = "QlAllocBase";
constexpr DWORD kQuerySize = 0x840060A0u;
constexpr DWORD kFinalInit = 0x840020C0u;

SERVICE_STATUS_HANDLE g_handle = nullptr;
SERVICE_STATUS g_status{};

void Report(DWORD state) {
  g_status.dwCurrentState = state;
  ++g_status.dwCheckPoint;
  g_status.dwWaitHint = state == SERVICE_STOPPED ? 0 : 3000;
  SetServiceStatus(g_handle, &g_status);
}

void WINAPI Handler(DWORD) {}

char DriveLetter() {
  HKEY service = nullptr;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SYSTEM\\CurrentControlSet\\Services\\QlDrv", 0,
                    KEY_ALL_ACCESS, &service) != ERROR_SUCCESS) {
    return 0;
  }
  char letter = 0;
  DWORD start = 0;
  DWORD size = sizeof start;
  HKEY parameters = nullptr;
  if (RegQueryValueExA(service, "Start", nullptr, nullptr, reinterpret_cast<BYTE*>(&start),
                       &size) == ERROR_SUCCESS &&
      start <= 3 &&
      RegOpenKeyExA(service, "Parameters", 0, KEY_ALL_ACCESS, &parameters) == ERROR_SUCCESS) {
    char text[9] = {};
    size = 8;
    if (RegQueryValueExA(parameters, "DosDevice", nullptr, nullptr, reinterpret_cast<BYTE*>(text),
                         &size) == ERROR_SUCCESS) {
      letter = text[0];
    }
    RegCloseKey(parameters);
  }
  RegCloseKey(service);
  return letter;
}

bool HandOver() {
  const char letter = DriveLetter();
  if (letter == 0) return false;
  const char upper =
      letter >= 'a' && letter <= 'z' ? static_cast<char>(letter - 'a' + 'A') : letter;
  char path[8] = {'\\', '\\', '.', '\\', upper, ':', 0};
  HANDLE device = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_EXISTING, 0, nullptr);
  if (device == INVALID_HANDLE_VALUE) return false;
  ULONGLONG size = 0;
  DWORD returned = 0;
  bool ok = DeviceIoControl(device, kQuerySize, nullptr, 0, &size, sizeof size, &returned,
                            nullptr) != FALSE;
  const DWORD bytes = static_cast<DWORD>(size);
  void* buffer = nullptr;
  ok = ok && bytes != 0 &&
       SetProcessWorkingSetSize(GetCurrentProcess(), bytes + 0x200000, bytes + 0x200000);
  ok = ok && (buffer = VirtualAlloc(nullptr, bytes, MEM_COMMIT, PAGE_EXECUTE_READWRITE)) != nullptr;
  ok = ok && VirtualLock(buffer, bytes);
  if (ok) {
    struct {
      ULONGLONG size;
      DWORD address;
      DWORD handle;
    } record{bytes, static_cast<DWORD>(reinterpret_cast<ULONG_PTR>(buffer)),
             static_cast<DWORD>(reinterpret_cast<ULONG_PTR>(device))};
    ok = DeviceIoControl(device, kFinalInit, &record, sizeof record, nullptr, 0, &returned,
                         nullptr) != FALSE;
  }
  CloseHandle(device);
  return ok;
}

void WINAPI ServiceMain(DWORD, LPSTR*) {
  g_handle = RegisterServiceCtrlHandlerA(kName, &Handler);
  g_status.dwServiceType = SERVICE_WIN32_OWN_PROCESS | SERVICE_INTERACTIVE_PROCESS;
  Report(SERVICE_START_PENDING);
  if (!HandOver()) {
    g_status.dwWin32ExitCode = ERROR_GEN_FAILURE;
    Report(SERVICE_STOPPED);
    return;
  }
  Report(SERVICE_RUNNING);
  // Held until the process is ended.
  Sleep(INFINITE);
}

}  // namespace

int main() {
  char name[sizeof kName];
  lstrcpyA(name, kName);
  SERVICE_TABLE_ENTRYA table[] = {{name, &ServiceMain}, {nullptr, nullptr}};
  StartServiceCtrlDispatcherA(table);
  return 0;
}
