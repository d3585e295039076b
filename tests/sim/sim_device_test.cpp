// The stand-in driver behind the control device: served paths, strict buffer lengths,
// scripted answers and the record of what it received.
#include "sim/sim_device.h"

#include <gtest/gtest.h>

#include <array>
#include <cstring>

namespace ql::sim {
namespace {

class SimDeviceTest : public ::testing::Test {
 protected:
  Handle OpenC() {
    Status error = 0;
    const Handle handle =
        device.CreateFile("\\\\.\\c:", file::kGenericRead, 3, file::kOpenExisting, 0, &error);
    EXPECT_NE(handle, kInvalidHandle) << device.ToString();
    return handle;
  }
  bool Call(Handle h, std::uint32_t code, const void* in, std::uint32_t inSize, void* out,
            std::uint32_t outSize, Status* error) {
    std::uint32_t returned = 0;
    return device.DeviceIoControl(h, code, in, inSize, out, outSize, &returned, error);
  }
  SimClock clock{500};
  SimDevice device{clock};
};

TEST_F(SimDeviceTest, OnlyServedPathsOpen) {
  Status error = 0;
  EXPECT_EQ(device.CreateFile("\\\\.\\D:", file::kGenericRead, 3, file::kOpenExisting, 0, &error),
            kInvalidHandle);
  EXPECT_EQ(error, err::kFileNotFound);
  device.openFaults.FailNext(err::kAccessDenied);
  EXPECT_EQ(device.CreateFile("\\\\.\\C:", file::kGenericRead, 3, file::kOpenExisting, 0, &error),
            kInvalidHandle);
  EXPECT_EQ(error, err::kAccessDenied);
  const Handle handle = OpenC();
  EXPECT_LE(handle, 0xFFFFFFFFu) << "a handle travels in a 32-bit field";
  EXPECT_EQ(device.Opens().size(), 3u);
  EXPECT_EQ(device.Opens()[2].share, 3u);
  EXPECT_TRUE(device.CloseHandle(handle));
  EXPECT_FALSE(device.CloseHandle(handle));
  EXPECT_EQ(device.BadCloseCount(), 1u);
  EXPECT_EQ(device.OpenHandleCount(), 0u);
}

TEST_F(SimDeviceTest, QuerySizeAnswersSixtyFourBitsAndChecksLengths) {
  device.SetSizeWanted(0x100000000ull);  // only the high half set
  const Handle h = OpenC();
  std::array<std::uint8_t, 8> out;
  out.fill(0xEE);
  Status error = 0;
  EXPECT_FALSE(Call(h, IOCTL_OV_QUERY_SIZE, nullptr, 0, out.data(), 7, &error));
  EXPECT_EQ(error, err::kInsufficientBuffer);
  EXPECT_EQ(out[0], 0xEE) << "a failed request leaves the output alone";
  const std::uint8_t junk[4] = {};
  EXPECT_FALSE(Call(h, IOCTL_OV_QUERY_SIZE, junk, 4, out.data(), 8, &error));
  EXPECT_EQ(error, err::kInvalidParameter);

  std::uint32_t returned = 0;
  ASSERT_TRUE(
      device.DeviceIoControl(h, IOCTL_OV_QUERY_SIZE, nullptr, 0, out.data(), 8, &returned, &error));
  EXPECT_EQ(returned, 8u);
  EXPECT_EQ(out, (std::array<std::uint8_t, 8>{0, 0, 0, 0, 1, 0, 0, 0}));
  EXPECT_TRUE(device.CloseHandle(h));
}

TEST_F(SimDeviceTest, FinalInitTakesItsTimeAndRecordsTheHandOver) {
  device.SetFinalInitLatency(7000);
  const Handle h = OpenC();
  OV_BUFFER_INFO info{0x10000000, 0x01000000, static_cast<std::uint32_t>(h)};
  Status error = 0;
  EXPECT_FALSE(Call(h, IOCTL_OV_FINAL_INIT, &info, 15, nullptr, 0, &error));
  EXPECT_EQ(error, err::kInvalidParameter);
  EXPECT_EQ(clock.Now(), 500u) << "a refused request takes no time";
  std::uint8_t out[4];
  EXPECT_FALSE(Call(h, IOCTL_OV_FINAL_INIT, &info, 16, out, 4, &error));
  EXPECT_EQ(error, err::kInvalidParameter);

  ASSERT_TRUE(Call(h, IOCTL_OV_FINAL_INIT, &info, 16, nullptr, 0, &error));
  EXPECT_EQ(clock.Now(), 7500u);
  const auto requests = device.RequestsWithCode(IOCTL_OV_FINAL_INIT);
  ASSERT_EQ(requests.size(), 3u);
  const auto& last = requests.back();
  EXPECT_EQ(last.start, 500u);
  EXPECT_EQ(last.end, 7500u);
  ASSERT_TRUE(last.handover);
  EXPECT_EQ(last.handover->BufferSize, 0x10000000u);
  EXPECT_EQ(last.handover->BufferAddress, 0x01000000u);
  EXPECT_EQ(last.handover->DeviceHandle, h);
  EXPECT_EQ(last.input.size(), 16u);

  device.Faults(IOCTL_OV_FINAL_INIT).FailNext(err::kGenFailure);
  EXPECT_FALSE(Call(h, IOCTL_OV_FINAL_INIT, &info, 16, nullptr, 0, &error));
  EXPECT_EQ(error, err::kGenFailure);
  EXPECT_EQ(clock.Now(), 14500u) << "a failing hand-over takes its time as well";
  EXPECT_TRUE(device.CloseHandle(h));
}

TEST_F(SimDeviceTest, StatisticsCountUpByTheScriptedIncrements) {
  device.SetCounters({100, 10, 1000, 900});
  device.SetCounterIncrements({5, 1, 50, 40});
  const Handle h = OpenC();
  OV_STATISTICS stats{};
  Status error = 0;
  EXPECT_FALSE(Call(h, IOCTL_OV_GET_STATS, nullptr, 0, &stats, 47, &error));
  EXPECT_EQ(error, err::kInsufficientBuffer);
  ASSERT_TRUE(Call(h, IOCTL_OV_GET_STATS, nullptr, 0, &stats, sizeof stats, &error));
  EXPECT_EQ(stats.WriteCount, 100u);
  EXPECT_EQ(stats.ReadHitCount, 900u);
  ASSERT_TRUE(Call(h, IOCTL_OV_GET_STATS, nullptr, 0, &stats, sizeof stats, &error));
  EXPECT_EQ(stats.WriteCount, 105u);
  EXPECT_EQ(stats.WriteBehindCount, 11u);
  EXPECT_EQ(stats.ReadCount, 1050u);
  EXPECT_EQ(stats.ReadHitCount, 940u);

  // A short answer writes and reports only its bytes.
  device.SetShortAnswer(IOCTL_OV_GET_STATS, 8);
  std::memset(&stats, 0xFF, sizeof stats);
  std::uint32_t returned = 0;
  ASSERT_TRUE(device.DeviceIoControl(h, IOCTL_OV_GET_STATS, nullptr, 0, &stats, sizeof stats,
                                     &returned, &error));
  EXPECT_EQ(returned, 8u);
  EXPECT_EQ(stats.WriteCount, 110u);
  EXPECT_EQ(stats.ReadCount, ~0ull);

  EXPECT_FALSE(Call(h, 0x84006084u, nullptr, 0, &stats, sizeof stats, &error));
  EXPECT_EQ(error, err::kInvalidFunction);
  EXPECT_FALSE(device.DeviceIoControl(h, IOCTL_OV_GET_STATS, nullptr, 0, &stats, sizeof stats,
                                      nullptr, &error));
  EXPECT_TRUE(device.CloseHandle(h));
  EXPECT_FALSE(Call(h, IOCTL_OV_GET_STATS, nullptr, 0, &stats, sizeof stats, &error));
  EXPECT_EQ(error, err::kInvalidHandle);
}

}  // namespace
}  // namespace ql::sim
