#include "sim/sim_processes.h"

#include <sstream>

namespace ql::sim {

namespace {
std::optional<std::string> Optional(const char* text) {
  if (text == nullptr) return std::nullopt;
  return std::string(text);
}
std::string Show(const std::optional<std::string>& text) {
  return text ? "\"" + *text + "\"" : "NULL";
}
}  // namespace

std::uint32_t SimProcesses::WinExec(std::string_view commandLine, int show) {
  winExecs_.push_back({std::string(commandLine), show});
  return winExecResult;
}

std::uintptr_t SimProcesses::ShellExecute(WindowRef owner, const char* verb, const char* file,
                                          const char* parameters, const char* directory, int show) {
  shells_.push_back(
      {owner, Optional(verb), Optional(file), Optional(parameters), Optional(directory), show});
  return shellExecuteResult;
}

std::string SimProcesses::ToString() const {
  std::ostringstream out;
  out << "processes: " << winExecs_.size() << " WinExec, " << shells_.size() << " ShellExecute\n";
  for (const auto& call : winExecs_) {
    out << "  WinExec \"" << call.commandLine << "\" show " << call.show << "\n";
  }
  for (const auto& call : shells_) {
    out << "  ShellExecute owner " << call.owner << " verb " << Show(call.verb) << " file "
        << Show(call.file) << " parameters " << Show(call.parameters) << " directory "
        << Show(call.directory) << " show " << call.show << "\n";
  }
  return out.str();
}

}  // namespace ql::sim
