// The sim registry answers as the platform's registry does: status codes, exact bytes,
// case rules, access refusal, scripted failures and the bookkeeping of open keys.
#include "sim/sim_registry.h"

#include <gtest/gtest.h>

#include <array>
#include <cstring>

namespace ql::sim {
namespace {

constexpr char kDriverKey[] = "HKLM\\SYSTEM\\CurrentControlSet\\Services\\QlDrv";
constexpr char kDriverSubkey[] = "SYSTEM\\CurrentControlSet\\Services\\QlDrv";

class SimRegistryTest : public ::testing::Test {
 protected:
  HKey Open(std::string_view subkey, std::uint32_t sam = reg::kAllAccess) {
    HKey key = 0;
    EXPECT_EQ(registry.OpenKey(kHkeyLocalMachine, subkey, sam, &key), err::kSuccess)
        << registry.ToString();
    return key;
  }
  SimRegistry registry;
};

TEST_F(SimRegistryTest, QueryGivesTypeAndExactBytesAndReportsTheSize) {
  registry.SetString(kDriverKey, "Group", "Orvel");                      // 6 bytes with NUL
  registry.SetString(kDriverKey, "DosDevice", "C:", /*withNul=*/false);  // 2 bytes
  const HKey key = Open(kDriverSubkey);

  std::array<std::uint8_t, 16> buffer{};
  std::uint32_t type = 0;
  std::uint32_t size = buffer.size();
  ASSERT_EQ(registry.QueryValue(key, "DosDevice", &type, buffer.data(), &size), err::kSuccess);
  EXPECT_EQ(type, reg::kSz);
  EXPECT_EQ(size, 2u);
  EXPECT_EQ(std::memcmp(buffer.data(), "C:\0", 3), 0);  // nothing added after the data

  // Without a buffer the call only tells the size (and type).
  size = 0;
  ASSERT_EQ(registry.QueryValue(key, "Group", &type, nullptr, &size), err::kSuccess);
  EXPECT_EQ(size, 6u);
  EXPECT_EQ(registry.CloseKey(key), err::kSuccess);
}

TEST_F(SimRegistryTest, TooSmallBufferGivesMoreDataAndLeavesItUntouched) {
  registry.SetString(kDriverKey, "DosDevice", "\\Device\\Harddisk0");  // 18 bytes
  const HKey key = Open(kDriverSubkey);
  std::array<std::uint8_t, 8> buffer;
  buffer.fill(0xAA);
  std::uint32_t size = buffer.size();
  EXPECT_EQ(registry.QueryValue(key, "DosDevice", nullptr, buffer.data(), &size), err::kMoreData);
  EXPECT_EQ(size, 18u);
  for (const auto byte : buffer) EXPECT_EQ(byte, 0xAA);

  // A buffer of exactly the value's size is enough.
  std::array<std::uint8_t, 18> exact{};
  size = exact.size();
  EXPECT_EQ(registry.QueryValue(key, "DosDevice", nullptr, exact.data(), &size), err::kSuccess);
  EXPECT_EQ(registry.CloseKey(key), err::kSuccess);
}

TEST_F(SimRegistryTest, MissingKeysValuesAndBadHandles) {
  HKey key = 0x1234;
  EXPECT_EQ(registry.OpenKey(kHkeyLocalMachine, kDriverSubkey, reg::kAllAccess, &key),
            err::kFileNotFound);
  EXPECT_EQ(key, 0x1234u) << "out-parameter touched on failure";

  registry.CreateKeyPath(kDriverKey);
  key = Open(kDriverSubkey);
  std::uint32_t value = 7;
  std::uint32_t size = 4;
  EXPECT_EQ(
      registry.QueryValue(key, "Start", nullptr, reinterpret_cast<std::uint8_t*>(&value), &size),
      err::kFileNotFound);
  EXPECT_EQ(value, 7u);
  EXPECT_EQ(registry.CloseKey(key), err::kSuccess);

  // The closed handle is now bad for every operation, and closing it again is counted.
  EXPECT_EQ(registry.QueryValue(key, "Start", nullptr, nullptr, &size), err::kInvalidHandle);
  EXPECT_EQ(registry.SetValue(key, "Start", reg::kDword,
                              reinterpret_cast<const std::uint8_t*>(&value), 4),
            err::kInvalidHandle);
  EXPECT_EQ(registry.CloseKey(key), err::kInvalidHandle);
  EXPECT_EQ(registry.CloseKey(0xBAD), err::kInvalidHandle);
  EXPECT_EQ(registry.BadCloseCount(), 2u);
  EXPECT_EQ(registry.OpenKeyCount(), 0u);

  // A key deleted while open.
  key = Open(kDriverSubkey);
  ASSERT_TRUE(registry.DeleteKey("HKLM\\SYSTEM\\CurrentControlSet\\Services"));
  EXPECT_EQ(registry.SetValue(key, "Start", reg::kDword,
                              reinterpret_cast<const std::uint8_t*>(&value), 4),
            simerr::kKeyDeleted);
  EXPECT_EQ(registry.CloseKey(key), err::kSuccess);
}

TEST_F(SimRegistryTest, NamesMatchWithoutCaseAndKeepTheirFirstCase) {
  registry.SetDword(kDriverKey, "PageSize", 32768);
  const HKey key = Open("system\\currentcontrolset\\SERVICES\\qldrv");
  const std::uint32_t value = 16384;
  ASSERT_EQ(registry.SetValue(key, "Pagesize", reg::kDword,
                              reinterpret_cast<const std::uint8_t*>(&value), 4),
            err::kSuccess);
  EXPECT_EQ(registry.CloseKey(key), err::kSuccess);
  EXPECT_EQ(registry.ValueNames(kDriverKey), std::vector<std::string>{"PageSize"});
  EXPECT_EQ(registry.GetDword(kDriverKey, "PAGESIZE"), 16384u);
  EXPECT_EQ(registry.SubkeyNames("HKLM\\SYSTEM\\CurrentControlSet\\Services"),
            std::vector<std::string>{"QlDrv"});
}

TEST_F(SimRegistryTest, CreateKeyGivesClassAndDispositionAndMakesParents) {
  HKey key = 0;
  std::uint32_t disposition = 0;
  ASSERT_EQ(
      registry.CreateKey(kHkeyLocalMachine, std::string(kDriverSubkey) + "\\Parameters", "REG_SZ",
                         reg::kOptionNonVolatile, reg::kAllAccess, &key, &disposition),
      err::kSuccess);
  EXPECT_EQ(disposition, reg::kCreatedNewKey);
  EXPECT_EQ(registry.CloseKey(key), err::kSuccess);
  EXPECT_EQ(registry.ClassOf(std::string(kDriverKey) + "\\Parameters"), "REG_SZ");
  EXPECT_EQ(registry.ClassOf(kDriverKey), "");  // made on the way, without the class

  ASSERT_EQ(registry.CreateKey(kHkeyLocalMachine, std::string(kDriverSubkey) + "\\PARAMETERS",
                               "other", 0, reg::kAllAccess, &key, &disposition),
            err::kSuccess);
  EXPECT_EQ(disposition, reg::kOpenedExistingKey);
  EXPECT_EQ(registry.CloseKey(key), err::kSuccess);
  EXPECT_EQ(registry.ClassOf(std::string(kDriverKey) + "\\Parameters"), "REG_SZ");
}

TEST_F(SimRegistryTest, SetValueStoresExactlyTheBytesGivenUnlessAskedToAddTheNul) {
  registry.CreateKeyPath(kDriverKey);
  const HKey key = Open(kDriverSubkey);
  const char zeroFilled[8] = "C:";
  ASSERT_EQ(registry.SetValue(key, "DosDevice", reg::kSz,
                              reinterpret_cast<const std::uint8_t*>(zeroFilled), 2),
            err::kSuccess);
  EXPECT_EQ(registry.GetBytes(kDriverKey, "DosDevice"), (std::vector<std::uint8_t>{'C', ':'}));

  registry.SetAppendNulToStrings(true);
  ASSERT_EQ(registry.SetValue(key, "DosDevice", reg::kSz,
                              reinterpret_cast<const std::uint8_t*>(zeroFilled), 2),
            err::kSuccess);
  EXPECT_EQ(registry.GetBytes(kDriverKey, "DosDevice"), (std::vector<std::uint8_t>{'C', ':', 0}));
  EXPECT_EQ(registry.CloseKey(key), err::kSuccess);

  ASSERT_EQ(registry.Writes().size(), 2u);
  EXPECT_EQ(registry.Writes()[0].data.size(), 2u);  // the call as made
}

TEST_F(SimRegistryTest, NonAdministratorIsRefusedWriteAccessBelowLocalMachineOnly) {
  registry.SetDword(kDriverKey, "Start", 0);
  registry.SetAdministrator(false);
  HKey key = 0;
  EXPECT_EQ(registry.OpenKey(kHkeyLocalMachine, kDriverSubkey, reg::kAllAccess, &key),
            err::kAccessDenied);
  EXPECT_EQ(key, 0u);
  EXPECT_EQ(
      registry.CreateKey(kHkeyLocalMachine, "SOFTWARE\\New", "", 0, reg::kRead, &key, nullptr),
      err::kAccessDenied);
  EXPECT_FALSE(registry.KeyExists("HKLM\\SOFTWARE\\New"));

  // Reading is allowed, writing through a read handle is not.
  ASSERT_EQ(registry.OpenKey(kHkeyLocalMachine, kDriverSubkey, reg::kRead, &key), err::kSuccess);
  std::uint32_t start = 9;
  std::uint32_t size = 4;
  EXPECT_EQ(
      registry.QueryValue(key, "Start", nullptr, reinterpret_cast<std::uint8_t*>(&start), &size),
      err::kSuccess);
  EXPECT_EQ(start, 0u);
  EXPECT_EQ(registry.SetValue(key, "Start", reg::kDword,
                              reinterpret_cast<const std::uint8_t*>(&start), 4),
            err::kAccessDenied);
  EXPECT_EQ(registry.CloseKey(key), err::kSuccess);

  // The user's own hive stays writable.
  ASSERT_EQ(registry.CreateKey(kHkeyCurrentUser, "Software\\ZevQuillonTune", "", 0, reg::kAllAccess,
                               &key, nullptr),
            err::kSuccess);
  EXPECT_EQ(registry.CloseKey(key), err::kSuccess);
  EXPECT_EQ(registry.OpenKeyCount(), 0u);
}

TEST_F(SimRegistryTest, ScriptedFailuresHitTheNamedCallOnly) {
  registry.SetDword(kDriverKey, "Start", 0);
  registry.SetDword(kDriverKey, "Type", 1);
  registry.InjectFault({RegOp::kQuery,
                        "HKEY_LOCAL_MACHINE\\system\\currentcontrolset\\services\\qldrv",
                        std::string("Start"), 0, err::kGenFailure});
  const HKey key = Open(kDriverSubkey);
  std::uint32_t value = 77;
  std::uint32_t size = 4;
  auto* data = reinterpret_cast<std::uint8_t*>(&value);
  EXPECT_EQ(registry.QueryValue(key, "Start", nullptr, data, &size), err::kGenFailure);
  EXPECT_EQ(value, 77u);
  EXPECT_EQ(size, 4u);
  EXPECT_EQ(registry.QueryValue(key, "Type", nullptr, data, &size), err::kSuccess);
  EXPECT_EQ(registry.QueryValue(key, "START", nullptr, data, &size), err::kGenFailure);
  registry.ClearFaults();
  EXPECT_EQ(registry.QueryValue(key, "Start", nullptr, data, &size), err::kSuccess);

  // Only the second open of the key fails.
  registry.InjectFault({RegOp::kOpen, kDriverKey, std::nullopt, 2, err::kAccessDenied});
  HKey first = 0;
  HKey second = 0;
  HKey third = 0;
  EXPECT_EQ(registry.OpenKey(kHkeyLocalMachine, kDriverSubkey, reg::kRead, &first), err::kSuccess);
  EXPECT_EQ(registry.OpenKey(kHkeyLocalMachine, kDriverSubkey, reg::kRead, &second),
            err::kAccessDenied);
  EXPECT_EQ(registry.OpenKey(kHkeyLocalMachine, kDriverSubkey, reg::kRead, &third), err::kSuccess);
  EXPECT_EQ(second, 0u);
  EXPECT_EQ(registry.OpenKeyCount(), 3u);
  EXPECT_EQ(registry.CloseKey(first), err::kSuccess);
  EXPECT_EQ(registry.CloseKey(third), err::kSuccess);

  // The Nth call of any operation.
  registry.ClearFaults();
  registry.anyCallFaults.FailNth(2, err::kNotEnoughMemory);
  EXPECT_EQ(registry.QueryValue(key, "Type", nullptr, data, &size), err::kSuccess);
  EXPECT_EQ(registry.CloseKey(key), err::kNotEnoughMemory);
  EXPECT_EQ(registry.OpenKeyCount(), 0u) << "a failed close still releases the key";
}

TEST_F(SimRegistryTest, OpenKeysAreListedByPath) {
  registry.CreateKeyPath(std::string(kDriverKey) + "\\Parameters");
  const HKey service = Open(kDriverSubkey);
  HKey parameters = 0;
  ASSERT_EQ(registry.OpenKey(service, "Parameters", reg::kAllAccess, &parameters), err::kSuccess);
  EXPECT_EQ(registry.OpenKeyPaths(),
            (std::vector<std::string>{
                "HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Services\\QlDrv",
                "HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Services\\QlDrv\\Parameters"}));
  EXPECT_EQ(registry.CloseKey(service), err::kSuccess);
  EXPECT_EQ(registry.CloseKey(parameters), err::kSuccess);
  // Predefined keys are neither counted nor refused.
  EXPECT_EQ(registry.CloseKey(kHkeyLocalMachine), err::kSuccess);
  EXPECT_EQ(registry.OpenKeyCount(), 0u);
  EXPECT_EQ(registry.BadCloseCount(), 0u);
}

TEST_F(SimRegistryTest, BadPathsAreRefused) {
  HKey key = 0;
  EXPECT_EQ(registry.CreateKey(kHkeyLocalMachine, "SOFTWARE\\\\Twice", "", 0, reg::kAllAccess, &key,
                               nullptr),
            simerr::kBadPathname);
  EXPECT_EQ(registry.OpenKey(kHkeyLocalMachine, "\\SOFTWARE", reg::kRead, &key),
            simerr::kBadPathname);
  EXPECT_EQ(registry.OpenKeyCount(), 0u);
}

TEST_F(SimRegistryTest, MultiStringsReadBackAsItems) {
  registry.SetMultiSz("HKLM\\SYSTEM\\CurrentControlSet\\Control\\ServiceGroupOrder", "List",
                      {"System Bus Extender", "SCSI miniport", "filter"});
  const auto bytes =
      registry.GetBytes("HKLM\\SYSTEM\\CurrentControlSet\\Control\\ServiceGroupOrder", "List");
  ASSERT_TRUE(bytes);
  EXPECT_EQ(bytes->size(), 20u + 14u + 7u + 1u);
  EXPECT_EQ(bytes->back(), 0);
  EXPECT_EQ(
      registry.GetMultiSz("HKLM\\SYSTEM\\CurrentControlSet\\Control\\ServiceGroupOrder", "list"),
      (std::vector<std::string>{"System Bus Extender", "SCSI miniport", "filter"}));
}

}  // namespace
}  // namespace ql::sim
