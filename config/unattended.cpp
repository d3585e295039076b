#include "config/unattended.h"

#include <cctype>
#include <cstdio>

#include "config/drives.h"
#include "config/texts.h"

namespace ql::config {
namespace {

using Action = CommandLineRequest::Action;
using End = RunOutcome::End;

// One line of text: line breaks and other control characters become blanks, and runs of
// blanks one blank.
std::string OneLine(std::string_view text) {
  std::string line;
  for (const char c : text) {
    const char shown = static_cast<unsigned char>(c) < 0x20 ? ' ' : c;
    if (shown == ' ' && (line.empty() || line.back() == ' ')) continue;
    line += shown;
  }
  while (!line.empty() && line.back() == ' ') line.pop_back();
  return line;
}

std::string Join(const std::vector<std::string>& lines) {
  std::string joined;
  for (const std::string& line : lines) {
    if (!joined.empty()) joined += "; ";
    joined += line;
  }
  return joined;
}

// The page's options as the sheet sees them; without a window there is nothing to show.
class SilentSheet final : public WizardSheet {
 public:
  void SetWizardButtons(std::uint32_t) override {}
  void SetCaption(std::string_view) override {}
};

bool IsDrive(const DriveRecord& record, char letter) {
  return std::toupper(static_cast<unsigned char>(record.DriveName[0])) == letter &&
         record.DriveName[1] == ':';
}

bool ListsDrive(const DriveRecord* drives, char letter) {
  for (const DriveRecord* r = drives; r != nullptr; r = r->Next.get()) {
    if (IsDrive(*r, letter)) return true;
  }
  return false;
}

// What Finish handed to the write sequence, as the driver's values.
std::string WrittenValues(const DriverSettings& s) {
  std::string dosDevice;
  for (int i = 0; i < 2; ++i) {
    const auto c = static_cast<unsigned char>(s.DosDevice[i]);
    if (c >= 0x20 && c < 0x7F) dosDevice += static_cast<char>(c);
  }
  char text[320] = {};
  std::snprintf(text, sizeof text,
                "Start %u, Drive %u, Partition %u, DosDevice \"%s\", MaxLRU %u, MinLRU %u, "
                "LazyWrite %u, PageSize %u, PendingLimit %u, SystemDevice %u, BreakOnEntry %u, "
                "DebugLevel %u",
                static_cast<unsigned>(s.Start), static_cast<unsigned>(s.Drive),
                static_cast<unsigned>(s.Partition), dosDevice.c_str(),
                static_cast<unsigned>(s.MaxLRU), static_cast<unsigned>(s.MinLRU),
                static_cast<unsigned>(s.LazyWrite), static_cast<unsigned>(s.PageSize),
                static_cast<unsigned>(s.PendingLimit),
                static_cast<unsigned>(DeriveSystemDevice(s.DosDevice, s.SystemRootDrive)),
                static_cast<unsigned>(s.BreakOnEntry), static_cast<unsigned>(s.DebugLevel));
  return text;
}

struct Result {
  int code = exitcode::kDone;
  std::string what;
};

Result Judge(const RunOutcome& outcome, const CommandLineRequest& r,
             const CollectedMessages& messages) {
  const std::string said = messages.Lines().empty() ? "" : ": " + Join(messages.Lines());
  char drive[3] = {r.driveLetter, ':', '\0'};
  switch (outcome.end) {
    case End::kNotAdministrator:
      return {exitcode::kNotAdministrator, "nothing written: not an administrator" + said};
    case End::kRefusedByHost:
    case End::kCancelled:
      return {exitcode::kNotFixedDrive,
              std::string("nothing written: ") + drive + " is not a fixed drive" + said};
    case End::kPreparationFailed:
      return {exitcode::kRegistryFailed,
              "the driver's keys not written: the registry could not be prepared" + said};
    case End::kLowMemory:
      return {exitcode::kLowMemory,
              "the driver's keys not written, the group order and the event source are in "
              "place: too little memory" +
                  said};
    case End::kFinished:
      break;
    case End::kNotStarted:
      return {exitcode::kBadArguments, "nothing done"};
  }
  const std::string values = WrittenValues(outcome.written);
  std::string service;
  int code = exitcode::kDone;
  if (outcome.serviceRegistered) {
    service = "QlAlloc registered";
  } else if (outcome.registrationStatus == err::kServiceExists) {
    service = "QlAlloc was registered already";
    code = exitcode::kAlreadyRegistered;
  } else {
    char status[48] = {};
    std::snprintf(status, sizeof status, " (status %u)",
                  static_cast<unsigned>(outcome.registrationStatus));
    service = std::string("QlAlloc not registered") + status;
    code = exitcode::kRegistrationFailed;
  }
  if (!outcome.settingsWritten) {
    // The values before the failing one stay written, as after a Finish in the window.
    return {exitcode::kRegistryFailed,
            "writing stopped at a failure, the values before it are written (" + values + "); " +
                service + said};
  }
  return {code, "written: " + values + "; " + service + said};
}

}  // namespace

int CollectedMessages::MessageBox(WindowRef, std::string_view text, std::string_view caption,
                                  std::uint32_t) {
  lines_.push_back(OneLine(std::string(caption) + ": " + std::string(text)));
  return mb::kIdOk;
}

void CollectedMessages::Write(std::string_view text) {
  const std::string line = OneLine(text);
  if (!line.empty()) lines_.push_back(line);
}

UnattendedHost::UnattendedHost(const Platform& platform, const CommandLineRequest& request,
                               std::string programName)
    : platform_(platform), request_(request), programName_(std::move(programName)) {}

bool UnattendedHost::ReadyForRegistry() {
  if (request_.action != Action::kDrive) return true;
  // The same enumeration the page makes when it is first shown.
  const std::unique_ptr<DriveRecord> drives = EnumerateFixedDrives(platform_, programName_);
  driveMissing_ = !ListsDrive(drives.get(), request_.driveLetter);
  return !driveMissing_;
}

int UnattendedHost::RunWizard(CPage1& welcome, COptDlg& options) {
  SilentSheet sheet;
  welcome.OnSetActive(sheet);
  // Next.
  options.OnInitDialog();
  options.OnSetActive(sheet);
  if (request_.action == Action::kDisable) {
    // The disable entry is the last; an empty list (no entry at all) disables as well.
    options.OnListClick(sheet, static_cast<int>(options.Entries().size()) - 1);
  } else {
    int index = 0;
    const DriveRecord* record = options.Drives();
    while (record != nullptr && !IsDrive(*record, request_.driveLetter)) {
      record = record->Next.get();
      ++index;
    }
    if (record == nullptr) {
      // Gone since the check before the registry was touched.
      driveMissing_ = true;
      options.OnCancel();
      return 0;
    }
    options.OnListClick(sheet, index);
    // A click on the button asked for, as a user presses it even when it is down already.
    options.OnLazyButton(sheet, request_.lazyWrite ? 1 : 0);
  }
  options.OnWizardFinish();
  return kIdWizFinish;
}

std::string UsageText() {
  return "Without arguments the wizard shows its pages. With arguments it makes one choice "
         "of the options page without a window and does what Finish does:\n"
         "\n"
         "QlConfig /drive:D /lazywrite:on|off [/log:FILE]\n"
         "    cache the fixed drive D:, lazy writing on or off\n"
         "QlConfig /disable [/log:FILE]\n"
         "    disable the cache\n"
         "/log:FILE appends one line per run to FILE.\n"
         "\n"
         "Exit codes:\n"
         "0  done\n"
         "1  bad arguments; nothing done\n"
         "2  not an administrator; nothing done\n"
         "3  less than 32MB of memory; the driver's keys not written\n"
         "4  not a fixed drive; nothing done\n"
         "5  the registry could not be prepared or written\n"
         "6  settings written; QlAlloc could not be registered\n"
         "7  settings written; QlAlloc was registered already\n"
         "8  the log file cannot be opened; nothing done";
}

std::string FormatLogLine(const LocalTime& time, std::string_view programName,
                          std::string_view commandLine, int exitCode, std::string_view what) {
  char stamp[40] = {};
  std::snprintf(stamp, sizeof stamp, "%04u-%02u-%02u %02u:%02u:%02u",
                static_cast<unsigned>(time.year), static_cast<unsigned>(time.month),
                static_cast<unsigned>(time.day), static_cast<unsigned>(time.hour),
                static_cast<unsigned>(time.minute), static_cast<unsigned>(time.second));
  char code[16] = {};
  std::snprintf(code, sizeof code, "%d", exitCode);
  return std::string(stamp) + " " + std::string(programName) + " " + OneLine(commandLine) +
         ": exit " + code + ", " + OneLine(what) + "\r\n";
}

int RunUnattended(const Platform& platform, const CommandLineRequest& request,
                  std::string_view commandLine, RunLog& log, const std::string& programName) {
  if (request.action == Action::kUsage) {
    platform.ui.MessageBox(kNoWindow, UsageText(), programName, mb::kOk | mb::kIconAsterisk);
    return exitcode::kDone;
  }
  const bool logging = !request.logPath.empty();
  if (logging && !log.Open(request.logPath)) return exitcode::kLogUnavailable;

  Result result;
  if (request.action == Action::kDrive || request.action == Action::kDisable) {
    CollectedMessages messages;
    const Platform quiet{platform.registry, platform.services, platform.eventLog,
                         platform.memory,   platform.device,   platform.threads,
                         platform.disks,    platform.security, platform.processes,
                         messages,          platform.clock};
    UnattendedHost host(quiet, request, programName);
    CQlConfigApp app(quiet, host, messages, programName);
    (void)app.InitInstance();
    result = Judge(app.Outcome(), request, messages);
  } else {
    result = {
        exitcode::kBadArguments,
        "nothing done: " + (request.error.empty() ? std::string("no choice") : request.error)};
  }
  if (logging) {
    (void)log.Append(FormatLogLine(log.Now(), programName, commandLine, result.code, result.what));
  }
  return result.code;
}

}  // namespace ql::config
