// qlreport: writes one event-log record, for the harness's own test of reading records back
// from Wine's traces.
//   qlreport <source> <type> <category> <id> [string...]
#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include <cstdlib>
#include <vector>

int main(int argc, char** argv) {
  if (argc < 5) return 100;
  HANDLE log = RegisterEventSourceA(nullptr, argv[1]);
  if (log == nullptr) return 101;
  std::vector<const char*> strings(argv + 5, argv + argc);
  BOOL ok = ReportEventA(log, static_cast<WORD>(std::strtoul(argv[2], nullptr, 0)),
                         static_cast<WORD>(std::strtoul(argv[3], nullptr, 0)),
                         static_cast<DWORD>(std::strtoul(argv[4], nullptr, 0)), nullptr,
                         static_cast<WORD>(strings.size()), 0,
                         strings.empty() ? nullptr : strings.data(), nullptr);
  DeregisterEventSource(log);
  return ok ? 0 : 102;
}
