// qlsvcprobe: starts a service and watches its status as the service control manager keeps
// it, polling every few milliseconds, until it runs or stops; then ends its process.
//
//   qlsvcprobe <service> [timeout seconds] [-v]
//   -> running_ms=<ms from StartService to RUNNING> max_gap_ms=<longest time between two
//      START_PENDING check points seen, up to RUNNING> checkpoints=<n> state=<n> exit=<n>
//
// With -v every change of state or check point is printed as it is seen (ms since the start).
//
// Ending the process (TerminateProcess) is the only way to stop a service that accepts no
// controls; the probe then waits until the manager has noticed.
#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

double Now() {
  static LARGE_INTEGER frequency = [] {
    LARGE_INTEGER f;
    QueryPerformanceFrequency(&f);
    return f;
  }();
  LARGE_INTEGER counter;
  QueryPerformanceCounter(&counter);
  return 1000.0 * static_cast<double>(counter.QuadPart) / static_cast<double>(frequency.QuadPart);
}

bool Query(SC_HANDLE service, SERVICE_STATUS_PROCESS* status) {
  DWORD needed = 0;
  return QueryServiceStatusEx(service, SC_STATUS_PROCESS_INFO, reinterpret_cast<BYTE*>(status),
                              sizeof *status, &needed) != FALSE;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: qlsvcprobe <service> [timeout seconds]\n");
    return 1;
  }
  const double limit = 1000.0 * (argc > 2 ? std::atof(argv[2]) : 120.0);
  const bool verbose = argc > 3 && std::strcmp(argv[3], "-v") == 0;
  SC_HANDLE manager = OpenSCManagerA(nullptr, nullptr, SC_MANAGER_CONNECT);
  SC_HANDLE service =
      manager ? OpenServiceA(manager, argv[1], SERVICE_START | SERVICE_QUERY_STATUS) : nullptr;
  if (service == nullptr) {
    std::fprintf(stderr, "qlsvcprobe: cannot open %s: %lu\n", argv[1], GetLastError());
    return 1;
  }

  const double start = Now();
  if (!StartServiceA(service, 0, nullptr)) {
    std::fprintf(stderr, "qlsvcprobe: StartService(%s) failed: %lu\n", argv[1], GetLastError());
    return 1;
  }
  SERVICE_STATUS_PROCESS status{};
  DWORD lastCheckPoint = 0;
  double lastChange = -1;
  double maxGap = 0;
  int checkPoints = 0;
  double running = -1;
  DWORD lastState = 0;
  DWORD lastSeen = 0;
  for (;;) {
    if (!Query(service, &status)) break;
    const double t = Now();
    if (verbose && (status.dwCurrentState != lastState || status.dwCheckPoint != lastSeen)) {
      std::printf("  %8.1f ms state=%lu checkpoint=%lu\n", t - start, status.dwCurrentState,
                  status.dwCheckPoint);
      lastState = status.dwCurrentState;
      lastSeen = status.dwCheckPoint;
    }
    if (status.dwCurrentState == SERVICE_START_PENDING && status.dwCheckPoint != lastCheckPoint) {
      if (lastChange >= 0 && t - lastChange > maxGap) maxGap = t - lastChange;
      lastChange = t;
      lastCheckPoint = status.dwCheckPoint;
      ++checkPoints;
    }
    if (status.dwCurrentState == SERVICE_RUNNING || status.dwCurrentState == SERVICE_STOPPED) {
      if (status.dwCurrentState == SERVICE_RUNNING) {
        running = t - start;
        if (lastChange >= 0 && t - lastChange > maxGap) maxGap = t - lastChange;
      }
      break;
    }
    if (t - start > limit) break;
    Sleep(2);
  }
  std::printf("running_ms=%.1f max_gap_ms=%.1f checkpoints=%d state=%lu exit=%lu\n", running,
              maxGap, checkPoints, status.dwCurrentState, status.dwWin32ExitCode);
  std::fflush(stdout);

  // End the service's process and wait until the manager has seen it go.
  if (status.dwProcessId != 0) {
    HANDLE process = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, status.dwProcessId);
    if (process != nullptr) {
      TerminateProcess(process, 0);
      WaitForSingleObject(process, 30000);
      CloseHandle(process);
    }
  }
  const double stopLimit = Now() + 30000;
  while (Query(service, &status) && status.dwCurrentState != SERVICE_STOPPED && Now() < stopLimit) {
    Sleep(50);
  }
  CloseServiceHandle(service);
  CloseServiceHandle(manager);
  return running >= 0 ? 0 : 3;
}
