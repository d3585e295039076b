#include "common/driver_settings.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "sim/sim_registry.h"

namespace ql {
namespace {

using sim::RegFault;
using sim::RegOp;
using sim::SimRegistry;

const std::string kService = std::string("HKLM\\") + kServiceKeyPath;
const std::string kParams = std::string("HKLM\\") + kParametersKeyPath;

HKey OpenParams(SimRegistry& reg) {
  HKey key = 0;
  EXPECT_EQ(reg.OpenKey(kHkeyLocalMachine, kParametersKeyPath, reg::kAllAccess, &key), 0u);
  return key;
}

TEST(KeyPaths, FormedFromTheDriverNameIntoSixtyFourCharacters) {
  DriverSettings s;
  ASSERT_TRUE(FormDriverKeyPaths(s, kDriverName));
  EXPECT_STREQ(s.ServiceKeyPath, kServiceKeyPath);
  EXPECT_STREQ(s.ParametersKeyPath, kParametersKeyPath);
  EXPECT_STREQ(s.EventSourceKeyPath, kEventSourceKeyPath);
  EXPECT_STREQ(s.ServiceName, "QlDrv");

  // A name that would not fit is refused rather than cut short into another key's path.
  DriverSettings longName;
  EXPECT_FALSE(FormDriverKeyPaths(longName, "AServiceNameFarTooLongForTheBuffer"));
  EXPECT_STREQ(longName.ServiceKeyPath, "");
  EXPECT_STREQ(longName.ParametersKeyPath, "");
}

TEST(Defaults, InitDriverSettingsRestoresEveryDefault) {
  DriverSettings s;
  s.Start = 0;
  s.Partition = 7;
  s.PageSize = 1;
  s.DosDevice[0] = 'X';
  s.SystemRootDrive = 'D';
  InitDriverSettings(s);
  EXPECT_EQ(s.Start, 4u);
  EXPECT_EQ(s.Drive, 0u);
  EXPECT_EQ(s.Partition, 1u);
  EXPECT_EQ(s.CacheBudget, 0u);
  EXPECT_EQ(s.MaxLRU, 0u);
  EXPECT_EQ(s.LazyWrite, 0u);
  EXPECT_EQ(s.PageSize, 32768u);
  EXPECT_EQ(s.PendingLimit, 16u);
  EXPECT_EQ(s.SystemRootDrive, 'C');
  for (char c : s.DosDevice) EXPECT_EQ(c, '\0');
}

TEST(ReadDwordValue, ReadsFourBytesWhateverTheType) {
  SimRegistry reg;
  reg.SetDword(kParams, "Drive", 3);
  reg.SetBinary(kParams, "Bin", {1, 2, 0, 0});
  reg.SetBinary(kParams, "Long", {1, 2, 3, 4, 5});
  HKey key = OpenParams(reg);
  std::uint32_t v = 99;
  EXPECT_TRUE(ReadDwordValue(reg, key, "drive", &v));  // names match without case
  EXPECT_EQ(v, 3u);
  EXPECT_TRUE(ReadDwordValue(reg, key, "Bin", &v));
  EXPECT_EQ(v, 0x0201u);

  // Longer than 4 bytes, or absent: false, and the variable keeps what it held.
  v = 99;
  Status status = 0;
  EXPECT_FALSE(ReadDwordValue(reg, key, "Long", &v, &status));
  EXPECT_EQ(status, err::kMoreData);
  EXPECT_FALSE(ReadDwordValue(reg, key, "Missing", &v, &status));
  EXPECT_EQ(status, err::kFileNotFound);
  EXPECT_EQ(v, 99u);
  reg.CloseKey(key);
}

TEST(ReadDosDeviceValue, TwoBytesWithoutNulAndThreeWithReadAlike) {
  SimRegistry reg;
  HKey key = 0;
  reg.SetString(kParams, "DosDevice", "C:", /*withNul=*/false);
  key = OpenParams(reg);
  DosDeviceText text;
  ASSERT_TRUE(ReadDosDeviceValue(reg, key, text));
  EXPECT_STREQ(text, "C:");

  reg.SetString(kParams, "DosDevice", "C:", /*withNul=*/true);
  ASSERT_TRUE(ReadDosDeviceValue(reg, key, text));
  EXPECT_STREQ(text, "C:");
  reg.CloseKey(key);
}

TEST(ReadDosDeviceValue, EightBytesFitNineFailAndTheTextIsAlwaysTerminated) {
  SimRegistry reg;
  reg.SetBinary(kParams, "DosDevice", {'A', 'B', 'C', 'D', 'E', 'F', 'G', 'H'});
  HKey key = OpenParams(reg);
  DosDeviceText text;
  std::memset(text, 'x', sizeof text);
  ASSERT_TRUE(ReadDosDeviceValue(reg, key, text));
  EXPECT_STREQ(text, "ABCDEFGH");

  reg.SetBinary(kParams, "DosDevice", {'A', 'B', 'C', 'D', 'E', 'F', 'G', 'H', 'I'});
  std::memset(text, 'x', sizeof text);
  Status status = 0;
  EXPECT_FALSE(ReadDosDeviceValue(reg, key, text, &status));
  EXPECT_EQ(status, err::kMoreData);
  for (char c : text) EXPECT_EQ(c, '\0');

  // A DWORD in its place reads as its four bytes: the type is not examined.
  reg.SetDword(kParams, "DosDevice", 0x003A45);  // "E:" followed by NULs
  ASSERT_TRUE(ReadDosDeviceValue(reg, key, text));
  EXPECT_STREQ(text, "E:");
  reg.CloseKey(key);
}

class LoadDriverSettingsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(FormDriverKeyPaths(settings, kDriverName));
    reg.SetDword(kService, "Start", 0);
    reg.SetString(kParams, "DosDevice", "D:", false);
    reg.SetDword(kParams, "LazyWrite", 1);
    reg.SetDword(kParams, "Drive", 2);
    reg.SetDword(kParams, "Partition", 3);
    reg.SetDword(kParams, "MaxLRU", 1200);
  }
  void TearDown() override {
    EXPECT_EQ(reg.OpenKeyCount(), 0u) << reg.ToString();
    EXPECT_EQ(reg.BadCloseCount(), 0u);
  }
  void ExpectDefaultsExceptPaths() {
    EXPECT_EQ(settings.Start, 4u);
    EXPECT_EQ(settings.LazyWrite, 0u);
    EXPECT_EQ(settings.Drive, 0u);
    EXPECT_EQ(settings.Partition, 1u);
    EXPECT_EQ(settings.MaxLRU, 0u);
    EXPECT_STREQ(settings.DosDevice, "");
  }
  SimRegistry reg;
  DriverSettings settings;
};

TEST_F(LoadDriverSettingsTest, ReadsEveryValueAndAsksForFullAccess) {
  EXPECT_TRUE(LoadDriverSettings(reg, settings));
  EXPECT_STREQ(settings.DosDevice, "D:");
  EXPECT_EQ(settings.Start, 0u);
  EXPECT_EQ(settings.LazyWrite, 1u);
  EXPECT_EQ(settings.Drive, 2u);
  EXPECT_EQ(settings.Partition, 3u);
  EXPECT_EQ(settings.MaxLRU, 1200u);
  for (const auto& call : reg.Calls()) {
    if (call.op == RegOp::kOpen) {
      EXPECT_EQ(call.sam, reg::kAllAccess) << call.keyPath;
    }
  }
}

TEST_F(LoadDriverSettingsTest, StartOneToThreeIsTakenAsItStands) {
  for (std::uint32_t start : {1u, 2u, 3u}) {
    reg.SetDword(kService, "Start", start);
    InitDriverSettings(settings);
    ASSERT_TRUE(FormDriverKeyPaths(settings, kDriverName));
    EXPECT_TRUE(LoadDriverSettings(reg, settings));
    EXPECT_EQ(settings.Start, start);
  }
}

TEST_F(LoadDriverSettingsTest, MissingDriveAndPartitionKeepTheirDefaults) {
  reg.DeleteValue(kParams, "Drive");
  reg.DeleteValue(kParams, "Partition");
  EXPECT_FALSE(LoadDriverSettings(reg, settings));
  EXPECT_EQ(settings.Drive, 0u);
  EXPECT_EQ(settings.Partition, 1u);
  EXPECT_EQ(settings.Start, 0u);
  EXPECT_EQ(settings.LazyWrite, 1u);
  EXPECT_EQ(settings.MaxLRU, 1200u);
}

TEST_F(LoadDriverSettingsTest, ValuesOfOtherTypesAndSizes) {
  reg.SetString(kParams, "MaxLRU", "12345678", true);  // 9 bytes: too long, default kept
  reg.SetBinary(kParams, "Drive", {5});                // 1 byte: read into the low byte
  EXPECT_FALSE(LoadDriverSettings(reg, settings));
  EXPECT_EQ(settings.MaxLRU, 0u);
  EXPECT_EQ(settings.Drive, 5u);
  EXPECT_EQ(settings.Partition, 3u);
}

TEST_F(LoadDriverSettingsTest, DosDeviceTooLongLeavesEveryLaterValueAtItsDefault) {
  reg.SetString(kParams, "DosDevice", "ABCDEFGH", true);  // 9 bytes
  EXPECT_FALSE(LoadDriverSettings(reg, settings));
  ExpectDefaultsExceptPaths();
}

TEST_F(LoadDriverSettingsTest, MissingKeysLeaveTheDefaults) {
  reg.DeleteKey(kParams);
  EXPECT_FALSE(LoadDriverSettings(reg, settings));
  ExpectDefaultsExceptPaths();
  reg.DeleteKey(kService);
  EXPECT_FALSE(LoadDriverSettings(reg, settings));
  ExpectDefaultsExceptPaths();
}

TEST_F(LoadDriverSettingsTest, RefusedAccessCountsAsAMissingKey) {
  reg.SetAdministrator(false);
  EXPECT_FALSE(LoadDriverSettings(reg, settings));
  EXPECT_EQ(settings.LastStatus, static_cast<std::int32_t>(err::kAccessDenied));
  ExpectDefaultsExceptPaths();
}

TEST_F(LoadDriverSettingsTest, EveryKeyIsClosedWhateverCallFails) {
  // Fail each query in turn; TearDown checks that no key stays open.
  for (std::uint32_t nth = 1; nth <= 6; ++nth) {
    reg.ClearFaults();
    reg.InjectFault(RegFault{RegOp::kQuery, "", std::nullopt, nth, err::kGenFailure});
    InitDriverSettings(settings);
    ASSERT_TRUE(FormDriverKeyPaths(settings, kDriverName));
    EXPECT_FALSE(LoadDriverSettings(reg, settings)) << nth;
    EXPECT_EQ(reg.OpenKeyCount(), 0u) << nth << reg.ToString();
  }
  reg.ClearFaults();
  reg.InjectFault(RegFault{RegOp::kOpen, "", std::nullopt, 2, err::kGenFailure});
  EXPECT_FALSE(LoadDriverSettings(reg, settings));
}

}  // namespace
}  // namespace ql
