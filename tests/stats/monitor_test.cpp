// The monitor window against an in-memory machine: Run/Stop through every state of the
// window, the polling on the virtual clock, the rate box and the ways the window ends.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "sim/sim_machine.h"
#include "stats/stats_dialog.h"

namespace ql::stats {
namespace {

constexpr WindowRef kWindow = 0x4711;
constexpr char kPath[] = "\\\\.\\C:";

struct Shown {
  std::string button;
  bool rateEnabled;
  std::string rate;
  std::vector<std::string> figures;
  friend bool operator==(const Shown&, const Shown&) = default;
  friend std::ostream& operator<<(std::ostream& out, const Shown& s) {
    out << "[" << s.button << (s.rateEnabled ? ", rate enabled " : ", rate disabled ") << s.rate
        << " |";
    for (const auto& f : s.figures) out << " '" << f << "'";
    return out << "]";
  }
};

const std::vector<std::string> kPlaceholders = {"********", "****", "********", "****"};

class MonitorTest : public ::testing::Test {
 protected:
  MonitorTest() : platform_(machine_.platform()), dialog_(platform_, kPath) {
    // Per interval: 3 reads of which 2 hits, 1234 writes of which none behind.
    machine_.device.SetCounters({100, 50, 1000, 900});
    machine_.device.SetCounterIncrements({1234, 0, 3, 2});
    dialog_.OnInit(kWindow, "&About QlStats...");
  }

  Shown Now() {
    return Shown{dialog_.Text(id::kRunStop),
                 dialog_.RateBoxEnabled(),
                 dialog_.Text(id::kRate),
                 {dialog_.Text(id::kReads), dialog_.Text(id::kHitRate), dialog_.Text(id::kWrites),
                  dialog_.Text(id::kWriteBehind)}};
  }

  // The figures one interval of the scripted counters gives.
  const std::vector<std::string> kOneInterval = {"          3", " 66.7", "       1234", "  0.0"};

  std::vector<std::string> BoxTexts() { return machine_.ui.Texts(); }

  sim::SimMachine machine_;
  Platform platform_;
  StatsDialog dialog_;
};

TEST_F(MonitorTest, OpensStoppedWithPlaceholdersAndTheAboutEntry) {
  EXPECT_EQ(Now(), (Shown{"Run", true, "2", kPlaceholders}));
  EXPECT_FALSE(dialog_.Running());
  EXPECT_EQ(dialog_.AboutEntry(), "&About QlStats...");

  StatsDialog withoutAbout(platform_, kPath);
  withoutAbout.OnInit(kWindow, "");
  EXPECT_FALSE(withoutAbout.AboutEntry().has_value());
}

TEST_F(MonitorTest, RunShowsTheFirstFiguresOneIntervalLater) {
  dialog_.OnRunStop();
  EXPECT_EQ(Now(), (Shown{"Stop", false, "2", kPlaceholders}));
  EXPECT_TRUE(dialog_.Running());

  // The device is opened for reading, shared, and asked once for the baseline.
  ASSERT_EQ(machine_.device.Opens().size(), 1u);
  const auto& open = machine_.device.Opens()[0];
  EXPECT_EQ(open.path, kPath);
  EXPECT_EQ(open.access, file::kGenericRead);
  EXPECT_EQ(open.share, file::kShareRead | file::kShareWrite);
  EXPECT_EQ(open.creation, file::kOpenExisting);
  EXPECT_EQ(open.flags, 0u);
  ASSERT_EQ(machine_.device.RequestsWithCode(IOCTL_OV_GET_STATS).size(), 1u);
  EXPECT_EQ(machine_.device.Requests()[0].outSize, 48u);
  EXPECT_EQ(machine_.device.Requests()[0].inSize, 0u);

  const auto timers = machine_.clock.ActiveTimers();
  ASSERT_EQ(timers.size(), 1u);
  EXPECT_EQ(timers[0].window, kWindow);
  EXPECT_EQ(timers[0].id, 1u);
  EXPECT_EQ(timers[0].interval, 2000u);

  machine_.clock.Pump(1999);
  EXPECT_EQ(Now().figures, kPlaceholders);
  machine_.clock.Pump(1);
  EXPECT_EQ(Now(), (Shown{"Stop", false, "2", kOneInterval}));
  // Every later interval covers only itself.
  machine_.clock.Pump(2000);
  EXPECT_EQ(Now().figures, kOneInterval);
  EXPECT_TRUE(BoxTexts().empty());
}

TEST_F(MonitorTest, TheTimerIntervalIsTheRateInMilliseconds) {
  dialog_.SetRateText("3600");
  dialog_.OnRunStop();
  EXPECT_EQ(dialog_.SamplingRate(), 3600);
  ASSERT_EQ(machine_.clock.ActiveTimers().size(), 1u);
  EXPECT_EQ(machine_.clock.ActiveTimers()[0].interval, 3600000u);
}

TEST_F(MonitorTest, StopKeepsTheLastFiguresAndReleasesDeviceAndTimerOnce) {
  dialog_.OnRunStop();
  machine_.clock.Pump(2000);
  dialog_.OnRunStop();
  EXPECT_EQ(Now(), (Shown{"Run", true, "2", kOneInterval}));
  EXPECT_FALSE(dialog_.Running());
  EXPECT_EQ(machine_.clock.KillsOf(kWindow, 1), 1u);
  EXPECT_EQ(machine_.device.CloseCount(), 1u);
  EXPECT_EQ(machine_.Leaks(), "") << machine_.ToString();

  // Nothing polls any more.
  machine_.clock.Pump(10000);
  EXPECT_EQ(machine_.device.RequestsWithCode(IOCTL_OV_GET_STATS).size(), 2u);

  // Run again: placeholders, a new connection and a new baseline.
  machine_.device.SetCounterIncrements({10, 0, 4, 1});
  dialog_.OnRunStop();
  EXPECT_EQ(Now(), (Shown{"Stop", false, "2", kPlaceholders}));
  EXPECT_EQ(machine_.device.Opens().size(), 2u);
  machine_.clock.Pump(2000);
  EXPECT_EQ(Now().figures,
            (std::vector<std::string>{"          4", " 25.0", "         10", "  0.0"}));
}

// The shell copies the window's state when asked; a connection message must find the window
// already reading "Stop" with its placeholders, not the state before the click.
TEST_F(MonitorTest, RunShowsStopAndPlaceholdersBeforeItConnects) {
  dialog_.OnRunStop();
  machine_.clock.Pump(2000);
  dialog_.OnRunStop();
  ASSERT_EQ(Now(), (Shown{"Run", true, "2", kOneInterval}));

  struct Refreshed {
    Shown shown;
    std::size_t opens;
  };
  std::vector<Refreshed> refreshed;
  dialog_.SetRefresh([&] { refreshed.push_back({Now(), machine_.device.Opens().size()}); });
  std::vector<Shown> underBox;
  machine_.ui.SetHandler([&](const sim::SimUi::MessageBoxRecord&) {
    if (!refreshed.empty()) underBox.push_back(refreshed.back().shown);
    return mb::kIdOk;
  });

  machine_.device.ServePaths({});
  dialog_.OnRunStop();
  machine_.device.ServePaths({kPath});
  machine_.device.Faults(IOCTL_OV_GET_STATS).FailNext(err::kGenFailure);
  dialog_.OnRunStop();

  EXPECT_EQ(BoxTexts(), (std::vector<std::string>{"Could not get device handle",
                                                  "IOCTL_OV_GET_STATS failed, code 31"}));
  const Shown connecting{"Stop", false, "2", kPlaceholders};
  EXPECT_EQ(underBox, (std::vector<Shown>{connecting, connecting}));
  // Each time before the device was opened.
  ASSERT_EQ(refreshed.size(), 2u);
  EXPECT_EQ(refreshed[0].opens, 1u);
  EXPECT_EQ(refreshed[1].opens, 2u);
}

// The box takes digits only when typed; a pasted text may be longer than the monitor reads.
TEST_F(MonitorTest, ARateTextLongerThanTheMonitorReadsIsNoWholeNumber) {
  dialog_.SetRateText(std::string(62, '0') + "15");
  dialog_.OnRunStop();
  EXPECT_EQ(BoxTexts(), std::vector<std::string>{"Please enter an integer."});
  EXPECT_TRUE(dialog_.TakeRateFocusRequest());
  EXPECT_FALSE(dialog_.Running());
  EXPECT_EQ(dialog_.SamplingRate(), 2);

  // One character less is read whole.
  machine_.ui.Clear();
  dialog_.SetRateText(std::string(61, '0') + "15");
  dialog_.OnRunStop();
  EXPECT_TRUE(BoxTexts().empty());
  EXPECT_EQ(dialog_.SamplingRate(), 15);
}

TEST_F(MonitorTest, ADeviceThatDoesNotOpenLeavesTheConnectingFailedState) {
  machine_.device.ServePaths({});
  dialog_.OnRunStop();
  ASSERT_EQ(machine_.ui.Boxes().size(), 1u);
  const auto& box = machine_.ui.Boxes()[0];
  EXPECT_EQ(box.text, "Could not get device handle");
  EXPECT_EQ(box.caption, "Error Connecting to Driver");
  EXPECT_EQ(box.owner, kWindow);
  EXPECT_EQ(box.style, mb::kOk | mb::kIconHand);

  EXPECT_EQ(Now(), (Shown{"Stop", false, "2", kPlaceholders}));
  EXPECT_FALSE(dialog_.Running());
  EXPECT_TRUE(machine_.clock.ActiveTimers().empty());
  EXPECT_EQ(machine_.Leaks(), "") << machine_.ToString();

  // The next click goes the Run way again.
  machine_.device.ServePaths({kPath});
  dialog_.OnRunStop();
  EXPECT_TRUE(dialog_.Running());
  EXPECT_EQ(Now(), (Shown{"Stop", false, "2", kPlaceholders}));
  EXPECT_EQ(machine_.clock.ActiveTimers().size(), 1u);
}

TEST_F(MonitorTest, AFailedFirstRequestClosesTheDeviceAndNamesTheErrorCode) {
  machine_.device.Faults(IOCTL_OV_GET_STATS).FailNext(err::kGenFailure);
  dialog_.OnRunStop();
  ASSERT_EQ(machine_.ui.Boxes().size(), 1u);
  const auto& box = machine_.ui.Boxes()[0];
  EXPECT_EQ(box.text, "IOCTL_OV_GET_STATS failed, code 31");
  EXPECT_EQ(box.caption, "Driver Connection Failed");
  EXPECT_EQ(box.owner, kWindow);
  EXPECT_EQ(box.style, mb::kOk | mb::kIconHand);

  EXPECT_EQ(Now(), (Shown{"Stop", false, "2", kPlaceholders}));
  EXPECT_FALSE(dialog_.Running());
  EXPECT_TRUE(machine_.clock.ActiveTimers().empty());
  EXPECT_EQ(machine_.device.CloseCount(), 1u);
  EXPECT_EQ(machine_.Leaks(), "") << machine_.ToString();
}

TEST_F(MonitorTest, ATimerThatCannotBeSetLeavesNothingOpen) {
  machine_.clock.setTimerFaults.FailNext(err::kNotEnoughMemory);
  dialog_.OnRunStop();
  EXPECT_FALSE(dialog_.Running());
  EXPECT_EQ(Now(), (Shown{"Stop", false, "2", kPlaceholders}));
  EXPECT_EQ(machine_.Leaks(), "") << machine_.ToString();
}

TEST_F(MonitorTest, ALostConnectionKeepsTheLastFiguresUntilStop) {
  dialog_.OnRunStop();
  machine_.clock.Pump(2000);
  machine_.device.Faults(IOCTL_OV_GET_STATS).FailNext(err::kNotReady);
  machine_.clock.Pump(2000);

  EXPECT_EQ(BoxTexts(), std::vector<std::string>{"IOCTL_OV_GET_STATS failed, code 21"});
  EXPECT_EQ(machine_.ui.Boxes()[0].caption, "Driver Connection Failed");
  EXPECT_EQ(machine_.ui.Boxes()[0].owner, kWindow);
  EXPECT_EQ(Now(), (Shown{"Stop", false, "2", kOneInterval}));
  EXPECT_TRUE(dialog_.Running());
  EXPECT_TRUE(machine_.clock.ActiveTimers().empty());
  EXPECT_EQ(machine_.device.OpenHandleCount(), 0u);

  // No more polls, no more messages.
  machine_.clock.Pump(20000);
  EXPECT_EQ(machine_.device.RequestsWithCode(IOCTL_OV_GET_STATS).size(), 3u);
  EXPECT_EQ(machine_.ui.Boxes().size(), 1u);

  // A click goes the Stop way and releases nothing a second time.
  dialog_.OnRunStop();
  EXPECT_EQ(Now(), (Shown{"Run", true, "2", kOneInterval}));
  EXPECT_FALSE(dialog_.Running());
  EXPECT_EQ(machine_.device.CloseCount(), 1u);
  EXPECT_EQ(machine_.clock.KillsOf(kWindow, 1), 1u);
  EXPECT_EQ(machine_.clock.FailedKills(), 0u);
  EXPECT_EQ(machine_.Leaks(), "") << machine_.ToString();
}

TEST_F(MonitorTest, TicksDuringTheFailureMessageRaiseNoSecondMessage) {
  dialog_.OnRunStop();
  // The user leaves the message up for a minute while the clock runs on.
  machine_.ui.SetHandler([this](const sim::SimUi::MessageBoxRecord&) {
    machine_.clock.Pump(60000);
    return mb::kIdOk;
  });
  machine_.device.Faults(IOCTL_OV_GET_STATS).FailNext(err::kGenFailure);
  machine_.clock.Pump(2000);
  EXPECT_EQ(machine_.ui.Boxes().size(), 1u) << machine_.ui.ToString();
  EXPECT_EQ(machine_.device.RequestsWithCode(IOCTL_OV_GET_STATS).size(), 2u);
}

TEST_F(MonitorTest, OtherTimersAreLeftToTheDefaultHandling) {
  EXPECT_FALSE(dialog_.OnTimer(1));  // not polling yet
  dialog_.OnRunStop();
  EXPECT_FALSE(dialog_.OnTimer(2));
  EXPECT_EQ(machine_.device.RequestsWithCode(IOCTL_OV_GET_STATS).size(), 1u);
  EXPECT_TRUE(dialog_.OnTimer(1));
  EXPECT_EQ(Now().figures, kOneInterval);
}

struct RateCase {
  const char* text;
  const char* message;
};

TEST_F(MonitorTest, ARefusedRateKeepsTheWindowStoppedWithTheFocusInTheBox) {
  for (const RateCase& c :
       {RateCase{"", "Please enter an integer."}, RateCase{"abc", "Please enter an integer."},
        RateCase{"0", "Please enter an integer between 1 and 3600."},
        RateCase{"5000", "Please enter an integer between 1 and 3600."},
        RateCase{"-3", "Please enter an integer between 1 and 3600."}}) {
    SCOPED_TRACE(std::string("rate '") + c.text + "'");
    machine_.ui.Clear();
    dialog_.SetRateText(c.text);
    dialog_.OnRunStop();
    ASSERT_EQ(machine_.ui.Boxes().size(), 1u);
    EXPECT_EQ(machine_.ui.Boxes()[0].text, c.message);
    EXPECT_EQ(machine_.ui.Boxes()[0].owner, kWindow);
    EXPECT_TRUE(dialog_.TakeRateFocusRequest());
    EXPECT_FALSE(dialog_.TakeRateFocusRequest());
    // The user's text stays for correction; nothing was connected.
    EXPECT_EQ(Now(), (Shown{"Run", true, c.text, kPlaceholders}));
    EXPECT_EQ(dialog_.SamplingRate(), 2);
    EXPECT_FALSE(dialog_.Running());
    EXPECT_TRUE(machine_.device.Opens().empty());
  }

  machine_.ui.Clear();
  dialog_.SetRateText(" 7");
  dialog_.OnRunStop();
  EXPECT_TRUE(machine_.ui.Boxes().empty());
  EXPECT_FALSE(dialog_.TakeRateFocusRequest());
  EXPECT_EQ(Now(), (Shown{"Stop", false, "7", kPlaceholders}));
  EXPECT_EQ(machine_.clock.ActiveTimers()[0].interval, 7000u);
}

TEST_F(MonitorTest, CloseWhilePollingReleasesDeviceAndTimerOnceBeforeTheEnd) {
  dialog_.OnRunStop();
  machine_.clock.Pump(2000);
  dialog_.OnCloseRequest();
  EXPECT_EQ(machine_.device.OpenHandleCount(), 0u);
  EXPECT_TRUE(machine_.clock.ActiveTimers().empty());
  EXPECT_FALSE(dialog_.EndResult().has_value());
  // The default handling of the close request is Cancel.
  dialog_.OnCancel();
  EXPECT_EQ(dialog_.EndResult(), id::kExit);
  EXPECT_EQ(machine_.device.CloseCount(), 1u);
  EXPECT_EQ(machine_.clock.KillsOf(kWindow, 1), 1u);
  EXPECT_EQ(machine_.clock.FailedKills(), 0u);
  EXPECT_EQ(machine_.Leaks(), "") << machine_.ToString();
}

TEST_F(MonitorTest, CloseAfterALostConnectionReleasesNothingTwice) {
  dialog_.OnRunStop();
  machine_.device.Faults(IOCTL_OV_GET_STATS).FailNext(err::kGenFailure);
  machine_.clock.Pump(2000);
  dialog_.OnCloseRequest();
  dialog_.OnCancel();
  EXPECT_EQ(dialog_.EndResult(), id::kExit);
  EXPECT_EQ(machine_.device.CloseCount(), 1u);
  EXPECT_EQ(machine_.clock.KillsOf(kWindow, 1), 1u);
  EXPECT_EQ(machine_.clock.FailedKills(), 0u);
  EXPECT_EQ(machine_.Leaks(), "") << machine_.ToString();
}

TEST_F(MonitorTest, ExitWhilePollingEndsAtOnceWithoutLeavingTheDeviceOpen) {
  dialog_.OnRunStop();
  dialog_.OnCancel();
  EXPECT_EQ(dialog_.EndResult(), id::kExit);
  EXPECT_TRUE(machine_.ui.Boxes().empty());
  EXPECT_TRUE(machine_.clock.ActiveTimers().empty());
  EXPECT_EQ(machine_.Leaks(), "") << machine_.ToString();
}

TEST_F(MonitorTest, OkEndsTheDialogOnlyWithAnAcceptedRate) {
  dialog_.SetRateText("0");
  dialog_.OnOk();
  EXPECT_FALSE(dialog_.EndResult().has_value());
  EXPECT_EQ(BoxTexts(), std::vector<std::string>{"Please enter an integer between 1 and 3600."});
  EXPECT_TRUE(dialog_.TakeRateFocusRequest());

  dialog_.SetRateText("30");
  dialog_.OnOk();
  EXPECT_EQ(dialog_.EndResult(), id::kOk);
  EXPECT_EQ(dialog_.SamplingRate(), 30);
}

TEST_F(MonitorTest, TheObserverSeesEveryIntervalWithItsDifferences) {
  std::vector<IntervalResult> seen;
  dialog_.Engine().SetObserver([&seen](const IntervalResult& r) { seen.push_back(r); });
  dialog_.OnRunStop();
  machine_.clock.Pump(4000);
  ASSERT_EQ(seen.size(), 2u);
  EXPECT_EQ(seen[0].clockMs, 2000u);
  EXPECT_EQ(seen[0].difference, (Counters{3, 2, 1234, 0}));
  EXPECT_EQ(seen[0].current, (Counters{1003, 902, 1334, 50}));
  EXPECT_EQ(seen[1].clockMs, 4000u);
  EXPECT_EQ(seen[1].figures,
            (Figures{kOneInterval[0], kOneInterval[1], kOneInterval[2], kOneInterval[3]}));
}

}  // namespace
}  // namespace ql::stats
