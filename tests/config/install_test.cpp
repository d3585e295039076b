// The registry and service work: preparation at start, the writes of Finish, the
// registration of the allocator service.
#include "config/install.h"

#include <gtest/gtest.h>

#include "config/texts.h"
#include "tests/config/config_fixture.h"

namespace ql::config::testing {
namespace {

using sim::RegFault;
using sim::RegOp;

constexpr std::uint32_t kErrorBox = mb::kOk | mb::kIconHand;

class InstallTest : public ConfigTest {
 protected:
  DriverSettings Prepared() {
    DriverSettings settings;
    EXPECT_TRUE(PrepareRegistry(platform, settings, kDriverName, errors)) << machine.ToString();
    machine.registry.ClearCalls();
    return settings;
  }

  std::vector<std::string> WrittenNames() const {
    std::vector<std::string> names;
    for (const auto& call : machine.registry.Writes()) names.push_back(call.valueName);
    return names;
  }
};

TEST_F(InstallTest, PreparationPutsGroupBeforeFilterAndRegistersEventSource) {
  machine.disks.windowsDirectory = "D:\\WINNT";
  const auto before = machine.registry.GetBytes(kGroupOrderKey, val::kList).value();

  DriverSettings settings;
  ASSERT_TRUE(PrepareRegistry(platform, settings, kDriverName, errors)) << machine.ToString();

  EXPECT_EQ(settings.SystemRootDrive, 'D');
  EXPECT_STREQ(settings.ServiceKeyPath, kServiceKeyPath);
  EXPECT_STREQ(settings.ParametersKeyPath, kParametersKeyPath);
  EXPECT_STREQ(settings.EventSourceKeyPath, kEventSourceKeyPath);

  const auto groups = GroupOrder();
  const auto filter = std::find(groups.begin(), groups.end(), "filter");
  ASSERT_NE(filter, groups.begin());
  EXPECT_EQ(*(filter - 1), "Orvel");
  EXPECT_EQ(std::count(groups.begin(), groups.end(), "Orvel"), 1);
  EXPECT_EQ(machine.registry.GetBytes(kGroupOrderKey, val::kList)->size(), before.size() + 6);

  EXPECT_EQ(machine.registry.ClassOf(kEventSourceKey), "REG_EXPAND_SZ");
  EXPECT_EQ(Value(kEventSourceKey, val::kTypesSupported), std::make_pair(reg::kDword, Dword(7)));
  EXPECT_EQ(
      Value(kEventSourceKey, val::kEventMessageFile),
      std::make_pair(reg::kExpandSz,
                     Text(std::string_view("%SystemRoot%\\System32\\Drivers\\QlDrv.sys\0", 40))));
  EXPECT_FALSE(machine.registry.KeyExists(kServiceKey));
  EXPECT_TRUE(machine.ui.Boxes().empty());
  EXPECT_EQ(errors.str(), "");
  EXPECT_EQ(machine.Leaks(), "");
}

TEST_F(InstallTest, SecondPreparationLeavesGroupOrderAlone) {
  DriverSettings first;
  ASSERT_TRUE(PrepareRegistry(platform, first, kDriverName, errors));
  const auto after = machine.registry.GetBytes(kGroupOrderKey, val::kList);
  machine.registry.ClearCalls();

  DriverSettings second;
  ASSERT_TRUE(PrepareRegistry(platform, second, kDriverName, errors));
  EXPECT_EQ(machine.registry.GetBytes(kGroupOrderKey, val::kList), after);
  EXPECT_EQ(WrittenNames(), (std::vector<std::string>{"TypesSupported", "EventMessageFile"}));
  EXPECT_EQ(machine.Leaks(), "");
}

TEST_F(InstallTest, GroupOrderWithoutFilterIsWrittenBackWithoutTheGroup) {
  machine.registry.SetMultiSz(kGroupOrderKey, val::kList, {"Boot", "Base", "NDIS"});
  DriverSettings settings;
  ASSERT_TRUE(PrepareRegistry(platform, settings, kDriverName, errors));
  EXPECT_EQ(GroupOrder(), (std::vector<std::string>{"Boot", "Base", "NDIS"}));
  EXPECT_EQ(machine.registry.GetBytes(kGroupOrderKey, val::kList)->size(), 16u);
}

// Each step of the preparation that can fail, with what the user (or the error stream) is
// told. Nothing stays open on any path.
struct PrepareFailure {
  const char* name;
  RegFault fault;
  const char* message;  // message box text, or null
  const char* warning;  // standard error text, or ""
  bool eventSourceKeyMade;
};

class PrepareFailureTest : public InstallTest,
                           public ::testing::WithParamInterface<PrepareFailure> {};

TEST_P(PrepareFailureTest, StopsWithItsReport) {
  const PrepareFailure& c = GetParam();
  machine.registry.InjectFault(c.fault);
  DriverSettings settings;
  EXPECT_FALSE(PrepareRegistry(platform, settings, kDriverName, errors));
  if (c.message != nullptr) {
    ASSERT_EQ(machine.ui.Boxes().size(), 1u);
    EXPECT_EQ(machine.ui.Boxes()[0].text, c.message);
    EXPECT_EQ(machine.ui.Boxes()[0].caption, "Quillon-NT Not Configured");
    EXPECT_EQ(machine.ui.Boxes()[0].style, kErrorBox);
    EXPECT_EQ(machine.ui.Boxes()[0].owner, kNoWindow);
  } else {
    EXPECT_TRUE(machine.ui.Boxes().empty());
  }
  EXPECT_EQ(errors.str(), c.warning);
  EXPECT_NE(settings.LastStatus, 0);
  EXPECT_EQ(machine.registry.KeyExists(kEventSourceKey), c.eventSourceKeyMade);
  EXPECT_EQ(machine.Leaks(), "");
}

const std::string kGroupOrderFull = std::string("HKEY_LOCAL_MACHINE\\") + kGroupOrderKeyPath;
const std::string kMemoryFull = std::string("HKEY_LOCAL_MACHINE\\") + kMemoryManagementKeyPath;
const std::string kEventFull = std::string("HKEY_LOCAL_MACHINE\\") + kEventSourceKeyPath;

INSTANTIATE_TEST_SUITE_P(
    Steps, PrepareFailureTest,
    ::testing::Values(
        PrepareFailure{"MemoryKey",
                       {RegOp::kOpen, kMemoryFull, {}, 0, err::kAccessDenied},
                       kNoSessionManagerKey,
                       "",
                       false},
        PrepareFailure{"PoolSize",
                       {RegOp::kQuery, kMemoryFull, "NonPagedPoolSize", 0, err::kFileNotFound},
                       kNoSessionManagerQuery,
                       "",
                       false},
        PrepareFailure{"GroupKey",
                       {RegOp::kOpen, kGroupOrderFull, {}, 0, err::kFileNotFound},
                       nullptr,
                       "Error, unable to open service group order key\n",
                       false},
        PrepareFailure{"GroupQuery",
                       {RegOp::kQuery, kGroupOrderFull, "List", 0, err::kMoreData},
                       nullptr,
                       "Warning, unable to query service group order\n",
                       false},
        PrepareFailure{"GroupWrite",
                       {RegOp::kSet, kGroupOrderFull, "List", 0, err::kAccessDenied},
                       nullptr,
                       "Error, couldn't write to Service Group Order\n",
                       false},
        PrepareFailure{"EventKey",
                       {RegOp::kCreate, kEventFull, {}, 0, err::kAccessDenied},
                       kEventSourceKeyFailed,
                       "",
                       false},
        PrepareFailure{"TypesSupported",
                       {RegOp::kSet, kEventFull, "TypesSupported", 0, err::kAccessDenied},
                       kEventSourceValueFailed,
                       "",
                       true},
        PrepareFailure{"MessageFile",
                       {RegOp::kSet, kEventFull, "EventMessageFile", 0, err::kAccessDenied},
                       kEventSourceValueFailed,
                       "",
                       true}),
    [](const auto& param) { return std::string(param.param.name); });

TEST_F(InstallTest, WindowsDirectoryFailureIsFatal) {
  machine.disks.windowsDirectoryFaults.FailNext(err::kGenFailure);
  DriverSettings settings;
  EXPECT_FALSE(PrepareRegistry(platform, settings, kDriverName, errors));
  ASSERT_EQ(machine.ui.Texts(),
            (std::vector<std::string>{"Fatal Error\n Unable to determine system root drive"}));
  EXPECT_TRUE(machine.registry.Calls().empty());
}

TEST_F(InstallTest, GroupOrderLongerThanItsBufferFailsTheQuery) {
  std::vector<std::string> groups(200, "GroupName");  // 2001 bytes
  machine.registry.SetMultiSz(kGroupOrderKey, val::kList, groups);
  const auto before = machine.registry.GetBytes(kGroupOrderKey, val::kList);
  DriverSettings settings;
  EXPECT_FALSE(PrepareRegistry(platform, settings, kDriverName, errors));
  EXPECT_EQ(errors.str(), "Warning, unable to query service group order\n");
  EXPECT_EQ(machine.registry.GetBytes(kGroupOrderKey, val::kList), before);
  EXPECT_TRUE(machine.ui.Boxes().empty());
  EXPECT_EQ(machine.Leaks(), "");
}

TEST_F(InstallTest, SettingsAreWrittenInTheirOrderWithTheirTypes) {
  DriverSettings settings = Prepared();
  settings.Start = 0;
  settings.Drive = 12;
  settings.Partition = 3;
  settings.MaxLRU = 640;
  settings.LazyWrite = 1;
  std::strcpy(settings.DosDevice, "C:");
  ASSERT_TRUE(WriteDriverSettings(platform, settings)) << machine.ToString();

  EXPECT_EQ(WrittenNames(), (std::vector<std::string>{
                                "ErrorControl", "Start", "Type", "Group", "BreakOnEntry",
                                "DebugLevel", "Drive", "Partition", "PageSize", "MaxLRU", "MinLRU",
                                "LazyWrite", "PendingLimit", "SystemDevice", "DosDevice"}));
  EXPECT_EQ(machine.registry.ClassOf(kServiceKey), "REG_SZ");
  EXPECT_EQ(machine.registry.ClassOf(kParametersKey), "REG_SZ");
  EXPECT_EQ(Value(kServiceKey, "Group"), std::make_pair(reg::kSz, Text({"Orvel\0", 6})));
  EXPECT_EQ(Value(kServiceKey, "Start"), std::make_pair(reg::kDword, Dword(0)));
  EXPECT_EQ(Value(kParametersKey, "Drive"), std::make_pair(reg::kDword, Dword(12)));
  EXPECT_EQ(Value(kParametersKey, "MinLRU"), std::make_pair(reg::kDword, Dword(32)));
  EXPECT_EQ(Value(kParametersKey, "SystemDevice"), std::make_pair(reg::kDword, Dword(1)));
  EXPECT_EQ(Value(kParametersKey, "DosDevice"), std::make_pair(reg::kSz, Text("C:")));
  EXPECT_EQ(settings.MinLRU, 32u);
  EXPECT_TRUE(machine.ui.Boxes().empty());
  EXPECT_EQ(machine.Leaks(), "");
}

TEST_F(InstallTest, MinLruIsAQuarterOfMaxLruAtMost32) {
  for (const auto& [maxLru, minLru] :
       {std::pair{131u, 32u}, {100u, 25u}, {0u, 0u}, {128u, 32u}, {3u, 0u}}) {
    DriverSettings settings = Prepared();
    settings.MaxLRU = maxLru;
    ASSERT_TRUE(WriteDriverSettings(platform, settings));
    EXPECT_EQ(settings.MinLRU, minLru) << maxLru;
    EXPECT_EQ(machine.registry.GetDword(kParametersKey, "MinLRU"), minLru) << maxLru;
  }
}

TEST_F(InstallTest, SystemDeviceComparesTheLettersExactly) {
  struct Case {
    const char* windowsDirectory;
    const char* dosDevice;
    std::uint32_t expected;
  };
  for (const Case& c : {Case{"C:\\WINNT", "D:", 0}, Case{"C:\\WINNT", "C:", 1},
                        Case{"c:\\winnt", "C:", 0}, Case{"C:\\WINNT", "", 0}}) {
    machine.disks.windowsDirectory = c.windowsDirectory;
    DriverSettings settings = Prepared();
    std::strcpy(settings.DosDevice, c.dosDevice);
    ASSERT_TRUE(WriteDriverSettings(platform, settings));
    EXPECT_EQ(machine.registry.GetDword(kParametersKey, "SystemDevice"), c.expected)
        << c.windowsDirectory << " " << c.dosDevice;
  }
}

TEST_F(InstallTest, FailingTypeWriteNamesQuillonWithoutNt) {
  DriverSettings settings = Prepared();
  machine.registry.InjectFault({RegOp::kSet, "", "Type", 0, err::kAccessDenied});
  EXPECT_FALSE(WriteDriverSettings(platform, settings));
  EXPECT_EQ(machine.ui.Texts(),
            (std::vector<std::string>{"Error, unable to write Quillon registry value"}));
  EXPECT_EQ(machine.ui.Boxes()[0].caption, "Quillon-NT Not Configured");
  EXPECT_EQ(WrittenNames(), (std::vector<std::string>{"ErrorControl", "Start"}));
  EXPECT_FALSE(machine.registry.KeyExists(kParametersKey));
  EXPECT_EQ(settings.LastStatus, static_cast<std::int32_t>(err::kAccessDenied));
  EXPECT_EQ(machine.Leaks(), "");
}

TEST_F(InstallTest, EachWriteFailureStopsWithItsMessage) {
  struct Case {
    RegFault fault;
    const char* message;
    std::size_t writtenBefore;
  };
  const Case cases[] = {
      {{RegOp::kCreate, "HKEY_LOCAL_MACHINE\\" + std::string(kServiceKeyPath), {}, 0, 5},
       "Error, couldn't create Quillon-NT registry key",
       0},
      {{RegOp::kSet, "", "ErrorControl", 0, 5},
       "Error, unable to write Quillon-NT registry value",
       0},
      {{RegOp::kSet, "", "Group", 0, 5}, "Error, unable to write Quillon-NT registry value", 3},
      {{RegOp::kCreate, "HKEY_LOCAL_MACHINE\\" + std::string(kParametersKeyPath), {}, 0, 5},
       "Error, couldn't create Quillon-NT Parameters registry key",
       4},
      {{RegOp::kSet, "", "MaxLRU", 0, 5}, "Error, unable to write Quillon-NT registry value", 9},
      {{RegOp::kSet, "", "DosDevice", 0, 5},
       "Error, unable to write Quillon-NT registry value",
       14},
  };
  for (const Case& c : cases) {
    sim::SimMachine fresh;
    std::string error;
    ASSERT_TRUE(fresh.registry.ImportRegFile(QL_FIXTURES_DIR "/qlconfig_fresh.reg", &error));
    const Platform p = fresh.platform();
    DriverSettings settings;
    ASSERT_TRUE(PrepareRegistry(p, settings, kDriverName, errors));
    fresh.registry.ClearCalls();
    fresh.registry.InjectFault(c.fault);
    EXPECT_FALSE(WriteDriverSettings(p, settings)) << c.message;
    EXPECT_EQ(fresh.ui.Texts(), std::vector<std::string>{c.message});
    EXPECT_EQ(fresh.registry.Writes().size(), c.writtenBefore) << c.message;
    EXPECT_EQ(fresh.Leaks(), "") << c.message;
  }
}

TEST_F(InstallTest, AllocatorServiceIsCreatedOnceWithItsParameters) {
  EXPECT_TRUE(RegisterAllocatorService(machine.services, "QlAlloc",
                                       "%SystemRoot%\\System32\\QlAllSrv.exe"));
  ASSERT_EQ(machine.services.ManagerOpens().size(), 1u);
  const auto& open = machine.services.ManagerOpens()[0];
  EXPECT_FALSE(open.machine.has_value());
  EXPECT_FALSE(open.database.has_value());
  EXPECT_EQ(open.access, 2u);

  const auto* service = machine.services.FindService("QlAlloc");
  ASSERT_NE(service, nullptr);
  EXPECT_EQ(service->displayName, "QlAlloc");
  EXPECT_EQ(service->desiredAccess, 0xF01FFu);
  EXPECT_EQ(service->serviceType, 0x110u);
  EXPECT_EQ(service->startType, 2u);
  EXPECT_EQ(service->errorControl, 1u);
  EXPECT_EQ(service->binaryPathName, "%SystemRoot%\\System32\\QlAllSrv.exe");
  EXPECT_FALSE(service->loadOrderGroup.has_value());
  EXPECT_FALSE(service->dependencies.has_value());
  EXPECT_FALSE(service->serviceStartName.has_value());
  EXPECT_FALSE(service->password.has_value());

  // A second registration finds the service there and leaves it unchanged.
  EXPECT_FALSE(RegisterAllocatorService(machine.services, "QlAlloc", "other.exe"));
  EXPECT_EQ(machine.services.Services().size(), 1u);
  EXPECT_EQ(machine.services.FindService("QlAlloc")->binaryPathName,
            "%SystemRoot%\\System32\\QlAllSrv.exe");
  EXPECT_EQ(machine.Leaks(), "");
}

TEST_F(InstallTest, AllocatorServiceNotRegisteredWithoutManager) {
  machine.services.openManagerFaults.FailNext(err::kAccessDenied);
  EXPECT_FALSE(RegisterAllocatorService(machine.services, "QlAlloc", "x.exe"));
  EXPECT_TRUE(machine.services.Services().empty());
  EXPECT_EQ(machine.Leaks(), "");
}

}  // namespace
}  // namespace ql::config::testing
