#include "common/driver_control.h"

#include <gtest/gtest.h>

#include <cstring>

namespace ql {
namespace {

TEST(DevicePaths, ServiceFormTakesOneLetterUpperCased) {
  char path[8];
  ASSERT_TRUE(FormServiceDevicePath('e', path));
  EXPECT_STREQ(path, "\\\\.\\E:");
  ASSERT_TRUE(FormServiceDevicePath('E', path));
  EXPECT_STREQ(path, "\\\\.\\E:");
  // Only a to z are changed.
  ASSERT_TRUE(FormServiceDevicePath('1', path));
  EXPECT_STREQ(path, "\\\\.\\1:");
}

TEST(DevicePaths, MonitorFormTakesTheWholeTextUpToThreeCharacters) {
  char path[8];
  ASSERT_TRUE(FormMonitorDevicePath("C:", path));
  EXPECT_STREQ(path, "\\\\.\\C:");
  ASSERT_TRUE(FormMonitorDevicePath("C:\\", path));
  EXPECT_STREQ(path, "\\\\.\\C:\\");
  // Four characters would not fit with the terminator: refused, never overflowed.
  std::memset(path, 'x', sizeof path);
  EXPECT_FALSE(FormMonitorDevicePath("ABCD", path));
  EXPECT_STREQ(path, "");
  EXPECT_FALSE(FormMonitorDevicePath(nullptr, path));
}

TEST(Records, LittleEndianLayout) {
  OV_BUFFER_INFO info{0x0000000110000000ull, 0x00A00000u, 0x44u};
  unsigned char bytes[16];
  std::memcpy(bytes, &info, sizeof bytes);
  const unsigned char expected[16] = {0, 0, 0, 0x10, 1, 0, 0, 0, 0, 0, 0xA0, 0, 0x44, 0, 0, 0};
  EXPECT_EQ(std::memcmp(bytes, expected, 16), 0);
}

}  // namespace
}  // namespace ql
