// qlsvcq: prints the status of a service as the service control manager keeps it, for the
// Wine tests (a shell cannot ask the service control manager itself).
//
//   qlsvcq <service name>
//   -> state=<n> type=<n> controls=<n> exit=<n> specific=<n> checkpoint=<n> wait=<n>
//
// Exit status 0 with the line; 1 with a message when the service cannot be opened or
// queried (the Win32 error code is printed).
#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include <cstdio>

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: qlsvcq <service name>\n");
    return 1;
  }
  SC_HANDLE manager = OpenSCManagerA(nullptr, nullptr, SC_MANAGER_CONNECT);
  if (manager == nullptr) {
    std::fprintf(stderr, "qlsvcq: OpenSCManagerA failed: %lu\n", GetLastError());
    return 1;
  }
  SC_HANDLE service = OpenServiceA(manager, argv[1], SERVICE_QUERY_STATUS);
  if (service == nullptr) {
    std::fprintf(stderr, "qlsvcq: OpenServiceA(%s) failed: %lu\n", argv[1], GetLastError());
    CloseServiceHandle(manager);
    return 1;
  }
  SERVICE_STATUS status{};
  BOOL ok = QueryServiceStatus(service, &status);
  DWORD error = ok ? 0 : GetLastError();
  CloseServiceHandle(service);
  CloseServiceHandle(manager);
  if (!ok) {
    std::fprintf(stderr, "qlsvcq: QueryServiceStatus(%s) failed: %lu\n", argv[1], error);
    return 1;
  }
  std::printf("state=%lu type=%lu controls=%lu exit=%lu specific=%lu checkpoint=%lu wait=%lu\n",
              status.dwCurrentState, status.dwServiceType, status.dwControlsAccepted,
              status.dwWin32ExitCode, status.dwServiceSpecificExitCode, status.dwCheckPoint,
              status.dwWaitHint);
  return 0;
}
