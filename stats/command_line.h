// The monitor's command line. Without arguments the program opens its window stopped, as it
// always has; the switches start a statistics log:
//
//   QlStats.exe /log:FILE [/rate:N]
//
// Switch names are case-insensitive and may start with '/' or '-'; a value follows a colon
// and may be quoted ("/log:C:\My Logs\disk.csv" in quotes, or /log:"C:\My Logs\disk.csv").
// "/?" asks for the usage. Anything else is refused with the usage before any window opens.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/types.h"

namespace ql::stats {

// Exit codes of the program.
namespace exitcode {
inline constexpr int kDone = 0;          // the window ran and closed (also after "/?")
inline constexpr int kNoDriver = 1;      // the start-up check ended the program
inline constexpr int kBadArguments = 2;  // the command line was refused
inline constexpr int kLogNotOpened = 3;  // the log file could not be opened
}  // namespace exitcode

struct Invocation {
  enum class Kind {
    kWindow,   // no arguments: the window as always
    kLog,      // /log:FILE [/rate:N]
    kUsage,    // /? (with anything else)
    kRefused,  // anything the program does not know
  };
  Kind kind = Kind::kWindow;
  std::string logPath;    // kLog
  std::int32_t rate = 0;  // kLog: seconds between polls
  std::string problem;    // kRefused: what was wrong, in one line
};

// The command line's words as the C runtime splits them: blanks and tabs separate, double
// quotes group and are dropped. Backslashes are kept as they are (paths need them).
std::vector<std::string> SplitCommandLine(std::string_view commandLine);

// The command line as WinMain receives it, without the program's own name.
Invocation ParseCommandLine(std::string_view commandLine);

// The usage, after the problem's line and an empty line when there is a problem.
std::string UsageText(std::string_view problem);

inline constexpr char kUsageCaption[] = "QlStats";
// The usage asked for is information; after a refused command line it is an error.
inline constexpr std::uint32_t kUsageStyle = mb::kOk | mb::kIconAsterisk;
inline constexpr std::uint32_t kRefusedStyle = mb::kOk | mb::kIconHand;

}  // namespace ql::stats
