// The wizard without its window: the command line, the run it makes against the wizard's own
// start-up and write sequence, its exit codes and its log line.
#include "config/unattended.h"

#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <sstream>

#include "config/command_line.h"
#include "config/texts.h"
#include "tests/config/config_fixture.h"

namespace ql::config::testing {
namespace {

using Action = CommandLineRequest::Action;
using sim::SimDisks;

constexpr std::uint64_t kMiB = 1024 * 1024;

TEST(CommandLineTest, SplitsAtBlanksAndKeepsQuotedBlanks) {
  EXPECT_EQ(SplitCommandLine(""), std::vector<std::string>{});
  EXPECT_EQ(SplitCommandLine(" \t "), std::vector<std::string>{});
  EXPECT_EQ(SplitCommandLine("  /drive:D\t/lazywrite:on "),
            (std::vector<std::string>{"/drive:D", "/lazywrite:on"}));
  EXPECT_EQ(SplitCommandLine(R"(/log:"C:\Quillon logs\config.log" /disable)"),
            (std::vector<std::string>{R"(/log:C:\Quillon logs\config.log)", "/disable"}));
  EXPECT_EQ(SplitCommandLine(R"("/disable" "")"), (std::vector<std::string>{"/disable", ""}));
  // An unclosed quote runs to the end.
  EXPECT_EQ(SplitCommandLine(R"(/log:"a b)"), (std::vector<std::string>{"/log:a b"}));
}

TEST(CommandLineTest, ReadsTheChoices) {
  EXPECT_EQ(ParseCommandLine("").action, Action::kWizard);
  EXPECT_EQ(ParseCommandLine("   ").action, Action::kWizard);

  CommandLineRequest r = ParseCommandLine("/drive:D /lazywrite:on");
  EXPECT_EQ(r.action, Action::kDrive);
  EXPECT_EQ(r.driveLetter, 'D');
  EXPECT_TRUE(r.lazyWrite);
  EXPECT_EQ(r.logPath, "");
  EXPECT_EQ(r.error, "");

  r = ParseCommandLine("/LazyWrite:OFF /DRIVE:c: /Log:x.log");
  EXPECT_EQ(r.action, Action::kDrive);
  EXPECT_EQ(r.driveLetter, 'C');
  EXPECT_FALSE(r.lazyWrite);
  EXPECT_EQ(r.logPath, "x.log");

  r = ParseCommandLine(R"(/log:"C:\Quillon logs\config.log" /Disable)");
  EXPECT_EQ(r.action, Action::kDisable);
  EXPECT_EQ(r.logPath, R"(C:\Quillon logs\config.log)");

  EXPECT_EQ(ParseCommandLine("/?").action, Action::kUsage);
  EXPECT_EQ(ParseCommandLine("/drive:Q /bogus /?").action, Action::kUsage);
}

TEST(CommandLineTest, RefusesWhatChoosesNothingOrCannotBeRead) {
  const char* refused[] = {
      "/drive:D",                         // lazy writing not given
      "/lazywrite:on",                    // no drive
      "/drive: /lazywrite:on",            // missing value
      "/drive /lazywrite:on",             // missing value
      "/drive:DE /lazywrite:on",          // not a letter
      "/drive:1 /lazywrite:on",           // not a letter
      "/drive:D\\ /lazywrite:on",         // a root, not a letter
      "/drive:D /lazywrite:maybe",        // neither on nor off
      "/drive:D /lazywrite",              // missing value
      "/drive:D /drive:E /lazywrite:on",  // twice
      "/disable /drive:D /lazywrite:on",  // both
      "/disable /lazywrite:off",          // both
      "/disable:yes",                     // a value where none goes
      "/disable /disable",                // twice
      "/enable",                          // unknown
      "-disable",                         // not a switch
      "disable",                          // not a switch
      "/",                                // not a switch
      "/log:x.log",                       // nothing chosen
      "/log: /disable",                   // missing value
      "/log:a.log /log:b.log /disable",   // twice
      "\"\" /disable",                    // an empty argument
  };
  for (const char* line : refused) {
    const CommandLineRequest r = ParseCommandLine(line);
    EXPECT_EQ(r.action, Action::kRefused) << line;
    EXPECT_NE(r.error, "") << line;
  }
  // The log is kept, so that the refusal can be written to it.
  const CommandLineRequest r = ParseCommandLine("/drive:D /lazywrite:on /speed:max /log:x.log");
  EXPECT_EQ(r.action, Action::kRefused);
  EXPECT_EQ(r.error, "unknown switch: /speed:max");
  EXPECT_EQ(r.logPath, "x.log");
}

// A log file that lives as long as the test: every run opens it again and appends.
class FakeRunLog : public RunLog {
 public:
  bool Open(const std::string& path) override {
    opened.push_back(path);
    return openable;
  }
  bool Append(std::string_view text) override {
    text_ += text;
    return true;
  }
  LocalTime Now() override { return {2026, 12, 8, 14, 5, 9}; }

  [[nodiscard]] std::vector<std::string> Lines() const {
    std::vector<std::string> lines;
    std::istringstream in(text_);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
  }
  [[nodiscard]] const std::string& Text() const { return text_; }

  bool openable = true;
  std::vector<std::string> opened;

 private:
  std::string text_;
};

// One machine as a test prepares it, with a fixed C: and D: and 64 MiB of memory.
struct Machine {
  Machine() {
    std::string error;
    EXPECT_TRUE(sim.registry.ImportRegFile(QL_FIXTURES_DIR "/qlconfig_fresh.reg", &error)) << error;
    sim.disks.drives.clear();
    sim.disks.AddDrive(SimDisks::FixedDrive('C', 0, 1, 2048 * kMiB));
    sim.disks.AddDrive(SimDisks::FixedDrive('D', 1, 2, 3 * kMiB));
    sim.memory.SetTotalPhys(64 * 1024 * 1024);
  }

  int Unattended(std::string_view commandLine) {
    return RunUnattended(platform, ParseCommandLine(commandLine), commandLine, log, "QlConfig");
  }

  sim::SimMachine sim;
  Platform platform = sim.platform();
  CapturedErrors errors;
  FakeRunLog log;
};

// The user at the window: Next, then what `choose` does on the options page, then Finish.
class UserAtTheWindow : public WizardHost {
 public:
  using Choice = std::function<void(COptDlg&, FakeSheet&)>;
  explicit UserAtTheWindow(Choice choose) : choose_(std::move(choose)) {}
  void EnableThreeDimensionalControls() override {}
  int RunWizard(CPage1& welcome, COptDlg& options) override {
    welcome.OnSetActive(sheet_);
    options.OnInitDialog();
    options.OnSetActive(sheet_);
    choose_(options, sheet_);
    options.OnWizardFinish();
    return kIdWizFinish;
  }

 private:
  Choice choose_;
  FakeSheet sheet_;
};

UserAtTheWindow::Choice ClickEntry(int entry, int lazyButton = -1) {
  return [=](COptDlg& options, FakeSheet& sheet) {
    options.OnListClick(sheet, entry);
    if (lazyButton >= 0) options.OnLazyButton(sheet, lazyButton);
  };
}

UserAtTheWindow::Choice ClickDisable() {
  return [](COptDlg& options, FakeSheet& sheet) {
    options.OnListClick(sheet, static_cast<int>(options.Entries().size()) - 1);
  };
}

std::string Describe(const std::vector<sim::RegCall>& writes) {
  std::ostringstream out;
  for (const auto& call : writes) {
    out << call.keyPath << " " << call.valueName << " type " << call.type << ":";
    for (const auto byte : call.data) out << " " << static_cast<unsigned>(byte);
    out << "\n";
  }
  return out.str();
}

std::string Describe(const sim::SimServiceControl& services) {
  std::ostringstream out;
  for (const auto& s : services.Services()) {
    out << s.serviceName << " " << s.displayName << " " << s.desiredAccess << " " << s.serviceType
        << " " << s.startType << " " << s.errorControl << " " << s.binaryPathName << " "
        << s.loadOrderGroup.value_or("(null)") << " " << s.serviceStartName.value_or("(null)")
        << "\n";
  }
  return out.str();
}

// Runs the same choice through the window on one machine and from the command line on
// another machine prepared alike; both must write the same values in the same order and
// leave the same registry and services behind.
class SameAsFinishTest : public ::testing::Test {
 protected:
  void Prepare(const std::function<void(sim::SimMachine&)>& prepare) {
    prepare(window.sim);
    prepare(unattended.sim);
  }

  int Compare(UserAtTheWindow::Choice choice, std::string_view commandLine) {
    UserAtTheWindow user(std::move(choice));
    CQlConfigApp app(window.platform, user, window.errors);
    app.InitInstance();
    const int code = unattended.Unattended(commandLine);
    EXPECT_EQ(Describe(unattended.sim.registry.Writes()), Describe(window.sim.registry.Writes()))
        << commandLine;
    EXPECT_EQ(unattended.sim.registry.ExportReg(), window.sim.registry.ExportReg());
    EXPECT_EQ(Describe(unattended.sim.services), Describe(window.sim.services));
    EXPECT_EQ(unattended.sim.ui.Boxes().size(), 0u) << unattended.sim.ui.ToString();
    EXPECT_EQ(unattended.sim.Leaks(), "");
    return code;
  }

  std::uint32_t Dword(std::string_view name) {
    return unattended.sim.registry.GetDword(kParametersKey, name).value_or(0xDEADBEEF);
  }

  Machine window;
  Machine unattended;
};

TEST_F(SameAsFinishTest, DriveWithLazyWritingOnAFreshMachine) {
  EXPECT_EQ(Compare(ClickEntry(1, 1), "/drive:D /lazywrite:on"), exitcode::kDone);
  EXPECT_EQ(Dword("Drive"), 1u);
  EXPECT_EQ(Dword("Partition"), 2u);
  EXPECT_EQ(Dword("MaxLRU"), 96u);  // the 3 MiB partition is smaller than the budget
  EXPECT_EQ(Dword("LazyWrite"), 1u);
  EXPECT_EQ(unattended.sim.registry.GetDword(kServiceKey, "Start"), 0u);
  EXPECT_NE(unattended.sim.services.FindService("QlAlloc"), nullptr);
}

TEST_F(SameAsFinishTest, DriveChosenOverAStoredConfiguration) {
  // Enabled on C: with lazy writing on; the tuning engine and a hand changed the rest.
  Prepare([](sim::SimMachine& m) {
    m.registry.SetDword(kServiceKey, "Start", 0);
    m.registry.SetString(kParametersKey, "DosDevice", "C:", false);
    m.registry.SetDword(kParametersKey, "LazyWrite", 1);
    m.registry.SetDword(kParametersKey, "MaxLRU", 123);
    m.registry.SetDword(kParametersKey, "MinLRU", 5);
    m.registry.SetDword(kParametersKey, "PageSize", 16384);
    m.registry.SetDword(kParametersKey, "PendingLimit", 40);
    m.registry.SetDword(kParametersKey, "BreakOnEntry", 1);
  });
  EXPECT_EQ(Compare(ClickEntry(1, 0), "/drive:d /lazywrite:off"), exitcode::kDone);
  EXPECT_EQ(Dword("LazyWrite"), 0u);
  EXPECT_EQ(Dword("PageSize"), 32768u);
  EXPECT_EQ(Dword("PendingLimit"), 16u);
  EXPECT_EQ(unattended.sim.registry.GetText(kParametersKey, "DosDevice"), "D:");
}

TEST_F(SameAsFinishTest, DriveChosenOverAStoredDisabledConfigurationWithLazyWriting) {
  // The page starts with "Off" here; the button asked for is pressed all the same.
  Prepare([](sim::SimMachine& m) {
    m.registry.SetDword(kServiceKey, "Start", 4);
    m.registry.SetDword(kParametersKey, "LazyWrite", 1);
  });
  EXPECT_EQ(Compare(ClickEntry(0, 1), "/drive:C /lazywrite:on"), exitcode::kDone);
  EXPECT_EQ(Dword("LazyWrite"), 1u);
  EXPECT_EQ(Dword("SystemDevice"), 1u);
}

TEST_F(SameAsFinishTest, DisableKeepsTheStoredValues) {
  Prepare([](sim::SimMachine& m) {
    std::string error;
    EXPECT_TRUE(
        m.registry.ImportRegFile(QL_FIXTURES_DIR "/../wine/config/qlconfig_enabled.reg", &error))
        << error;
  });
  EXPECT_EQ(Compare(ClickDisable(), "/disable"), exitcode::kDone);
  EXPECT_EQ(unattended.sim.registry.GetDword(kServiceKey, "Start"), 4u);
  EXPECT_EQ(Dword("Drive"), 2u);
  EXPECT_EQ(Dword("Partition"), 3u);
  EXPECT_EQ(Dword("MaxLRU"), 123u);
  EXPECT_EQ(Dword("MinLRU"), 30u);
  EXPECT_EQ(Dword("LazyWrite"), 0u);
  EXPECT_EQ(Dword("BreakOnEntry"), 0u);  // the record's, not the stored one
  EXPECT_EQ(unattended.sim.registry.GetText(kParametersKey, "DosDevice"), "C:");
}

TEST_F(SameAsFinishTest, DisableOnAFreshMachine) {
  EXPECT_EQ(Compare(ClickDisable(), "/disable"), exitcode::kDone);
  EXPECT_EQ(Dword("Partition"), 1u);
  EXPECT_EQ(unattended.sim.registry.GetBytes(kParametersKey, "DosDevice"),
            (std::vector<std::uint8_t>{0, 0}));
}

TEST_F(SameAsFinishTest, DisableWithNoDriveListed) {
  // The page's list stays empty when the drive strings cannot be had; a click on it disables.
  Prepare([](sim::SimMachine& m) { m.disks.driveStringsFaults.FailAlways(err::kGenFailure); });
  EXPECT_EQ(Compare(ClickEntry(-1), "/disable"), exitcode::kDone);
  EXPECT_EQ(unattended.sim.registry.GetDword(kServiceKey, "Start"), 4u);
}

TEST_F(SameAsFinishTest, SecondRunFindsQlAllocRegistered) {
  EXPECT_EQ(Compare(ClickEntry(0, 0), "/drive:C /lazywrite:off"), exitcode::kDone);
  window.sim.ui.Clear();
  // The window shows its box for the existing service; the command line says so by its code.
  EXPECT_EQ(Compare(ClickEntry(1, 1), "/drive:D /lazywrite:on"), exitcode::kAlreadyRegistered);
  EXPECT_EQ(window.sim.ui.Texts(), (std::vector<std::string>{kRegisterServiceFailed}));
  EXPECT_EQ(Dword("LazyWrite"), 1u);
}

class UnattendedRunTest : public ::testing::Test {
 protected:
  std::string LastLine() const {
    const auto lines = m.log.Lines();
    return lines.empty() ? "" : lines.back();
  }
  Machine m;
};

TEST_F(UnattendedRunTest, LogLineSaysWhatWasWritten) {
  EXPECT_EQ(m.Unattended("/drive:D /lazywrite:on /log:C:\\ql.log"), exitcode::kDone);
  EXPECT_EQ(m.log.opened, (std::vector<std::string>{"C:\\ql.log"}));
  EXPECT_EQ(m.log.Text(),
            "2026-12-08 14:05:09 QlConfig /drive:D /lazywrite:on /log:C:\\ql.log: exit 0, "
            "written: Start 0, Drive 1, Partition 2, DosDevice \"D:\", MaxLRU 96, MinLRU 24, "
            "LazyWrite 1, PageSize 32768, PendingLimit 16, SystemDevice 0, BreakOnEntry 0, "
            "DebugLevel 0; QlAlloc registered\r\n");

  // One line per run, appended.
  EXPECT_EQ(m.Unattended("/disable /log:C:\\ql.log"), exitcode::kAlreadyRegistered);
  ASSERT_EQ(m.log.Lines().size(), 2u);
  EXPECT_NE(LastLine().find(": exit 7, written: Start 4, Drive 1, Partition 2, DosDevice \"D:\""),
            std::string::npos)
      << LastLine();
  EXPECT_NE(LastLine().find("; QlAlloc was registered already: QlConfig: Error registering "
                            "QlAlloc service\r"),
            std::string::npos)
      << LastLine();
  EXPECT_TRUE(m.sim.ui.Boxes().empty());
  EXPECT_EQ(m.sim.Leaks(), "");
}

TEST_F(UnattendedRunTest, RefusalsBeforeTheRegistryTouchNothing) {
  struct Case {
    const char* commandLine;
    std::function<void(sim::SimMachine&)> prepare;
    int code;
    const char* said;
  };
  const Case cases[] = {
      {"/drive:D /lazywrite:sometimes /log:q.log", nullptr, exitcode::kBadArguments,
       "exit 1, nothing done: lazy writing is on or off: /lazywrite:sometimes"},
      {"/drive:Q /lazywrite:on /log:q.log", nullptr, exitcode::kNotFixedDrive,
       "exit 4, nothing written: Q: is not a fixed drive"},
      {"/drive:E /lazywrite:on /log:q.log",
       [](sim::SimMachine& s) {
         auto cd = SimDisks::FixedDrive('E', 2, 1);
         cd.type = drive::kCdrom;
         s.disks.AddDrive(cd);
       },
       exitcode::kNotFixedDrive, "exit 4, nothing written: E: is not a fixed drive"},
      {"/drive:C /lazywrite:on /log:q.log",
       [](sim::SimMachine& s) { s.disks.driveStringsFaults.FailAlways(err::kGenFailure); },
       exitcode::kNotFixedDrive,
       "exit 4, nothing written: C: is not a fixed drive: QlConfig: Internal error: "
       "GetDriveLogicalStrings() failed"},
      {"/disable /log:q.log",
       [](sim::SimMachine& s) {
         s.security.SetAdministrators(sim::SimSecurity::AdminMembership::kNone);
       },
       exitcode::kNotAdministrator,
       "exit 2, nothing written: not an administrator: Insufficient Privileges: You must be an "
       "Administrator to install or reconfigure Quillon-NT."},
  };
  for (const Case& c : cases) {
    Machine fresh;
    if (c.prepare) c.prepare(fresh.sim);
    const std::string before = fresh.sim.registry.ExportReg();
    EXPECT_EQ(fresh.Unattended(c.commandLine), c.code) << c.commandLine;
    EXPECT_TRUE(fresh.sim.registry.Calls().empty()) << c.commandLine;
    EXPECT_EQ(fresh.sim.registry.ExportReg(), before);
    EXPECT_TRUE(fresh.sim.services.Services().empty());
    EXPECT_TRUE(fresh.sim.ui.Boxes().empty()) << fresh.sim.ui.ToString();
    const auto lines = fresh.log.Lines();
    ASSERT_EQ(lines.size(), 1u) << c.commandLine;
    EXPECT_EQ(lines[0],
              std::string("2026-12-08 14:05:09 QlConfig ") + c.commandLine + ": " + c.said + "\r");
  }
}

TEST_F(UnattendedRunTest, LowMemoryLeavesThePreparationOnly) {
  m.sim.memory.SetTotalPhys(31999999);
  EXPECT_EQ(m.Unattended("/drive:C /lazywrite:on /log:q.log"), exitcode::kLowMemory);
  EXPECT_TRUE(m.sim.registry.KeyExists(kEventSourceKey));
  EXPECT_FALSE(m.sim.registry.KeyExists(kServiceKey));
  EXPECT_TRUE(m.sim.services.Services().empty());
  EXPECT_TRUE(m.sim.ui.Boxes().empty());
  EXPECT_NE(LastLine().find("exit 3, the driver's keys not written, the group order and the event "
                            "source are in place: too little memory: QlConfig: Insufficient "
                            "Memory: Your system must be configured with at least 32MB of RAM "
                            "memory to use Quillon-NT"),
            std::string::npos)
      << LastLine();
}

TEST_F(UnattendedRunTest, RegistryFailures) {
  m.sim.registry.DeleteKey(kGroupOrderKey);
  EXPECT_EQ(m.Unattended("/disable /log:q.log"), exitcode::kRegistryFailed);
  EXPECT_NE(LastLine().find("exit 5, the driver's keys not written: the registry could not be "
                            "prepared: Error, unable to open service group order key"),
            std::string::npos)
      << LastLine();

  // A failing write stops the sequence; the registration follows it, as after Finish.
  Machine other;
  other.sim.registry.InjectFault({sim::RegOp::kSet, "", "Type", 0, err::kAccessDenied});
  EXPECT_EQ(other.Unattended("/drive:C /lazywrite:off /log:q.log"), exitcode::kRegistryFailed);
  EXPECT_NE(other.sim.services.FindService("QlAlloc"), nullptr);
  EXPECT_TRUE(other.sim.ui.Boxes().empty());
  const auto line = other.log.Lines().at(0);
  EXPECT_NE(line.find("exit 5, writing stopped at a failure"), std::string::npos) << line;
  EXPECT_NE(line.find("QlAlloc registered: Quillon-NT Not Configured: Error, unable to write "
                      "Quillon registry value"),
            std::string::npos)
      << line;
  EXPECT_EQ(other.sim.Leaks(), "");
}

TEST_F(UnattendedRunTest, FailedRegistrationHasItsOwnCode) {
  m.sim.services.createServiceFaults.FailNext(err::kAccessDenied);
  EXPECT_EQ(m.Unattended("/drive:C /lazywrite:on /log:q.log"), exitcode::kRegistrationFailed);
  EXPECT_EQ(m.sim.registry.GetDword(kServiceKey, "Start"), 0u);
  EXPECT_NE(LastLine().find("QlAlloc not registered (status 5)"), std::string::npos) << LastLine();
}

TEST_F(UnattendedRunTest, UnopenableLogStopsEverything) {
  m.log.openable = false;
  EXPECT_EQ(m.Unattended("/drive:C /lazywrite:on /log:Z:\\nowhere\\ql.log"),
            exitcode::kLogUnavailable);
  EXPECT_TRUE(m.sim.registry.Calls().empty());
  EXPECT_TRUE(m.sim.services.Services().empty());
  EXPECT_EQ(m.log.Text(), "");
}

TEST_F(UnattendedRunTest, WithoutLogNothingIsOpened) {
  EXPECT_EQ(m.Unattended("/drive:C /lazywrite:on"), exitcode::kDone);
  EXPECT_TRUE(m.log.opened.empty());
  EXPECT_EQ(m.Unattended("/drive:C /lazywrite:on /bogus"), exitcode::kBadArguments);
  EXPECT_TRUE(m.log.opened.empty());
}

TEST_F(UnattendedRunTest, UsageIsShownInABox) {
  EXPECT_EQ(m.Unattended("/? /log:q.log"), exitcode::kDone);
  ASSERT_EQ(m.sim.ui.Boxes().size(), 1u);
  const auto& box = m.sim.ui.Boxes()[0];
  EXPECT_EQ(box.caption, "QlConfig");
  EXPECT_EQ(box.style, mb::kOk | mb::kIconAsterisk);
  EXPECT_EQ(box.owner, kNoWindow);
  EXPECT_NE(box.text.find("QlConfig /drive:D /lazywrite:on|off [/log:FILE]"), std::string::npos);
  EXPECT_NE(box.text.find("8  the log file cannot be opened"), std::string::npos);
  EXPECT_TRUE(m.sim.registry.Calls().empty());
  EXPECT_TRUE(m.log.opened.empty());
}

}  // namespace
}  // namespace ql::config::testing
