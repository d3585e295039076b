// Process start: WinExec and ShellExecuteA. Fire and forget.
#pragma once

#include <cstdint>
#include <string_view>

#include "platform/types.h"

namespace ql {

class Processes {
 public:
  virtual ~Processes() = default;

  // WinExec(commandLine, show): a value above 31 means started.
  virtual std::uint32_t WinExec(std::string_view commandLine, int show) = 0;

  // ShellExecuteA(owner, verb, file, parameters, directory, show): above 32 means done.
  // Null strings stand for NULL.
  virtual std::uintptr_t ShellExecute(WindowRef owner, const char* verb, const char* file,
                                      const char* parameters, const char* directory, int show) = 0;
};

}  // namespace ql
