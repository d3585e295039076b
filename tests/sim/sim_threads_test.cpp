// Threads run deterministically on the virtual clock; events, mutexes and the deadlock
// guard.
#include "sim/sim_threads.h"

#include <gtest/gtest.h>

#include <vector>

namespace ql::sim {
namespace {

class SimThreadsTest : public ::testing::Test {
 protected:
  SimClock clock{1000};
  SimThreads threads{clock};
};

TEST_F(SimThreadsTest, SevenSecondWorkerWaitedForInTwoSecondSteps) {
  const Handle worker = threads.CreateThread(
      [&] {
        threads.Sleep(7000);
        return 42u;
      },
      nullptr);
  ASSERT_NE(worker, kNullHandle);
  EXPECT_EQ(clock.Now(), 1000u) << "the creator's clock is put back";

  std::vector<std::uint64_t> timeouts;
  std::uint32_t code = 0;
  ASSERT_TRUE(threads.GetExitCodeThread(worker, &code, nullptr));
  EXPECT_EQ(code, wait::kStillActive);
  while (threads.WaitForSingleObject(worker, 2000) == wait::kTimeout) {
    timeouts.push_back(clock.Now() - 1000);
    ASSERT_LT(timeouts.size(), 10u);
  }
  EXPECT_EQ(timeouts, (std::vector<std::uint64_t>{2000, 4000, 6000}));
  EXPECT_EQ(clock.Now(), 8000u);  // ended at +7000, not at the end of the last step
  ASSERT_TRUE(threads.GetExitCodeThread(worker, &code, nullptr));
  EXPECT_EQ(code, 42u);
  EXPECT_TRUE(threads.CloseHandle(worker));
  EXPECT_EQ(threads.OpenHandleCount(), 0u);
}

TEST_F(SimThreadsTest, ExitCodeFollowsTheClockAndTerminationEndsTheThreadEarly) {
  const Handle slow = threads.CreateThread(
      [&] {
        threads.Sleep(5000);
        return 0u;
      },
      nullptr);
  std::uint32_t code = 0;
  clock.Advance(4999);
  ASSERT_TRUE(threads.GetExitCodeThread(slow, &code, nullptr));
  EXPECT_EQ(code, wait::kStillActive);
  EXPECT_TRUE(threads.TerminateThread(slow, 9));
  ASSERT_TRUE(threads.GetExitCodeThread(slow, &code, nullptr));
  EXPECT_EQ(code, 9u);
  EXPECT_EQ(threads.WaitForSingleObject(slow, 0), wait::kObject0);
  EXPECT_EQ(threads.Terminated(), std::vector<Handle>{slow});

  // Terminating a thread that has ended changes nothing.
  const Handle quick = threads.CreateThread([] { return 3u; }, nullptr);
  EXPECT_TRUE(threads.TerminateThread(quick, 9));
  ASSERT_TRUE(threads.GetExitCodeThread(quick, &code, nullptr));
  EXPECT_EQ(code, 3u);
  EXPECT_EQ(threads.Terminated().size(), 1u);
  EXPECT_TRUE(threads.CloseHandle(slow));
  EXPECT_TRUE(threads.CloseHandle(quick));
}

TEST_F(SimThreadsTest, ScriptedFailuresOfCreateAndExitCode) {
  threads.createThreadFaults.FailNext(err::kNotEnoughMemory);
  bool ran = false;
  Status error = 0;
  EXPECT_EQ(threads.CreateThread(
                [&] {
                  ran = true;
                  return 0u;
                },
                &error),
            kNullHandle);
  EXPECT_EQ(error, err::kNotEnoughMemory);
  EXPECT_FALSE(ran);

  const Handle thread = threads.CreateThread([] { return 0u; }, nullptr);
  threads.exitCodeFaults.FailNext(err::kAccessDenied);
  std::uint32_t code = 55;
  EXPECT_FALSE(threads.GetExitCodeThread(thread, &code, &error));
  EXPECT_EQ(error, err::kAccessDenied);
  EXPECT_EQ(code, 55u);
  EXPECT_TRUE(threads.GetExitCodeThread(thread, &code, &error));
  EXPECT_TRUE(threads.CloseHandle(thread));
}

TEST_F(SimThreadsTest, EventsHonourResetModesAndTimeouts) {
  const Handle manual = threads.CreateEvent(true, false, nullptr);
  const Handle automatic = threads.CreateEvent(false, true, nullptr);

  EXPECT_EQ(threads.WaitForSingleObject(automatic, 0), wait::kObject0);
  EXPECT_EQ(threads.WaitForSingleObject(automatic, 500), wait::kTimeout) << "auto reset";
  EXPECT_EQ(clock.Now(), 1500u);

  EXPECT_TRUE(threads.SetEvent(manual));
  EXPECT_EQ(threads.WaitForSingleObject(manual, wait::kInfinite), wait::kObject0);
  EXPECT_EQ(threads.WaitForSingleObject(manual, 0), wait::kObject0) << "manual stays set";
  EXPECT_TRUE(threads.ResetEvent(manual));
  EXPECT_FALSE(threads.IsSignalled(manual));

  EXPECT_TRUE(threads.CloseHandle(manual));
  EXPECT_TRUE(threads.CloseHandle(automatic));
  EXPECT_FALSE(threads.SetEvent(manual));
  EXPECT_EQ(threads.WaitForSingleObject(manual, 0), wait::kFailed);
  EXPECT_FALSE(threads.CloseHandle(manual));
  EXPECT_EQ(threads.BadCloseCount(), 1u);
}

TEST_F(SimThreadsTest, BlockedWaitCallsTheHookAndOtherwiseReportsADeadlock) {
  const Handle stop = threads.CreateEvent(true, false, nullptr);
  int hookCalls = 0;
  threads.onBlock = [&](Handle handle, std::uint32_t ms) {
    ++hookCalls;
    EXPECT_EQ(handle, stop);
    EXPECT_EQ(ms, wait::kInfinite);
    clock.Advance(60000);  // the stop arrives a minute later
    threads.SetEvent(stop);
  };
  EXPECT_EQ(threads.WaitForSingleObject(stop, wait::kInfinite), wait::kObject0);
  EXPECT_EQ(hookCalls, 1);
  EXPECT_EQ(clock.Now(), 61000u);

  threads.onBlock = nullptr;
  EXPECT_TRUE(threads.ResetEvent(stop));
  EXPECT_THROW(threads.WaitForSingleObject(stop, wait::kInfinite), SimDeadlock);
  EXPECT_TRUE(threads.CloseHandle(stop));
}

TEST_F(SimThreadsTest, NamedMutexAlreadyHeldByAnotherInstance) {
  Status error = 99;
  const Handle first = threads.CreateMutex(true, "QlTune", &error);
  ASSERT_NE(first, kNullHandle);
  EXPECT_EQ(error, err::kSuccess);
  const Handle second = threads.CreateMutex(true, "QlTune", &error);
  ASSERT_NE(second, kNullHandle);
  EXPECT_EQ(error, err::kAlreadyExists);
  EXPECT_TRUE(threads.CreateMutex(true, "qltune", &error) != kNullHandle);
  EXPECT_EQ(error, err::kSuccess) << "object names are case-sensitive";
  EXPECT_EQ(threads.OpenHandleCount(SimThreads::Kind::kMutex), 3u);

  threads.AddForeignMutex("Other.exe");
  const Handle third = threads.CreateMutex(true, "Other.exe", &error);
  EXPECT_EQ(error, err::kAlreadyExists);
  EXPECT_EQ(threads.WaitForSingleObject(third, 100), wait::kTimeout);

  // The name goes away with the last handle.
  EXPECT_TRUE(threads.CloseHandle(first));
  EXPECT_TRUE(threads.MutexExists("QlTune"));
  EXPECT_TRUE(threads.CloseHandle(second));
  EXPECT_FALSE(threads.MutexExists("QlTune"));
  threads.CreateMutex(true, "QlTune", &error);
  EXPECT_EQ(error, err::kSuccess);
}

TEST_F(SimThreadsTest, NestedThreadsForkTheirCreatorsTimeline) {
  Handle inner = 0;
  const Handle outer = threads.CreateThread(
      [&] {
        threads.Sleep(1000);
        inner = threads.CreateThread(
            [&] {
              threads.Sleep(3000);
              return 2u;
            },
            nullptr);
        EXPECT_EQ(threads.WaitForSingleObject(inner, wait::kInfinite), wait::kObject0);
        return 1u;
      },
      nullptr);
  EXPECT_EQ(clock.Now(), 1000u);
  EXPECT_EQ(threads.Thread(outer)->end, 5000u);
  EXPECT_EQ(threads.Thread(inner)->start, 2000u);
  EXPECT_EQ(threads.Thread(inner)->end, 5000u);
  EXPECT_TRUE(threads.CloseHandle(outer));
  EXPECT_TRUE(threads.CloseHandle(inner));
}

}  // namespace
}  // namespace ql::sim
