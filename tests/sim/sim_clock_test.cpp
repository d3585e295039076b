// Window timers on the virtual clock: Advance never fires them, Pump fires them in order.
#include "sim/sim_clock.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace ql::sim {
namespace {

TEST(SimClock, PumpFiresDueTimersInTimeOrderAndAdvanceFiresNone) {
  SimClock clock;
  std::vector<std::string> ticks;
  auto record = [&](const char* name) {
    return [&ticks, &clock, name](std::uint32_t) {
      ticks.push_back(name + std::to_string(clock.Now()));
    };
  };
  EXPECT_EQ(clock.SetTimer(7, 1, 2000, record("a@")), 1u);
  EXPECT_EQ(clock.SetTimer(7, 2, 3000, record("b@")), 2u);
  clock.Pump(6000);
  EXPECT_EQ(ticks, (std::vector<std::string>{"a@2000", "b@3000", "a@4000", "a@6000", "b@6000"}));

  ticks.clear();
  clock.Advance(10000);  // a Sleep: nothing fires, the timers are overdue
  EXPECT_TRUE(ticks.empty());
  clock.Pump(0);  // an overdue timer ticks once, not once per missed interval
  EXPECT_EQ(ticks, (std::vector<std::string>{"a@16000", "b@16000"}));
  EXPECT_EQ(clock.Milliseconds(), 16000u);
}

TEST(SimClock, KillTimerIsCountedAndSetTimerReplacesTheSameId) {
  SimClock clock;
  int ticks = 0;
  clock.SetTimer(7, 1, 2000, [&](std::uint32_t) { ++ticks; });
  clock.SetTimer(7, 1, 5000, [&](std::uint32_t) { ticks += 100; });
  ASSERT_EQ(clock.ActiveTimers().size(), 1u);
  clock.Pump(5000);
  EXPECT_EQ(ticks, 100);

  EXPECT_TRUE(clock.KillTimer(7, 1));
  EXPECT_FALSE(clock.KillTimer(7, 1));
  EXPECT_FALSE(clock.KillTimer(8, 1));
  EXPECT_EQ(clock.KillsOf(7, 1), 1u);
  EXPECT_EQ(clock.FailedKills(), 2u);
  clock.Pump(60000);
  EXPECT_EQ(ticks, 100);
}

TEST(SimClock, ATickMayKillItsOwnTimer) {
  SimClock clock;
  int ticks = 0;
  clock.SetTimer(7, 1, 1000, [&](std::uint32_t id) {
    ++ticks;
    clock.KillTimer(7, id);
  });
  clock.Pump(10000);
  EXPECT_EQ(ticks, 1);
  EXPECT_FALSE(clock.HasTimer(7, 1));

  clock.setTimerFaults.FailNext(err::kNotEnoughMemory);
  EXPECT_EQ(clock.SetTimer(7, 1, 1000, nullptr), 0u);
}

TEST(SimClock, MillisecondsWrapAtThirtyTwoBits) {
  SimClock clock(0xFFFFFF00ull);
  clock.Advance(0x200);
  EXPECT_EQ(clock.Milliseconds(), 0x100u);
  EXPECT_EQ(clock.Now(), 0x100000100ull);
}

}  // namespace
}  // namespace ql::sim
