// Process starts: WinExec and ShellExecuteA are recorded, nothing runs.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/processes.h"

namespace ql::sim {

class SimProcesses : public Processes {
 public:
  struct WinExecCall {
    std::string commandLine;
    int show = 0;
  };
  struct ShellExecuteCall {
    WindowRef owner = kNoWindow;
    std::optional<std::string> verb;  // nullopt: NULL was passed
    std::optional<std::string> file;
    std::optional<std::string> parameters;
    std::optional<std::string> directory;
    int show = 0;
  };

  // Processes
  std::uint32_t WinExec(std::string_view commandLine, int show) override;
  std::uintptr_t ShellExecute(WindowRef owner, const char* verb, const char* file,
                              const char* parameters, const char* directory, int show) override;

  // Results the calls give (started: WinExec 33, ShellExecute 42).
  std::uint32_t winExecResult = 33;
  std::uintptr_t shellExecuteResult = 42;

  [[nodiscard]] const std::vector<WinExecCall>& WinExecCalls() const { return winExecs_; }
  [[nodiscard]] const std::vector<ShellExecuteCall>& ShellExecuteCalls() const { return shells_; }

  [[nodiscard]] std::string ToString() const;

 private:
  std::vector<WinExecCall> winExecs_;
  std::vector<ShellExecuteCall> shells_;
};

}  // namespace ql::sim
