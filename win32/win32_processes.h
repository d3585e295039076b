// Process start on the real machine.
#pragma once

#include "platform/processes.h"

namespace ql::win32 {

class Win32Processes final : public Processes {
 public:
  std::uint32_t WinExec(std::string_view commandLine, int show) override;
  std::uintptr_t ShellExecute(WindowRef owner, const char* verb, const char* file,
                              const char* parameters, const char* directory, int show) override;
};

}  // namespace ql::win32
