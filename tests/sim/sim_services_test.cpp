// Memory, service control, event log, disks, security, process starts and message boxes:
// the platform rules each sim keeps, and what it records.
#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <string>

#include "sim/sim_machine.h"

namespace ql::sim {
namespace {

TEST(SimMemory, CommitLockUnlockAndReleaseFollowThePlatformRules) {
  SimMemory memory;
  Status error = 0;
  EXPECT_EQ(memory.VirtualAlloc(0, 0, mem::kCommit, mem::kPageExecuteReadWrite, &error), 0u);
  EXPECT_EQ(error, err::kInvalidParameter);

  // A large buffer costs nothing: the address is made up, page-aligned.
  const Address buffer =
      memory.VirtualAlloc(0, 0x10000000, mem::kCommit, mem::kPageExecuteReadWrite, &error);
  ASSERT_NE(buffer, 0u);
  EXPECT_EQ(buffer % SimMemory::kPageSize, 0u);
  EXPECT_LE(buffer + 0x10000000, 0x80000000u);
  EXPECT_EQ(memory.CommittedBytes(), 0x10000000u);

  EXPECT_FALSE(memory.VirtualUnlock(buffer, 0x10000000, &error));
  EXPECT_EQ(error, simerr::kNotLocked);
  EXPECT_TRUE(memory.VirtualLock(buffer, 0x10000000, &error));
  EXPECT_EQ(memory.LockedBytes(), 0x10000000u);
  EXPECT_TRUE(memory.VirtualUnlock(buffer, 0x10000000, &error));

  EXPECT_FALSE(memory.VirtualFree(buffer, 0x10000000, mem::kRelease, &error));
  EXPECT_EQ(error, err::kInvalidParameter);
  EXPECT_TRUE(memory.VirtualFree(buffer, 0, mem::kRelease, &error));
  EXPECT_EQ(memory.CommittedBytes(), 0u);
  EXPECT_FALSE(memory.VirtualFree(buffer, 0, mem::kRelease, &error));
  EXPECT_EQ(error, simerr::kInvalidAddress);

  const auto locks = memory.CallsOf(SimMemory::CallKind::kLock);
  ASSERT_EQ(locks.size(), 1u);
  EXPECT_EQ(locks[0].address, buffer);
  EXPECT_EQ(locks[0].size, 0x10000000u);
}

TEST(SimMemory, WorkingSetAndScriptedFailures) {
  SimMemory memory;
  Status error = 0;
  memory.SetLockLimitedByWorkingSet(true);
  const Address buffer =
      memory.VirtualAlloc(0, 0x100000, mem::kCommit, mem::kPageReadWrite, &error);
  EXPECT_FALSE(memory.VirtualLock(buffer, 0x100000, &error));
  EXPECT_EQ(error, err::kWorkingSetQuota);
  EXPECT_TRUE(memory.SetProcessWorkingSetSize(0x300000, 0x300000, &error));
  EXPECT_TRUE(memory.VirtualLock(buffer, 0x100000, &error));
  EXPECT_EQ(memory.WorkingSetMinimum(), 0x300000u);

  memory.workingSetFaults.FailNext(err::kWorkingSetQuota);
  EXPECT_FALSE(memory.SetProcessWorkingSetSize(0x500000, 0x500000, &error));
  EXPECT_EQ(error, err::kWorkingSetQuota);
  EXPECT_EQ(memory.WorkingSetMinimum(), 0x300000u) << "a refused change keeps the limits";
  memory.allocFaults.FailNext(err::kNotEnoughMemory);
  EXPECT_EQ(memory.VirtualAlloc(0, 4096, mem::kCommit, mem::kPageReadWrite, &error), 0u);
  EXPECT_EQ(error, err::kNotEnoughMemory);

  memory.SetTotalPhys(0x7FFFFFFF);
  MemoryStatus status;
  memory.GlobalMemoryStatus(&status);
  EXPECT_EQ(status.totalPhys, 0x7FFFFFFFu);
  memory.CompactHeaps();
  EXPECT_EQ(memory.CompactCount(), 1u);
}

TEST(SimServiceControl, DispatcherHandlerAndStatusReports) {
  SimClock clock;
  SimServiceControl services(clock);
  std::vector<std::uint32_t> controls;
  ServiceStatusHandle handle = 0;
  Status error = 0;
  ASSERT_TRUE(services.StartDispatcher(
      "QlAlloc",
      [&] {
        handle = services.RegisterHandler(
            "QlAlloc", [&](std::uint32_t code) { controls.push_back(code); }, &error);
        ServiceStatusRecord record{0x110, svc::kStartPending, 0, 0, 0, 1, 3000};
        EXPECT_TRUE(services.SetStatus(handle, record));
        clock.Advance(250);
        EXPECT_TRUE(services.SendControl(svc::kControlInterrogate));
        record.currentState = svc::kStopped;
        record.checkPoint = 2;
        record.waitHint = 0;
        EXPECT_TRUE(services.SetStatus(handle, record));
      },
      &error));
  EXPECT_EQ(controls, std::vector<std::uint32_t>{svc::kControlInterrogate});
  ASSERT_EQ(services.Reports().size(), 2u);
  EXPECT_EQ(services.Reports()[1].time, 250u);
  EXPECT_EQ(services.LastDelivered()->currentState, svc::kStopped);

  // A report to the invalid handle is lost.
  EXPECT_FALSE(services.SetStatus(0, ServiceStatusRecord{}));
  EXPECT_EQ(services.DeliveredRecords().size(), 2u);
  EXPECT_EQ(services.Reports().size(), 3u);
}

TEST(SimServiceControl, NotStartedByTheManagerAndFailedRegistration) {
  SimClock clock;
  SimServiceControl services(clock);
  services.SetStartedByManager(false);
  bool ran = false;
  Status error = 0;
  EXPECT_FALSE(services.StartDispatcher(
      "QlAlloc", [&] { ran = true; }, &error));
  EXPECT_EQ(error, err::kFailedServiceControllerConnect);
  EXPECT_FALSE(ran);

  services.registerFaults.FailNext(err::kServiceDoesNotExist);
  EXPECT_EQ(services.RegisterHandler(
                "QlAlloc", [](std::uint32_t) {}, &error),
            0u);
  EXPECT_EQ(error, err::kServiceDoesNotExist);
  EXPECT_FALSE(services.SendControl(svc::kControlStop));
}

TEST(SimServiceControl, DatabaseKeepsEveryParameterAndRefusesASecondCreate) {
  SimClock clock;
  SimServiceControl services(clock);
  Status error = 0;
  const ScHandle manager = services.OpenManager(nullptr, nullptr, svc::kScManagerAllAccess, &error);
  ASSERT_NE(manager, 0u);
  CreateServiceParams params;
  params.serviceName = "QlAlloc";
  params.displayName = "QlAlloc";
  params.desiredAccess = svc::kServiceAllAccess;
  params.serviceType = svc::kWin32OwnProcess | svc::kInteractiveProcess;
  params.startType = svc::kAutoStart;
  params.errorControl = svc::kErrorNormal;
  params.binaryPathName = "%SystemRoot%\\System32\\QlAllSrv.exe";
  params.dependencies = "One\0Two\0";
  const ScHandle service = services.CreateService(manager, params, &error);
  ASSERT_NE(service, 0u);
  params.serviceName = "qlalloc";
  EXPECT_EQ(services.CreateService(manager, params, &error), 0u);
  EXPECT_EQ(error, err::kServiceExists);

  const auto* entry = services.FindService("QLALLOC");
  ASSERT_NE(entry, nullptr);
  EXPECT_EQ(entry->serviceType, 0x110u);
  EXPECT_EQ(entry->binaryPathName, "%SystemRoot%\\System32\\QlAllSrv.exe");
  EXPECT_FALSE(entry->loadOrderGroup);
  EXPECT_FALSE(entry->serviceStartName);
  EXPECT_EQ(entry->dependencies, (std::vector<std::string>{"One", "Two"}));

  EXPECT_TRUE(services.CloseServiceHandle(service));
  EXPECT_TRUE(services.CloseServiceHandle(manager));
  EXPECT_FALSE(services.CloseServiceHandle(manager));
  EXPECT_EQ(services.OpenHandleCount(), 0u);
  EXPECT_EQ(services.BadCloseCount(), 1u);
}

TEST(SimEventLog, RecordsPerSourceAndUserNameBufferRules) {
  SimClock clock;
  SimEventLog log(clock);
  Status error = 0;
  const Handle handle = log.Open(nullptr, "QlTune", &error);
  ASSERT_NE(handle, kNullHandle);
  ASSERT_TRUE(log.Report(handle, evt::kInformation, 0, 1, {"a", "b"}, &error));
  EXPECT_TRUE(log.Close(handle));
  EXPECT_FALSE(log.Report(handle, evt::kInformation, 0, 1, {}, &error));
  EXPECT_EQ(error, err::kInvalidHandle);
  ASSERT_EQ(log.Records().size(), 1u);
  EXPECT_EQ(log.Records()[0].source, "QlTune");
  EXPECT_EQ(log.Records()[0].strings, (std::vector<std::string>{"a", "b"}));

  log.userName = "operator";
  std::array<char, 16> buffer;
  buffer.fill('#');
  std::uint32_t size = 8;  // one short of "operator" and its NUL
  EXPECT_FALSE(log.GetUserName(buffer.data(), &size, &error));
  EXPECT_EQ(error, err::kInsufficientBuffer);
  EXPECT_EQ(size, 9u);
  EXPECT_EQ(buffer[0], '#');
  EXPECT_TRUE(log.GetUserName(buffer.data(), &size, &error));
  EXPECT_STREQ(buffer.data(), "operator");
  EXPECT_EQ(size, 9u);

  OsVersion version;
  ASSERT_TRUE(log.GetVersion(&version));
  EXPECT_EQ(version.platformId, 2u);
  EXPECT_EQ(version.majorVersion, 4u);
}

TEST(SimDisks, RawBuffersAreBoundedByTheCallersSize) {
  SimDisks disks;
  disks.AddDrive(SimDisks::FixedDrive('d', 1, 2));
  disks.drives.back().dosTarget = "\\Device\\Harddisk1\\Partition2";  // no terminators
  std::array<char, 64> buffer;

  EXPECT_EQ(disks.GetLogicalDriveStrings(8, buffer.data()), 9u);
  ASSERT_EQ(disks.GetLogicalDriveStrings(buffer.size(), buffer.data()), 8u);
  EXPECT_EQ(std::string(buffer.data(), 9), std::string("C:\\\0D:\\\0\0", 9));
  EXPECT_EQ(disks.GetDriveType("D:\\"), drive::kFixed);
  EXPECT_EQ(disks.GetDriveType("Q:\\"), drive::kNoRootDir);

  Status error = 0;
  buffer.fill('#');
  EXPECT_EQ(disks.QueryDosDevice("C:", buffer.data(), 10, &error), 0u);
  EXPECT_EQ(error, err::kInsufficientBuffer);
  ASSERT_EQ(disks.QueryDosDevice("d:", buffer.data(), buffer.size(), &error), 28u);
  EXPECT_EQ(buffer[28], '#') << "the answer is the target bytes only";
  ASSERT_EQ(disks.QueryDosDevice("C:", buffer.data(), buffer.size(), &error), 30u);
  EXPECT_EQ(buffer[28], '\0');
  EXPECT_EQ(buffer[29], '\0');

  EXPECT_EQ(disks.GetWindowsDirectory(buffer.data(), 8), 9u);
  EXPECT_EQ(disks.GetWindowsDirectory(buffer.data(), 9), 8u);
  EXPECT_STREQ(buffer.data(), "C:\\WINNT");

  disks.FindDrive('D')->volumeError = err::kNotReady;
  EXPECT_FALSE(disks.GetVolumeInformation("D:\\", nullptr, 0, nullptr, nullptr, nullptr, nullptr, 0,
                                          &error));
  EXPECT_EQ(error, err::kNotReady);
  char fs[3];
  ASSERT_TRUE(disks.GetVolumeInformation("C:\\", nullptr, 0, nullptr, nullptr, nullptr, fs,
                                         sizeof fs, &error));
  EXPECT_STREQ(fs, "NT");
}

TEST(SimSecurity, TokenGroupsAndTheCountsOfWhatWasGivenBack) {
  SimSecurity security;
  Handle token = 0;
  EXPECT_EQ(security.OpenThreadToken(sec::kTokenQuery, true, &token), err::kNoToken);
  ASSERT_EQ(security.OpenProcessToken(sec::kTokenQuery, &token), err::kSuccess);
  security.SetAdministrators(SimSecurity::AdminMembership::kDenyOnly);

  std::uint32_t size = 0;
  ASSERT_EQ(security.GetTokenGroupsSize(token, &size), err::kInsufficientBuffer);
  // Everyone (1 sub-authority), Users and Administrators (2 each).
  EXPECT_EQ(size, 4u + 3 * 8 + 12 + 16 + 16);
  std::vector<TokenGroup> groups;
  EXPECT_EQ(security.GetTokenGroups(token, size - 1, &groups), err::kInsufficientBuffer);
  ASSERT_EQ(security.GetTokenGroups(token, size, &groups), err::kSuccess);
  ASSERT_EQ(groups.size(), 3u);
  EXPECT_EQ(groups.back().attributes, sec::kGroupUseForDenyOnly);

  SidRef admins = 0;
  ASSERT_EQ(security.AllocateAndInitializeSid(
                sec::kNtAuthority, {sec::kBuiltinDomainRid, sec::kAliasRidAdmins}, &admins),
            err::kSuccess);
  EXPECT_TRUE(security.EqualSid(admins, groups.back().sid));
  EXPECT_FALSE(security.EqualSid(admins, groups.front().sid));
  security.FreeSid(admins);
  security.FreeSid(admins);
  EXPECT_TRUE(security.CloseToken(token));
  EXPECT_EQ(security.SidsAllocated(), 1u);
  EXPECT_EQ(security.SidsFreed(), 1u);
  EXPECT_EQ(security.BadFrees(), 1u);
  EXPECT_EQ(security.OpenTokenCount(), 0u);

  security.openProcessTokenFaults.FailNext(err::kAccessDenied);
  EXPECT_EQ(security.OpenProcessToken(sec::kTokenQuery, &token), err::kAccessDenied);
}

TEST(SimUi, BoxesAreRecordedInOrderAndAnsweredByScript) {
  SimMachine machine;
  machine.ui.QueueAnswer(mb::kIdYes);
  machine.ui.SetHandler([&](const SimUi::MessageBoxRecord& box) {
    machine.clock.Advance(1000);  // the user reads for a second
    return box.caption == "Ask" ? mb::kIdNo : mb::kIdOk;
  });
  Ui& ui = machine.ui;
  EXPECT_EQ(ui.MessageBox(kNoWindow, "first", "Ask", mb::kYesNo), mb::kIdYes);
  EXPECT_EQ(ui.MessageBox(kNoWindow, "second", "Ask", mb::kYesNo), mb::kIdNo);
  EXPECT_EQ(ui.MessageBox(5, "third", "Tell", mb::kOk | mb::kIconHand), mb::kIdOk);
  EXPECT_EQ(machine.ui.Texts(), (std::vector<std::string>{"first", "second", "third"}));
  const auto& third = machine.ui.Boxes()[2];
  EXPECT_EQ(third.owner, 5u);
  EXPECT_EQ(third.time, 1000u);
  EXPECT_EQ(third.style, mb::kIconHand);

  machine.processes.WinExec("C:\\WINNT\\system32\\QlConfig.exe", sw::kShowNormal);
  machine.processes.ShellExecute(kNoWindow, nullptr, "QlStats.exe", nullptr, nullptr,
                                 sw::kShowNormal);
  ASSERT_EQ(machine.processes.ShellExecuteCalls().size(), 1u);
  EXPECT_FALSE(machine.processes.ShellExecuteCalls()[0].verb);
  EXPECT_EQ(machine.processes.WinExecCalls()[0].commandLine, "C:\\WINNT\\system32\\QlConfig.exe");
}

}  // namespace
}  // namespace ql::sim
