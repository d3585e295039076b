// The machine as a whole: one clock for all services, and the leak report.
#include "sim/sim_machine.h"

#include <gtest/gtest.h>

namespace ql::sim {
namespace {

TEST(SimMachine, ServicesShareOneClockAndLeaksAreReported) {
  SimMachine machine;
  Platform platform = machine.platform();
  platform.threads.Sleep(1500);
  EXPECT_EQ(platform.clock.Milliseconds(), 1500u);

  HKey key = 0;
  ASSERT_EQ(platform.registry.CreateKey(kHkeyLocalMachine, "SOFTWARE\\Test", "", 0, reg::kAllAccess,
                                        &key, nullptr),
            err::kSuccess);
  const Handle device = platform.device.CreateFile("\\\\.\\C:", file::kGenericRead, 3,
                                                   file::kOpenExisting, 0, nullptr);
  ASSERT_NE(device, kInvalidHandle);
  const std::string leaks = machine.Leaks();
  EXPECT_NE(leaks.find("[HKEY_LOCAL_MACHINE\\SOFTWARE\\Test]"), std::string::npos) << leaks;
  EXPECT_NE(leaks.find("1 device handles open"), std::string::npos) << leaks;

  EXPECT_EQ(platform.registry.CloseKey(key), err::kSuccess);
  EXPECT_TRUE(platform.device.CloseHandle(device));
  EXPECT_EQ(machine.Leaks(), "") << machine.ToString();
}

}  // namespace
}  // namespace ql::sim
