#include "win32/win32_processes.h"

#include <atomic>
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

namespace {

using ShellExecuteProc = HINSTANCE(WINAPI*)(HWND, LPCSTR, LPCSTR, LPCSTR, LPCSTR, INT);

// The shell is loaded when a program first asks it to open something, not with the program:
// most starts never do, and the shell's library and what it loads in turn are a good part of
// a small program's start-up. It stays loaded (what it opened may still use it).
ShellExecuteProc ShellExecuteEntry() {
  // Two threads that ask at once both load the library and find the same entry.
  static std::atomic<ShellExecuteProc> entry{nullptr};
  if (entry.load() == nullptr) {
    HMODULE shell = ::LoadLibraryA("SHELL32.DLL");
    if (shell != nullptr) {
      entry.store(reinterpret_cast<ShellExecuteProc>(
          reinterpret_cast<void*>(::GetProcAddress(shell, "ShellExecuteA"))));
    }
  }
  return entry.load();
}

}  // namespace

std::uintptr_t Win32Processes::ShellExecute(WindowRef owner, const char* verb, const char* file,
                                            const char* parameters, const char* directory,
                                            int show) {
  const ShellExecuteProc entry = ShellExecuteEntry();
  // Without the shell nothing can be opened: the shell's own "out of memory or resources".
  if (entry == nullptr) return 0;
  return FromNative(entry(ToNative<HWND>(owner), verb, file, parameters, directory, show));
}

}  // namespace ql::win32
