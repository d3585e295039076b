// The periodic timer's worker from start to end: the program's end waits for it however long
// it takes, a stop request reaches it with or without its event, and every handle goes.
#include "tune/timer_thread.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>

#include "sim/sim_machine.h"

namespace ql::tune {
namespace {

class TimerThreadTest : public ::testing::Test {
 protected:
  // The firing's hand-over: the window's thread runs the check; after `firings` of them the
  // window is gone. The hand-over may also ask the worker to stop, as the window's thread
  // does when the program ends while a firing is under way.
  TimerThread::Hooks Hooks(int firings, bool stopAtLast = false) {
    TimerThread::Hooks hooks;
    hooks.atStart = [this] { ++started; };
    hooks.handOver = [this, firings, stopAtLast] {
      ++handedOver;
      if (handedOver >= firings && stopAtLast) {
        timer->RequestStop();
        return true;
      }
      return handedOver < firings;
    };
    hooks.whileWaiting = [this] { ++waitingSlices; };
    return hooks;
  }

  std::uint64_t WorkerEnd() const { return machine.threads.ThreadsCreated().back().end; }

  sim::SimMachine machine;
  TimerThread* timer = nullptr;
  int started = 0;
  int handedOver = 0;
  int waitingSlices = 0;
};

TEST_F(TimerThreadTest, StopReturnsOnlyOnceTheWorkerHasEndedHoweverLongThatTakes) {
  // Three firings: the worker ends about 9 s after it started. A wait of 2 s would have
  // returned with the worker still running.
  TimerThread thread(machine.threads, machine.clock, kSuperTimerInterval, Hooks(3));
  timer = &thread;
  ASSERT_TRUE(thread.Start());
  EXPECT_TRUE(thread.HasEvent());
  EXPECT_EQ(started, 1);
  EXPECT_EQ(handedOver, 3);
  const std::uint64_t end = WorkerEnd();
  EXPECT_GE(end, 9000u);

  thread.Stop();
  EXPECT_GE(machine.clock.Now(), end);
  // The stopping thread let sent messages run while it waited.
  EXPECT_GT(waitingSlices, 100);
  EXPECT_EQ(machine.Leaks(), "") << machine.ToString();
  thread.Stop();  // a second stop finds nothing left to do
  EXPECT_EQ(machine.threads.BadCloseCount(), 0u);
}

TEST_F(TimerThreadTest, AStopRequestWakesTheSleepingWorkerThroughItsEvent) {
  TimerThread thread(machine.threads, machine.clock, kSuperTimerInterval, Hooks(2, true));
  timer = &thread;
  ASSERT_TRUE(thread.Start());
  // The request came during the second firing: the worker's next sleep ended at once.
  EXPECT_EQ(handedOver, 2);
  EXPECT_LT(WorkerEnd(), 2 * 3000u + 50u);
  thread.Stop();
  EXPECT_EQ(machine.Leaks(), "") << machine.ToString();
}

TEST_F(TimerThreadTest, WithoutItsEventTheWorkerSleepsInSlicesAndSeesTheRequestBetweenThem) {
  machine.threads.createEventFaults.FailNext(err::kNotEnoughMemory);
  TimerThread thread(machine.threads, machine.clock, kSuperTimerInterval, Hooks(2, true));
  timer = &thread;
  ASSERT_TRUE(thread.Start());
  EXPECT_FALSE(thread.HasEvent());
  EXPECT_EQ(handedOver, 2);
  // No sleep longer than a slice: a stop request is seen within 50 ms.
  const auto& sleeps = machine.threads.Sleeps();
  ASSERT_FALSE(sleeps.empty());
  EXPECT_LE(*std::max_element(sleeps.begin(), sleeps.end()), kTimerStopSlice);
  // The firings still come every 3000 ms; after the request no further sleep.
  EXPECT_LT(WorkerEnd(), 2 * 3000u + 50u);
  thread.Stop();
  EXPECT_GE(machine.clock.Now(), WorkerEnd());
  EXPECT_EQ(machine.Leaks(), "") << machine.ToString();
}

TEST_F(TimerThreadTest, WithoutAThreadThereIsNoTimerAndNothingToWaitFor) {
  machine.threads.createThreadFaults.FailNext(err::kNotEnoughMemory);
  {
    TimerThread thread(machine.threads, machine.clock, kSuperTimerInterval, Hooks(1));
    timer = &thread;
    EXPECT_FALSE(thread.Start());
    EXPECT_FALSE(thread.HasEvent());
  }
  EXPECT_EQ(handedOver, 0);
  EXPECT_EQ(waitingSlices, 0);
  EXPECT_EQ(machine.Leaks(), "") << machine.ToString();
}

TEST_F(TimerThreadTest, TheDestructorStopsAndWaitsLikeStop) {
  std::uint64_t end = 0;
  {
    TimerThread thread(machine.threads, machine.clock, kSuperTimerInterval, Hooks(4));
    timer = &thread;
    ASSERT_TRUE(thread.Start());
    end = WorkerEnd();
  }
  EXPECT_GE(machine.clock.Now(), end);
  EXPECT_EQ(machine.Leaks(), "") << machine.ToString();
}

}  // namespace
}  // namespace ql::tune
