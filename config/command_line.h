// The wizard's command line. Without arguments the wizard shows its pages; with them it makes
// one choice of the options page without a window (see unattended.h):
//
//   QlConfig /drive:D /lazywrite:on [/log:FILE]     cache fixed drive D:, lazy writing on
//   QlConfig /disable [/log:FILE]                   disable the cache
//   QlConfig /?                                     the usage, in a message box
//
// Switch names and the values on and off are taken in any letter case.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace ql::config {

struct CommandLineRequest {
  // kRefused: the arguments are refused, for the reason in `error`.
  enum class Action { kWizard, kUsage, kDrive, kDisable, kRefused };
  Action action = Action::kWizard;
  // kDrive: the upper-case letter of the drive and whether lazy writing is to be on.
  char driveLetter = 0;
  bool lazyWrite = false;
  // The file each run appends its line to; empty for none. Kept even when the rest of the
  // arguments are refused, so that the refusal can be logged.
  std::string logPath;
  // Why the arguments are refused; empty when they are not.
  std::string error;
};

// Splits a command line (without the program's name) into arguments at spaces and tabs; a
// double quote starts or ends a quoted part, in which blanks belong to the argument, and is
// itself dropped: /log:"C:\Quillon logs\config.log" is one argument.
std::vector<std::string> SplitCommandLine(std::string_view commandLine);

// Reads the arguments. No argument asks for the wizard; "/?" anywhere for the usage. An
// unknown switch, a switch given twice, a missing or malformed value, /drive without
// /lazywrite (or the reverse), /disable with either, or arguments that choose nothing are
// refused (kRefused), with the reason in `error`.
CommandLineRequest ParseCommandLine(std::string_view commandLine);

}  // namespace ql::config
