// The frame around the model: the single-instance decision and the second instance's
// search, the periodic timer's worker on a virtual clock, the window's size arithmetic and
// the System Information texts.
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "sim/sim_machine.h"
#include "tune/periodic_timer.h"
#include "tune/single_instance.h"
#include "tune/system_info.h"
#include "tune/window_sizing.h"

namespace ql::tune {
namespace {

using Strings = std::vector<std::string>;

// ------------------------------------------------------------------- single instance

TEST(SingleInstanceTest, InstanceNameIsTheFileNameAsWrittenAndTheSearchTitleNeedsUpperCaseExe) {
  EXPECT_EQ(InstanceName("C:\\Program Files\\Quillon\\QLTUNE.EXE"), "QLTUNE.EXE");
  EXPECT_EQ(InstanceName("C:\\WINNT\\system32\\QlTune.exe"), "QlTune.exe");
  EXPECT_EQ(InstanceName("QlTune.exe"), "QlTune.exe");
  EXPECT_EQ(InstanceName("D:QLTUNE.EXE"), "QLTUNE.EXE");
  EXPECT_EQ(SearchTitle("QLTUNE.EXE"), "QLTUNE");
  EXPECT_EQ(SearchTitle("QlTune.EXE"), "QlTune");
  EXPECT_EQ(SearchTitle("QlTune.exe"), "");
  EXPECT_EQ(SearchTitle("QlTune"), "");
  // Only the last four characters go, wherever ".EXE" stands.
  EXPECT_EQ(SearchTitle("A.EXE.bak"), "A.EXE");
}

TEST(SingleInstanceTest, TheSecondGuardOfOneNameSeesTheFirstAndKeepsNoHandle) {
  sim::SimMachine machine;
  {
    InstanceGuard first(machine.threads, "QlTune.exe");
    EXPECT_FALSE(first.AnotherRuns());
    {
      InstanceGuard second(machine.threads, "QlTune.exe");
      EXPECT_TRUE(second.AnotherRuns());
      EXPECT_EQ(machine.threads.OpenHandleCount(sim::SimThreads::Kind::kMutex), 1u);
    }
    // A name that differs only in letter case is another instance.
    InstanceGuard other(machine.threads, "QLTUNE.EXE");
    EXPECT_FALSE(other.AnotherRuns());
  }
  EXPECT_EQ(machine.threads.OpenHandleCount(sim::SimThreads::Kind::kMutex), 0u);
  EXPECT_FALSE(machine.threads.MutexExists("QlTune.exe"));
}

TEST(SingleInstanceTest, AMutexThatCannotBeCreatedCountsAsTheOnlyInstance) {
  sim::SimMachine machine;
  machine.threads.AddForeignMutex("QlTune.exe");
  machine.threads.createMutexFaults.FailNext(5);
  InstanceGuard guard(machine.threads, "QlTune.exe");
  EXPECT_FALSE(guard.AnotherRuns());
  InstanceGuard again(machine.threads, "QlTune.exe");
  EXPECT_TRUE(again.AnotherRuns());
}

// Top-level windows by title, recording what the second instance did to them.
class FakeTopWindows : public TopWindows {
 public:
  WindowRef Find(std::string_view title) override {
    calls.push_back("find " + std::string(title));
    for (const auto& [window, text] : titles) {
      if (text == title) return window;
    }
    return kNoWindow;
  }
  void SetTitle(WindowRef window, std::string_view title) override {
    titles[window] = std::string(title);
    calls.push_back("title " + std::to_string(window) + " " + std::string(title));
  }
  bool IsIconic(WindowRef window) override { return iconic.count(window) != 0; }
  void Restore(WindowRef window) override { calls.push_back("restore " + std::to_string(window)); }
  void BringToTop(WindowRef window) override { calls.push_back("top " + std::to_string(window)); }

  std::map<WindowRef, std::string> titles;
  std::map<WindowRef, bool> iconic;
  Strings calls;
};

TEST(SecondInstanceTest, TheFirstWindowWithTheTitleIsRenamedAndASecondOneBroughtForward) {
  FakeTopWindows windows;
  windows.titles = {{1, "QLTUNE"}, {2, "QLTUNE"}, {3, "Other"}};
  BringForwardFirstInstance(windows, "QLTUNE");
  EXPECT_EQ(windows.calls,
            (Strings{"find QLTUNE", "title 1 something else", "find QLTUNE", "top 2"}));
  EXPECT_EQ(windows.titles[3], "Other");
}

TEST(SecondInstanceTest, AMinimisedWindowIsRestoredAndASingleOneOnlyRenamed) {
  FakeTopWindows windows;
  windows.titles = {{1, "QLTUNE"}, {2, "QLTUNE"}};
  windows.iconic[2] = true;
  BringForwardFirstInstance(windows, "QLTUNE");
  EXPECT_EQ(windows.calls.back(), "restore 2");

  FakeTopWindows single;
  single.titles = {{7, "QLTUNE"}};
  BringForwardFirstInstance(single, "QLTUNE");
  EXPECT_EQ(single.calls, (Strings{"find QLTUNE", "title 7 something else", "find QLTUNE"}));
}

TEST(SecondInstanceTest, AnEmptySearchTitleTouchesNoWindow) {
  FakeTopWindows windows;
  windows.titles = {{1, ""}, {2, "Untitled"}};
  BringForwardFirstInstance(windows, "");
  EXPECT_TRUE(windows.calls.empty());
  EXPECT_EQ(windows.titles[1], "");
}

// -------------------------------------------------------------------- periodic timer

// A millisecond clock that moves one millisecond at every reading, as a real one does while
// the worker watches it, and that sleeps move forward.
class TickingClock : public Clock {
 public:
  explicit TickingClock(std::uint32_t start) : now(start) {}
  std::uint32_t Milliseconds() override { return now++; }
  std::uint32_t SetTimer(WindowRef, std::uint32_t, std::uint32_t,
                         std::function<void(std::uint32_t)>) override {
    return 0;
  }
  bool KillTimer(WindowRef, std::uint32_t) override { return false; }
  std::uint32_t now;
};

struct TimerLog {
  Strings events;
  std::vector<std::uint32_t> firings;
  int inHandler = 0;
  int overlaps = 0;
};

PeriodicTimer::Hooks LoggingHooks(TickingClock& clock, TimerLog& log, int firings,
                                  std::uint32_t handlerTakes) {
  return PeriodicTimer::Hooks{[&clock, &log](std::uint32_t ms) {
                                log.events.push_back("sleep " + std::to_string(ms));
                                clock.now += ms;
                                return true;
                              },
                              nullptr,
                              [&clock, &log, firings, handlerTakes] {
                                if (log.inHandler++ != 0) ++log.overlaps;
                                log.firings.push_back(clock.now);
                                clock.now +=
                                    handlerTakes;  // the window's thread runs the check meanwhile
                                --log.inHandler;
                                return static_cast<int>(log.firings.size()) < firings;
                              }};
}

TEST(PeriodicTimerTest, SleepsAllButFiftyMillisecondsAndFiresAtTheDueTime) {
  TickingClock clock(1000);
  TimerLog log;
  PeriodicTimer timer(clock, kSuperTimerInterval, LoggingHooks(clock, log, 3, 0));
  timer.Enable();  // due at 4000
  timer.Run();
  EXPECT_EQ(log.events, (Strings{"sleep 2950", "sleep 2950", "sleep 2950"}));
  ASSERT_EQ(log.firings.size(), 3u);
  // Each firing comes right at its due time (the reading that reached it, plus the one that
  // set the next due time), three seconds apart.
  EXPECT_GE(log.firings[0], 4000u);
  EXPECT_LE(log.firings[0], 4002u);
  // The clock moves by one at each reading, so a round is a reading or two longer.
  EXPECT_NEAR(log.firings[1] - log.firings[0], 3000.0, 2.0);
  EXPECT_NEAR(log.firings[2] - log.firings[1], 3000.0, 2.0);
  EXPECT_EQ(log.overlaps, 0);
}

TEST(PeriodicTimerTest, ALongCheckDelaysTheNextFiringButNeverOverlapsIt) {
  TickingClock clock(0);
  TimerLog log;
  // The first check waits 10 s for the user to close its box.
  PeriodicTimer timer(clock, kSuperTimerInterval, LoggingHooks(clock, log, 3, 10000));
  timer.Enable();
  timer.Run();
  ASSERT_EQ(log.firings.size(), 3u);
  EXPECT_EQ(log.overlaps, 0);
  // The next due time was set before the hand-over, so after the long check only the sleep
  // separates the firings.
  EXPECT_NEAR(log.firings[1] - log.firings[0], 10000.0 + 2950.0, 3.0);
}

TEST(PeriodicTimerTest, SurvivesTheClockWrappingAround) {
  TickingClock clock(0xFFFFFFFFu - 1000u);
  TimerLog log;
  PeriodicTimer timer(clock, kSuperTimerInterval, LoggingHooks(clock, log, 2, 0));
  timer.Enable();
  timer.Run();
  ASSERT_EQ(log.firings.size(), 2u);
  EXPECT_EQ(log.firings[0], 2000u - 1u + 2u);  // 3000 after the start, past the wrap
}

TEST(PeriodicTimerTest, ShortIntervalsAreNotSleptAndAnInterruptedSleepEndsTheWorker) {
  TickingClock clock(0);
  TimerLog log;
  PeriodicTimer shortTimer(clock, 50, LoggingHooks(clock, log, 2, 0));
  shortTimer.Enable();
  shortTimer.Run();
  EXPECT_TRUE(log.events.empty());
  EXPECT_EQ(log.firings.size(), 2u);

  int handedOver = 0;
  PeriodicTimer stopped(clock, kSuperTimerInterval,
                        PeriodicTimer::Hooks{[](std::uint32_t) { return false; }, nullptr,
                                             [&handedOver] {
                                               ++handedOver;
                                               return true;
                                             }});
  stopped.Enable();
  EXPECT_FALSE(stopped.RunOnce());
  EXPECT_EQ(handedOver, 0);
}

// ------------------------------------------------------------------------ sizing

TEST(WindowSizingTest, RollUpAsksForNoHeightAndUnrollForTheDefaultOnlyChangingTheHeight) {
  const Size defaults{616, 437};
  EXPECT_EQ(RolledUp({700, 437}), (Size{700, 0}));
  EXPECT_EQ(Unrolled({700, 27}, defaults), (Size{700, 437}));
  EXPECT_EQ(Unrolled(Unrolled({616, 437}, defaults), defaults), (Size{616, 437}));
  EXPECT_EQ(Unrolled({616, 27}, defaults), (Size{616, 437}));
}

TEST(WindowSizingTest, TitleAreaGrowsShrinksOrRestoresOnlyWhileTheAutoSizerIsUnchecked) {
  const Size defaults{616, 437};
  const Size now{700, 500};
  EXPECT_EQ(TitleAreaSizing(TitleAreaPart::kDRLabel1, false, now, defaults), (Size{703, 503}));
  EXPECT_EQ(TitleAreaSizing(TitleAreaPart::kNetGradient1, false, now, defaults), (Size{697, 497}));
  EXPECT_EQ(TitleAreaSizing(TitleAreaPart::kNetGradient2, false, now, defaults), (Size{697, 497}));
  EXPECT_EQ(TitleAreaSizing(TitleAreaPart::kImage1, false, now, defaults), defaults);
  EXPECT_EQ(TitleAreaSizing(TitleAreaPart::kImage2, false, now, defaults), defaults);
  for (const auto part :
       {TitleAreaPart::kImage1, TitleAreaPart::kNetGradient1, TitleAreaPart::kDRLabel1,
        TitleAreaPart::kNetGradient2, TitleAreaPart::kImage2}) {
    EXPECT_FALSE(TitleAreaSizing(part, true, now, defaults));
  }
}

TEST(WindowSizingTest, ResizerScalesEdgesInProportionAndComesBackExactly) {
  const Rect designed{486, 158, 43, 21};
  EXPECT_EQ(ScaleRect(designed, kDesignedPanel, kDesignedPanel), designed);
  EXPECT_EQ(ScaleRect({0, 0, 608, 382}, kDesignedPanel, {304, 191}), (Rect{0, 0, 304, 191}));
  EXPECT_EQ(ScaleRect({100, 100, 50, 20}, kDesignedPanel, {1216, 764}), (Rect{200, 200, 100, 40}));
  // Rolled up: nothing left, and no division by a zero height either way.
  EXPECT_EQ(ScaleRect(designed, kDesignedPanel, {608, 0}), (Rect{486, 0, 43, 0}));
  EXPECT_EQ(ScaleRect(designed, {0, 0}, {608, 382}), (Rect{0, 0, 0, 0}));
  // Neighbours stay flush: the right edge of one is the left edge of the next.
  const Rect left = ScaleRect({0, 0, 50, 38}, kDesignedPanel, {611, 385});
  const Rect next = ScaleRect({50, 0, 44, 38}, kDesignedPanel, {611, 385});
  EXPECT_EQ(left.left + left.width, next.left);
}

TEST(WindowSizingTest, FontsScaleWithTheHeightAndNeverBecomeTheDefaultSize) {
  EXPECT_EQ(ScaleFontHeight(-11, kDesignedPanel, kDesignedPanel), -11);
  EXPECT_EQ(ScaleFontHeight(-12, kDesignedPanel, {608, 764}), -24);
  EXPECT_EQ(ScaleFontHeight(-11, kDesignedPanel, {608, 0}), -1);
  EXPECT_EQ(ScaleFontHeight(16, kDesignedPanel, {608, 0}), 1);
}

// -------------------------------------------------------------------- system information

TEST(SystemInfoTest, GroupsAreFilledFromThePlatform) {
  sim::SimMachine machine;
  machine.memory.SetTotalPhys(64u * 1024 * 1024);
  machine.disks.windowsDirectory = "C:\\WINNT";
  const SystemInfoTexts texts =
      GatherSystemInfo(machine.platform(), "NTBOX", ProcessorInfo{2, 0, 586, 0x3});
  EXPECT_NE(texts.general.find("User name: Administrator"), std::string::npos) << texts.general;
  EXPECT_NE(texts.general.find("Computer name: NTBOX"), std::string::npos);
  EXPECT_NE(texts.general.find("Windows directory: C:\\WINNT"), std::string::npos);
  EXPECT_NE(texts.memory.find("Physical total: 65536 KB"), std::string::npos) << texts.memory;
  EXPECT_NE(texts.processors.find("Number of processors: 2"), std::string::npos);
  EXPECT_NE(texts.processors.find("Active processors: #0, #1"), std::string::npos);
  EXPECT_NE(texts.version.find("Platform: Windows NT"), std::string::npos) << texts.version;
  ASSERT_FALSE(texts.drives.empty());
  EXPECT_EQ(texts.drives.front(), "C:\\");
  const std::string disk = DiskInfoText(machine.disks, texts.drives.front());
  EXPECT_NE(disk.find("Bytes per sector: "), std::string::npos) << disk;
  EXPECT_NE(DiskInfoText(machine.disks, "Q:\\").find("not available"), std::string::npos);
}

}  // namespace
}  // namespace ql::tune
