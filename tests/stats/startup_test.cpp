// The monitor's start-up check: which registrations let the window open, and the message
// that ends the program otherwise.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "sim/sim_files.h"
#include "sim/sim_local_time.h"
#include "sim/sim_machine.h"
#include "stats/stats_dialog.h"

namespace ql::stats {
namespace {

constexpr char kService[] = "HKLM\\SYSTEM\\CurrentControlSet\\Services\\QlDrv";
constexpr char kParameters[] = "HKLM\\SYSTEM\\CurrentControlSet\\Services\\QlDrv\\Parameters";

class StartupTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string error;
    ASSERT_TRUE(machine_.registry.ImportRegFile(QL_FIXTURES_DIR "/qlstats_installed.reg", &error))
        << error;
  }

  // Runs the application; records whether the window was run and the device path formed.
  int RunApp() {
    windowRun_ = false;
    Platform platform = machine_.platform();
    StatsMonitorApp app(platform, {files_, localTime_});
    const int code = app.Run("", [this](StatsDialog&) { windowRun_ = true; });
    devicePath_ = app.DevicePath();
    return code;
  }

  // The program ended before any window with "Cannot connect to driver" under caption.
  void ExpectRefused(const std::string& caption) {
    EXPECT_EQ(RunApp(), 1);
    EXPECT_FALSE(windowRun_);
    EXPECT_EQ(devicePath_, "");
    ASSERT_EQ(machine_.ui.Boxes().size(), 1u) << machine_.ui.ToString();
    const auto& box = machine_.ui.Boxes()[0];
    EXPECT_EQ(box.text, "Cannot connect to driver");
    EXPECT_EQ(box.caption, caption);
    EXPECT_EQ(box.owner, kNoWindow);
    EXPECT_EQ(box.style, mb::kOk | mb::kIconHand);
    EXPECT_EQ(machine_.Leaks(), "") << machine_.ToString();
  }

  sim::SimMachine machine_;
  sim::SimFiles files_;
  sim::SimLocalTime localTime_{machine_.clock};
  bool windowRun_ = false;
  std::string devicePath_;
};

TEST_F(StartupTest, TheWizardsRegistrationOpensTheWindowOnItsDrive) {
  EXPECT_EQ(RunApp(), 0);
  EXPECT_TRUE(windowRun_);
  EXPECT_EQ(devicePath_, "\\\\.\\C:");
  EXPECT_TRUE(machine_.ui.Boxes().empty()) << machine_.ui.ToString();
  EXPECT_EQ(machine_.Leaks(), "") << machine_.ToString();

  // Both keys are opened with full access.
  std::vector<std::string> opened;
  for (const auto& call : machine_.registry.Calls()) {
    if (call.op == sim::RegOp::kOpen) {
      EXPECT_EQ(call.sam, reg::kAllAccess);
      opened.push_back(call.keyPath);
    }
  }
  EXPECT_EQ(opened.size(), 2u);
}

TEST_F(StartupTest, DosDeviceIsTakenWholeWithOrWithoutItsNul) {
  machine_.registry.SetString(kParameters, "DosDevice", "d:", /*withNul=*/true);
  EXPECT_EQ(RunApp(), 0);
  EXPECT_EQ(devicePath_, "\\\\.\\d:");

  machine_.registry.SetString(kParameters, "DosDevice", "E:\\", /*withNul=*/false);
  EXPECT_EQ(RunApp(), 0);
  EXPECT_EQ(devicePath_, "\\\\.\\E:\\");
}

TEST_F(StartupTest, AMissingRegistrationIsNotInstalled) {
  machine_.registry.DeleteKey(kService);
  ExpectRefused("Quillon-NT not installed");
}

TEST_F(StartupTest, AMissingOrOversizedStartIsNotInstalled) {
  machine_.registry.DeleteValue(kService, "Start");
  ExpectRefused("Quillon-NT not installed");

  machine_.ui.Clear();
  machine_.registry.SetBinary(kService, "Start", {0, 0, 0, 0, 0, 0, 0, 0});
  ExpectRefused("Quillon-NT not installed");
}

TEST_F(StartupTest, OnlyABootStartDriverIsRunning) {
  for (const std::uint32_t start : {1u, 2u, 3u, 4u}) {
    machine_.ui.Clear();
    machine_.registry.SetDword(kService, "Start", start);
    ExpectRefused("Quillon-NT not running");
  }
}

TEST_F(StartupTest, AMissingParametersKeyOrDosDeviceIsNotInstalled) {
  machine_.registry.DeleteValue(kParameters, "DosDevice");
  ExpectRefused("Quillon-NT not installed");

  machine_.ui.Clear();
  machine_.registry.DeleteKey(kParameters);
  ExpectRefused("Quillon-NT not installed");
}

TEST_F(StartupTest, ADosDeviceLongerThanTheDevicePathHoldsIsNotInstalled) {
  // More than 8 bytes: the query itself refuses.
  machine_.registry.SetString(kParameters, "DosDevice", "C:\\Cache\\Drive", true);
  ExpectRefused("Quillon-NT not installed");

  // Readable, but four characters do not fit "\\.\" and the terminator in 8 bytes.
  machine_.ui.Clear();
  machine_.registry.SetString(kParameters, "DosDevice", "C:\\x", false);
  ExpectRefused("Quillon-NT not installed");

  machine_.ui.Clear();
  machine_.registry.SetString(kParameters, "DosDevice", "ABCDEFGH", false);
  ExpectRefused("Quillon-NT not installed");
}

TEST_F(StartupTest, AUserWithoutFullAccessIsToldTheDriverIsNotInstalled) {
  machine_.registry.SetAdministrator(false);
  ExpectRefused("Quillon-NT not installed");
}

TEST_F(StartupTest, AFailingReadClosesTheKeysItOpened) {
  machine_.registry.InjectFault(
      {sim::RegOp::kQuery, "", std::string("DosDevice"), 0, err::kAccessDenied});
  ExpectRefused("Quillon-NT not installed");
}

}  // namespace
}  // namespace ql::stats
