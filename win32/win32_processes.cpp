#include "win32/win32_processes.h"

#include <string>

#include "win32/win32_windows.h"
// After <windows.h>: the shell's declarations need its types.
#include <shellapi.h>
#undef ShellExecute

namespace ql::win32 {

std::uint32_t Win32Processes::WinExec(std::string_view commandLine, int show) {
  const std::string command(commandLine);
  return static_cast<std::uint32_t>(::WinExec(command.c_str(), static_cast<UINT>(show)));
}

std::uintptr_t Win32Processes::ShellExecute(WindowRef owner, const char* verb, const char* file,
                                            const char* parameters, const char* directory,
                                            int show) {
  return FromNative(
      ::ShellExecuteA(ToNative<HWND>(owner), verb, file, parameters, directory, show));
}

}  // namespace ql::win32
