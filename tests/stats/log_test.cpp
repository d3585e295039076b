// The statistics log started from the command line: which command lines start it, what the
// file holds after a run, and how every way a run ends leaves the file.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "sim/sim_files.h"
#include "sim/sim_local_time.h"
#include "sim/sim_machine.h"
#include "stats/command_line.h"
#include "stats/stats_dialog.h"

namespace ql::stats {
namespace {

constexpr WindowRef kWindow = 0x4711;
constexpr char kLogPath[] = "C:\\Logs\\disk.csv";
constexpr char kHeader[] = "Time,Interval (s),Reads,Cache Hit %,Writes,Write Behind %,Note\r\n";

// --- Command line ----------------------------------------------------------------------------

struct LineCase {
  const char* line;
  Invocation::Kind kind;
  const char* path;     // kLog
  std::int32_t rate;    // kLog
  const char* problem;  // kRefused
};

TEST(CommandLineTest, EachLineGivesItsInvocation) {
  using K = Invocation::Kind;
  const LineCase cases[] = {
      {"", K::kWindow, "", 0, ""},
      {"  \t ", K::kWindow, "", 0, ""},
      {"/log:C:\\disk.csv", K::kLog, "C:\\disk.csv", 2, ""},
      {"/LOG:d.csv /Rate:1", K::kLog, "d.csv", 1, ""},
      {"-rate:3600 -log:d.csv", K::kLog, "d.csv", 3600, ""},
      {"\"/log:C:\\My Logs\\d.csv\" /rate:5", K::kLog, "C:\\My Logs\\d.csv", 5, ""},
      {"/log:\"C:\\My Logs\\d.csv\"", K::kLog, "C:\\My Logs\\d.csv", 2, ""},
      {"/?", K::kUsage, "", 0, ""},
      {"/log:d.csv /x /?", K::kUsage, "", 0, ""},
      {"/x", K::kRefused, "", 0, "Unknown switch: /x"},
      {"/logfile:d.csv", K::kRefused, "", 0, "Unknown switch: /logfile:d.csv"},
      {"d.csv", K::kRefused, "", 0, "Unexpected argument: d.csv"},
      {"/log", K::kRefused, "", 0, "The switch /log needs a file name: /log:FILE"},
      {"/log:", K::kRefused, "", 0, "The switch /log needs a file name: /log:FILE"},
      {"/log:a /log:b", K::kRefused, "", 0, "The switch /log is given twice."},
      {"/rate:5", K::kRefused, "", 0, "The switch /rate goes with /log:FILE."},
      {"/log:a /rate", K::kRefused, "", 0, "The switch /rate needs a number: /rate:N"},
      {"/log:a /rate:0", K::kRefused, "", 0,
       "The rate must be a whole number of seconds from 1 to 3600: /rate:0"},
      {"/log:a /rate:3601", K::kRefused, "", 0,
       "The rate must be a whole number of seconds from 1 to 3600: /rate:3601"},
      {"/log:a /rate:1x", K::kRefused, "", 0,
       "The rate must be a whole number of seconds from 1 to 3600: /rate:1x"},
      {"/log:a /rate:1 /rate:2", K::kRefused, "", 0, "The switch /rate is given twice."},
  };
  for (const LineCase& c : cases) {
    SCOPED_TRACE(std::string("command line '") + c.line + "'");
    const Invocation got = ParseCommandLine(c.line);
    EXPECT_EQ(got.kind, c.kind);
    EXPECT_EQ(got.logPath, c.path);
    if (c.kind == K::kLog) {
      EXPECT_EQ(got.rate, c.rate);
    }
    EXPECT_EQ(got.problem, c.problem);
  }
}

// --- Lines of the log ------------------------------------------------------------------------

TEST(LogLineTest, FiguresAreTheWindowsWithoutTheirPadding) {
  const LocalDateTime at{2026, 1, 2, 3, 4, 5};
  EXPECT_EQ(IntervalLine(at, 2, FiguresOf(Counters{3, 2, 1234, 617})),
            "2026-01-02 03:04:05,2,3,66.7,1234,50.0,\r\n");
  // No reads, a counter that went backwards: the window's own readings.
  EXPECT_EQ(IntervalLine(at, 1, FiguresOf(Counters{0, 0, 0xFFFFFFFFull, 0})),
            "2026-01-02 03:04:05,1,0,100.0,-1,0.0,\r\n");
  EXPECT_EQ(
      NoteLine(at, 1, "connection lost: IOCTL_OV_GET_STATS failed with code 21"),
      "2026-01-02 03:04:05,1,,,,,connection lost: IOCTL_OV_GET_STATS failed with code 21\r\n");
  EXPECT_EQ(CsvField("a, \"b\""), "\"a, \"\"b\"\"\"");
}

TEST(LogLineTest, TheSimWallClockCrossesMidnightAndTheYear) {
  sim::SimClock clock;
  sim::SimLocalTime time(clock);
  time.SetStart(LocalDateTime{2026, 12, 31, 23, 59, 59});
  clock.Advance(999);
  EXPECT_EQ(FormatTimeStamp(time.Now()), "2026-12-31 23:59:59");
  clock.Advance(1);
  EXPECT_EQ(FormatTimeStamp(time.Now()), "2027-01-01 00:00:00");
}

// --- A run of the program against the sim ----------------------------------------------------

struct Shown {
  std::string button;
  bool rateEnabled;
  std::string reads;
  friend bool operator==(const Shown&, const Shown&) = default;
  friend std::ostream& operator<<(std::ostream& out, const Shown& s) {
    return out << "[" << s.button << (s.rateEnabled ? ", enabled, " : ", disabled, ") << s.reads
               << "]";
  }
};

Shown ShownBy(const StatsDialog& dialog) {
  return Shown{dialog.Text(id::kRunStop), dialog.RateBoxEnabled(), dialog.Text(id::kReads)};
}

class LogTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string error;
    ASSERT_TRUE(machine_.registry.ImportRegFile(QL_FIXTURES_DIR "/qlstats_installed.reg", &error))
        << error;
    // Per interval: 3 reads with 2 hits, 1234 writes with 617 behind.
    machine_.device.SetCounters({100, 50, 1000, 900});
    machine_.device.SetCounterIncrements({1234, 617, 3, 2});
  }

  // Runs the program with a command line; inWindow plays the user once the window is up
  // (after the shell has posted the log's start).
  int RunProgram(const char* commandLine, const std::function<void(StatsDialog&)>& inWindow) {
    Platform platform = machine_.platform();
    StatsMonitorApp app(platform, {files_, localTime_});
    windowShown_ = false;
    return app.Run(commandLine, [&](StatsDialog& dialog) {
      windowShown_ = true;
      dialog.OnInit(kWindow, "&About QlStats...");
      if (dialog.LogStartPending()) dialog.OnStartLog();
      inWindow(dialog);
    });
  }

  static std::string Row(const char* time) {
    return std::string("2026-12-08 ") + time + ",1,3,66.7,1234,50.0,\r\n";
  }

  std::size_t StatsRequests() const {
    return machine_.device.RequestsWithCode(IOCTL_OV_GET_STATS).size();
  }

  void ExpectNothingLeft() const {
    EXPECT_EQ(files_.OpenHandleCount(), 0u) << files_.ToString();
    EXPECT_EQ(files_.BadCloseCount(), 0u);
    EXPECT_EQ(machine_.Leaks(), "") << machine_.ToString();
  }

  sim::SimMachine machine_;
  sim::SimFiles files_;
  sim::SimLocalTime localTime_{machine_.clock};
  bool windowShown_ = false;
};

TEST_F(LogTest, WithoutArgumentsNothingIsLoggedOrPolled) {
  EXPECT_EQ(RunProgram("",
                       [this](StatsDialog& d) {
                         EXPECT_FALSE(d.LogStartPending());
                         EXPECT_EQ(ShownBy(d), (Shown{"Run", true, "********"}));
                         machine_.clock.Pump(10000);
                         d.OnCancel();
                       }),
            exitcode::kDone);
  EXPECT_TRUE(windowShown_);
  EXPECT_TRUE(files_.Opens().empty());
  EXPECT_TRUE(machine_.device.Opens().empty());
  EXPECT_TRUE(machine_.ui.Boxes().empty());
}

TEST_F(LogTest, ALogRunWritesTheHeaderAndOneRowPerIntervalUntilExit) {
  EXPECT_EQ(RunProgram("/log:C:\\Logs\\disk.csv /rate:1",
                       [this](StatsDialog& d) {
                         // Polling started at once, at the rate given.
                         EXPECT_EQ(ShownBy(d), (Shown{"Stop", false, "********"}));
                         EXPECT_EQ(d.Text(id::kRate), "1");
                         EXPECT_TRUE(d.Logging());
                         ASSERT_EQ(machine_.clock.ActiveTimers().size(), 1u);
                         EXPECT_EQ(machine_.clock.ActiveTimers()[0].interval, 1000u);
                         machine_.clock.Pump(3000);

                         // Readable while it grows; a second writer is refused.
                         Status error = 0;
                         const Handle reader = files_.CreateFile(
                             kLogPath, file::kGenericRead, file::kShareRead | file::kShareWrite,
                             file::kOpenExisting, &error);
                         EXPECT_NE(reader, kInvalidHandle) << files_.ToString();
                         files_.CloseHandle(reader);
                         EXPECT_EQ(files_.CreateFile(kLogPath, file::kGenericWrite,
                                                     file::kShareRead, file::kOpenAlways, &error),
                                   kInvalidHandle);
                         EXPECT_EQ(error, err::kSharingViolation);

                         machine_.clock.Pump(2000);
                         EXPECT_EQ(d.Text(id::kHitRate), " 66.7");
                         d.OnCancel();
                       }),
            exitcode::kDone);

  EXPECT_EQ(files_.Content(kLogPath), kHeader + Row("14:05:01") + Row("14:05:02") +
                                          Row("14:05:03") + Row("14:05:04") + Row("14:05:05"));
  // Every line went in whole, in one call.
  EXPECT_EQ(files_.Appends().size(), 6u);
  // The baseline and one request per row.
  EXPECT_EQ(StatsRequests(), 6u);
  const auto& open = files_.Opens()[0];
  EXPECT_EQ(open.access, file::kGenericWrite);
  EXPECT_EQ(open.share, file::kShareRead);
  EXPECT_EQ(open.creation, file::kOpenAlways);
  EXPECT_TRUE(machine_.ui.Boxes().empty()) << machine_.ui.ToString();
  ExpectNothingLeft();
}

TEST_F(LogTest, AnExistingLogIsContinuedWithoutASecondHeader) {
  const std::string earlier = std::string(kHeader) + "2026-12-07 10:00:00,2,1,100.0,0,100.0,\r\n";
  files_.Put(kLogPath, earlier);
  RunProgram("/log:c:\\logs\\DISK.csv", [this](StatsDialog& d) {
    machine_.clock.Pump(2000);
    d.OnCancel();
  });
  EXPECT_EQ(files_.Content(kLogPath), earlier + "2026-12-08 14:05:02,2,3,66.7,1234,50.0,\r\n");

  // An empty file counts as new.
  files_.Put("empty.csv", "");
  RunProgram("/log:empty.csv", [](StatsDialog& d) { d.OnCancel(); });
  EXPECT_EQ(files_.Content("empty.csv"), kHeader);
}

TEST_F(LogTest, StopEndsTheLogAndALaterRunPollsWithoutIt) {
  RunProgram("/log:C:\\Logs\\disk.csv /rate:1", [this](StatsDialog& d) {
    machine_.clock.Pump(2000);
    d.OnRunStop();
    EXPECT_FALSE(d.Logging());
    EXPECT_EQ(files_.OpenHandleCount(), 0u);
    d.OnRunStop();
    machine_.clock.Pump(3000);
    EXPECT_EQ(d.Text(id::kReads), "          3");
    d.OnCancel();
  });
  EXPECT_EQ(files_.Content(kLogPath), kHeader + Row("14:05:01") + Row("14:05:02"));
  ExpectNothingLeft();
}

TEST_F(LogTest, CloseWhileLoggingEndsTheLogBeforeTheWindowGoes) {
  RunProgram("/log:C:\\Logs\\disk.csv /rate:1", [this](StatsDialog& d) {
    machine_.clock.Pump(1000);
    d.OnCloseRequest();
    EXPECT_EQ(files_.OpenHandleCount(), 0u);
    d.OnCancel();
  });
  EXPECT_EQ(files_.Content(kLogPath), kHeader + Row("14:05:01"));
  ExpectNothingLeft();
}

TEST_F(LogTest, ALostConnectionWritesALastRowBeforeItsMessage) {
  std::string atMessage;
  machine_.ui.SetHandler([&](const sim::SimUi::MessageBoxRecord&) {
    atMessage = files_.Content(kLogPath);
    EXPECT_EQ(files_.OpenHandleCount(), 0u);
    return mb::kIdOk;
  });
  RunProgram("/log:C:\\Logs\\disk.csv /rate:1", [this](StatsDialog& d) {
    machine_.clock.Pump(2000);
    machine_.device.Faults(IOCTL_OV_GET_STATS).FailNext(err::kNotReady);
    machine_.clock.Pump(1000);
    EXPECT_FALSE(d.Logging());
    // The connection-lost state: Stop, last figures; nothing more is written.
    EXPECT_EQ(ShownBy(d), (Shown{"Stop", false, "          3"}));
    machine_.clock.Pump(5000);
    d.OnRunStop();
    d.OnCancel();
  });
  const std::string expected =
      kHeader + Row("14:05:01") + Row("14:05:02") +
      "2026-12-08 14:05:03,1,,,,,connection lost: IOCTL_OV_GET_STATS failed with code 21\r\n";
  EXPECT_EQ(atMessage, expected);
  EXPECT_EQ(files_.Content(kLogPath), expected);
  EXPECT_EQ(machine_.ui.Texts(), std::vector<std::string>{"IOCTL_OV_GET_STATS failed, code 21"});
  ExpectNothingLeft();
}

TEST_F(LogTest, AFailedFirstConnectionIsNotedAndEndsTheLog) {
  machine_.device.ServePaths({});
  RunProgram("/log:C:\\Logs\\disk.csv", [this](StatsDialog& d) {
    // The connecting-failed state; the next click tries again, without the log.
    EXPECT_EQ(ShownBy(d), (Shown{"Stop", false, "********"}));
    EXPECT_FALSE(d.Logging());
    machine_.device.ServePaths({"\\\\.\\C:"});
    d.OnRunStop();
    machine_.clock.Pump(4000);
    d.OnCancel();
  });
  EXPECT_EQ(files_.Content(kLogPath),
            std::string(kHeader) +
                "2026-12-08 14:05:00,2,,,,,no connection: the device did not open (error 2)\r\n");
  EXPECT_EQ(machine_.ui.Texts(), std::vector<std::string>{"Could not get device handle"});
  ExpectNothingLeft();

  // A first request that fails names its code.
  machine_.device.Faults(IOCTL_OV_GET_STATS).FailNext(err::kGenFailure);
  RunProgram("/log:second.csv", [](StatsDialog& d) { d.OnCancel(); });
  EXPECT_EQ(
      files_.Content("second.csv"),
      std::string(kHeader) +
          "2026-12-08 14:05:04,2,,,,,no connection: IOCTL_OV_GET_STATS failed with code 31\r\n");
}

TEST_F(LogTest, ARowTheFileRefusesEndsTheLogButNotThePolling) {
  RunProgram("/log:C:\\Logs\\disk.csv /rate:1", [this](StatsDialog& d) {
    machine_.clock.Pump(1000);
    files_.appendFaults.FailNext(err::kDiskFull);
    machine_.clock.Pump(1000);
    EXPECT_FALSE(d.Logging());
    EXPECT_EQ(files_.OpenHandleCount(), 0u);
    machine_.clock.Pump(3000);
    EXPECT_TRUE(d.Running());
    d.OnCancel();
  });
  EXPECT_EQ(files_.Content(kLogPath), kHeader + Row("14:05:01"));
  ASSERT_EQ(machine_.ui.Boxes().size(), 1u);
  const auto& box = machine_.ui.Boxes()[0];
  EXPECT_EQ(box.text,
            "Could not write to the log file C:\\Logs\\disk.csv (error 112). The log has ended; "
            "the window goes on polling.");
  EXPECT_EQ(box.caption, "QlStats");
  EXPECT_EQ(box.owner, kWindow);
  EXPECT_EQ(StatsRequests(), 6u);
  ExpectNothingLeft();
}

TEST_F(LogTest, AFileThatCannotBeOpenedIsReportedAndNothingPolls) {
  files_.Refuse(kLogPath, err::kAccessDenied);
  EXPECT_EQ(RunProgram("/log:C:\\Logs\\disk.csv", [](StatsDialog&) {}), exitcode::kLogNotOpened);
  EXPECT_FALSE(windowShown_);
  ASSERT_EQ(machine_.ui.Boxes().size(), 1u);
  const auto& box = machine_.ui.Boxes()[0];
  EXPECT_EQ(box.text, "Could not open the log file C:\\Logs\\disk.csv (error 5).");
  EXPECT_EQ(box.caption, "QlStats");
  EXPECT_EQ(box.owner, kNoWindow);
  EXPECT_EQ(box.style, mb::kOk | mb::kIconHand);
  EXPECT_TRUE(machine_.device.Opens().empty());

  // A header that cannot be written leaves nothing open either.
  machine_.ui.Clear();
  files_.appendFaults.FailNext(err::kDiskFull);
  EXPECT_EQ(RunProgram("/log:new.csv", [](StatsDialog&) {}), exitcode::kLogNotOpened);
  EXPECT_EQ(machine_.ui.Texts(),
            std::vector<std::string>{"Could not open the log file new.csv (error 112)."});
  ExpectNothingLeft();
}

TEST_F(LogTest, UsageAndRefusedLinesEndBeforeAnythingIsTouched) {
  // Even on a machine without the driver: the command line comes first.
  machine_.registry.SetAdministrator(false);
  EXPECT_EQ(RunProgram("/?", [](StatsDialog&) {}), exitcode::kDone);
  ASSERT_EQ(machine_.ui.Boxes().size(), 1u);
  EXPECT_EQ(machine_.ui.Boxes()[0].text.rfind("Usage: QlStats.exe [/log:FILE [/rate:N]]", 0), 0u);
  EXPECT_EQ(machine_.ui.Boxes()[0].caption, "QlStats");
  EXPECT_EQ(machine_.ui.Boxes()[0].style, mb::kOk | mb::kIconAsterisk);

  machine_.ui.Clear();
  EXPECT_EQ(RunProgram("/log:a.csv /rate:0", [](StatsDialog&) {}), exitcode::kBadArguments);
  ASSERT_EQ(machine_.ui.Boxes().size(), 1u);
  EXPECT_EQ(machine_.ui.Boxes()[0].text.rfind(
                "The rate must be a whole number of seconds from 1 to 3600: /rate:0\n\nUsage: ", 0),
            0u);
  EXPECT_EQ(machine_.ui.Boxes()[0].style, mb::kOk | mb::kIconHand);
  EXPECT_EQ(machine_.ui.Boxes()[0].owner, kNoWindow);

  EXPECT_FALSE(windowShown_);
  EXPECT_TRUE(machine_.registry.Calls().empty());
  EXPECT_TRUE(files_.Opens().empty());
}

}  // namespace
}  // namespace ql::stats
