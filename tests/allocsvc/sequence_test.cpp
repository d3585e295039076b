// The allocation sequence: when the device is touched at all, how the buffer is sized,
// committed, locked and handed over, and every way it can fail.
#include <functional>

#include "tests/allocsvc/alloc_fixture.h"

namespace ql::alloc {
namespace {

using sim::SimMemory;

// --- Driver not set up ------------------------------------------------------------------

struct Unconfigured {
  const char* name;
  std::function<void(sim::SimRegistry&)> change;
};

class UnconfiguredTest : public AllocFixture, public ::testing::WithParamInterface<Unconfigured> {};

TEST_P(UnconfiguredTest, RunsIdleWithoutMessageOrDevice) {
  GetParam().change(machine_.registry);
  EXPECT_EQ(Run(), 0);
  const std::vector<ServiceStatusRecord> expected{StartPending(1), Rec(svc::kRunning, 2, 3000),
                                                  Rec(svc::kStopPending, 3, 3000), Stopped(4, 0)};
  EXPECT_EQ(Reports(), expected) << machine_.services.ToString();
  EXPECT_TRUE(machine_.ui.Boxes().empty()) << machine_.ui.ToString();
  EXPECT_TRUE(machine_.device.Opens().empty());
  EXPECT_TRUE(machine_.memory.Calls().empty());
  EXPECT_EQ(machine_.Leaks(), "") << machine_.ToString();
}

INSTANTIATE_TEST_SUITE_P(
    DriverKeys, UnconfiguredTest,
    ::testing::Values(
        Unconfigured{"NoDriverKey", [](auto& r) { r.DeleteKey(kDriverKey); }},
        Unconfigured{"NoStart", [](auto& r) { r.DeleteValue(kDriverKey, "Start"); }},
        Unconfigured{"Disabled", [](auto& r) { r.SetDword(kDriverKey, "Start", 4); }},
        Unconfigured{"StartAboveDisabled", [](auto& r) { r.SetDword(kDriverKey, "Start", 7); }},
        Unconfigured{"StartLongerThanFourBytes",
                     [](auto& r) {
                       r.SetBinary(kDriverKey, "Start", {0, 0, 0, 0, 0});
                     }},
        Unconfigured{"NoParameters", [](auto& r) { r.DeleteKey(kParametersKey); }},
        Unconfigured{"NoDosDevice", [](auto& r) { r.DeleteValue(kParametersKey, "DosDevice"); }},
        Unconfigured{"DosDeviceOfNineBytes",
                     [](auto& r) { r.SetString(kParametersKey, "DosDevice", "C:\\abcdef"); }},
        Unconfigured{"NotAdministrator", [](auto& r) { r.SetAdministrator(false); }}),
    [](const auto& p) { return p.param.name; });

// --- Device path ------------------------------------------------------------------------

TEST_F(AllocFixture, DeviceIsOpenedByTheUpperCasedFirstLetter) {
  for (const char* dosDevice : {"e:", "E"}) {
    sim::SimMachine& m = machine_;
    m.registry.SetString(kParametersKey, "DosDevice", dosDevice, false);
    m.registry.SetDword(kDriverKey, "Start", 3);  // started by hand still counts as set up
    m.device.ServePaths({"\\\\.\\E:"});
    m.device.SetSizeWanted(0);
    const std::size_t before = m.device.Opens().size();
    Run();
    ASSERT_EQ(m.device.Opens().size(), before + 1) << dosDevice;
    const auto& open = m.device.Opens().back();
    EXPECT_EQ(open.path, "\\\\.\\E:") << dosDevice;
    EXPECT_EQ(open.access, file::kGenericRead);
    EXPECT_EQ(open.share, file::kShareRead | file::kShareWrite);
    EXPECT_EQ(open.creation, file::kOpenExisting);
    EXPECT_EQ(open.flags, 0u);
    m.device.CloseHandle(open.handle);
  }
  EXPECT_TRUE(machine_.ui.Boxes().empty()) << machine_.ui.ToString();
}

// --- Sizes --------------------------------------------------------------------------------

class BufferSizeTest : public AllocFixture, public ::testing::WithParamInterface<std::uint32_t> {};

TEST_P(BufferSizeTest, BufferIsCommittedLockedHandedOverAndHeld) {
  const std::uint32_t size = GetParam();
  machine_.device.SetSizeWanted(size);
  EXPECT_EQ(Run(), 0);

  const std::vector<ServiceStatusRecord> expected{StartPending(1),
                                                  StartPending(2),
                                                  StartPending(3),
                                                  StartPending(4),
                                                  StartPending(5),
                                                  Rec(svc::kRunning, 6, 3000),
                                                  Rec(svc::kStopPending, 7, 3000),
                                                  Stopped(8, 0)};
  EXPECT_EQ(Reports(), expected) << machine_.services.ToString();
  EXPECT_TRUE(machine_.ui.Boxes().empty()) << machine_.ui.ToString();

  const auto& calls = machine_.memory.Calls();
  ASSERT_EQ(calls.size(), 3u) << machine_.memory.ToString();
  EXPECT_EQ(calls[0].kind, SimMemory::CallKind::kWorkingSet);
  EXPECT_EQ(calls[0].size, size + 0x200000);
  EXPECT_EQ(calls[0].extra, size + 0x200000);
  EXPECT_EQ(calls[1].kind, SimMemory::CallKind::kAlloc);
  EXPECT_EQ(calls[1].address, 0u);
  EXPECT_EQ(calls[1].size, size);
  EXPECT_EQ(calls[1].extra, mem::kCommit);
  EXPECT_EQ(calls[1].protect, mem::kPageExecuteReadWrite);
  const Address buffer = calls[1].result;
  EXPECT_EQ(calls[2].kind, SimMemory::CallKind::kLock);
  EXPECT_EQ(calls[2].address, buffer);
  EXPECT_EQ(calls[2].size, size);

  // The record the driver got names the buffer and the very handle it came in on.
  const auto requests = machine_.device.Requests();
  ASSERT_EQ(requests.size(), 2u) << machine_.device.ToString();
  EXPECT_EQ(requests[0].code, IOCTL_OV_QUERY_SIZE);
  EXPECT_EQ(requests[0].outSize, 8u);
  ASSERT_TRUE(requests[1].handover.has_value());
  EXPECT_EQ(requests[1].handover->BufferSize, size);
  EXPECT_EQ(requests[1].handover->BufferAddress, buffer);
  EXPECT_EQ(requests[1].handover->DeviceHandle, requests[1].handle);
  EXPECT_EQ(requests[1].handle, requests[0].handle);
  EXPECT_EQ(requests[1].outSize, 0u);

  // Held after the stop as well; the device handle is closed.
  const SimMemory::Region* region = machine_.memory.RegionAt(buffer);
  ASSERT_NE(region, nullptr);
  EXPECT_EQ(region->state, SimMemory::State::kCommitted);
  EXPECT_TRUE(region->locked);
  EXPECT_EQ(heldBuffer_, buffer);
  EXPECT_EQ(machine_.Leaks(), "") << machine_.ToString();
}

INSTANTIATE_TEST_SUITE_P(Sizes, BufferSizeTest, ::testing::Values(64 * kMiB, 256 * kMiB));

TEST_F(AllocFixture, WorkingSetOf256MiBBufferIs258MiB) {
  machine_.device.SetSizeWanted(0x10000000);
  Run();
  EXPECT_EQ(machine_.memory.WorkingSetMinimum(), 0x10200000u);
  EXPECT_EQ(machine_.memory.WorkingSetMaximum(), 0x10200000u);
}

TEST_F(AllocFixture, ZeroSizeIsHandedOverFromTheServiceThreadAndTheHandleKept) {
  machine_.device.SetSizeWanted(0);
  EXPECT_EQ(Run(), 0);
  const std::vector<ServiceStatusRecord> expected{StartPending(1), StartPending(2),
                                                  Rec(svc::kRunning, 3, 3000),
                                                  Rec(svc::kStopPending, 4, 3000), Stopped(5, 0)};
  EXPECT_EQ(Reports(), expected) << machine_.services.ToString();
  EXPECT_TRUE(machine_.memory.Calls().empty()) << machine_.memory.ToString();
  EXPECT_TRUE(machine_.threads.ThreadsCreated().empty());

  const auto finals = machine_.device.RequestsWithCode(IOCTL_OV_FINAL_INIT);
  ASSERT_EQ(finals.size(), 1u);
  EXPECT_EQ(finals[0].input, std::vector<std::uint8_t>(16, 0));
  EXPECT_EQ(machine_.device.OpenHandleCount(), 1u);
  EXPECT_TRUE(machine_.device.IsOpen(finals[0].handle));
  EXPECT_EQ(heldDevice_, finals[0].handle);
  EXPECT_TRUE(machine_.ui.Boxes().empty()) << machine_.ui.ToString();
}

TEST_F(AllocFixture, SizeWithOnlyHighBitsGivesHeadroomAndFailsToCommit) {
  machine_.device.SetSizeWanted(0x100000000ull);
  Run();
  EXPECT_EQ(machine_.memory.WorkingSetMinimum(), 0x200000u);
  EXPECT_EQ(machine_.memory.WorkingSetMaximum(), 0x200000u);
  EXPECT_EQ(machine_.ui.Texts(), (std::vector<std::string>{"Buffer allocation attempt failed",
                                                           "Error during driver initialization"}));
  EXPECT_EQ(machine_.services.LastDelivered(), Stopped(4, 31));
  EXPECT_EQ(machine_.Leaks(), "") << machine_.ToString();
}

// --- Failures -----------------------------------------------------------------------------

struct Failure {
  const char* name;
  std::function<void(sim::SimMachine&, FakeDialog&)> arrange;
  const char* message;
  std::uint32_t startPendings;  // reports before STOPPED
  bool unlocked;
  bool released;
};

class FailureTest : public AllocFixture, public ::testing::WithParamInterface<Failure> {};

TEST_P(FailureTest, ShowsItsMessageThenStopsWith31AndCleansUp) {
  const Failure& f = GetParam();
  f.arrange(machine_, dialog_);
  EXPECT_EQ(Run(), 0);

  std::vector<ServiceStatusRecord> expected;
  for (std::uint32_t i = 1; i <= f.startPendings; ++i) expected.push_back(StartPending(i));
  expected.push_back(Stopped(f.startPendings + 1, 31));
  EXPECT_EQ(Reports(), expected) << machine_.services.ToString();

  // The specific message while still starting, the general one after STOPPED.
  std::vector<std::string> texts{"Error during driver initialization"};
  std::vector<std::size_t> reportsAtBox{f.startPendings + 1};
  if (f.message != nullptr) {
    texts.insert(texts.begin(), f.message);
    reportsAtBox.insert(reportsAtBox.begin(), f.startPendings);
  }
  EXPECT_EQ(machine_.ui.Texts(), texts);
  EXPECT_EQ(reportsAtBox_, reportsAtBox);
  ExpectBoxesWellFormed();

  // The dialog goes once the last message is dismissed.
  ASSERT_EQ(dialog_.events.size(), 2u);
  EXPECT_EQ(dialog_.events[1].what, "take down");
  EXPECT_EQ(dialog_.events[1].boxes, texts.size());

  const auto unlocks = machine_.memory.CallsOf(SimMemory::CallKind::kUnlock);
  const auto frees = machine_.memory.CallsOf(SimMemory::CallKind::kFree);
  EXPECT_EQ(unlocks.size(), f.unlocked ? 1u : 0u) << machine_.memory.ToString();
  ASSERT_EQ(frees.size(), f.released ? 1u : 0u) << machine_.memory.ToString();
  if (f.released) {
    const Address buffer = machine_.memory.CallsOf(SimMemory::CallKind::kAlloc)[0].result;
    EXPECT_EQ(frees[0].address, buffer);
    EXPECT_EQ(frees[0].size, 0u);
    EXPECT_EQ(frees[0].extra, mem::kRelease);
    if (f.unlocked) {
      EXPECT_EQ(unlocks[0].address, buffer);
      EXPECT_EQ(unlocks[0].size, 64 * kMiB);
    }
    EXPECT_EQ(machine_.memory.CommittedBytes(), 0u);
    EXPECT_EQ(machine_.memory.LockedBytes(), 0u);
  }
  EXPECT_EQ(machine_.Leaks(), "") << machine_.ToString();
}

INSTANTIATE_TEST_SUITE_P(
    Steps, FailureTest,
    ::testing::Values(
        Failure{"OpenDevice", [](auto& m, auto&) { m.device.ServePaths({}); },
                "Could not get Quillon-NT device handle", 2, false, false},
        Failure{
            "SizeQuery",
            [](auto& m, auto&) { m.device.Faults(IOCTL_OV_QUERY_SIZE).FailNext(err::kNotReady); },
            "IOCTL_OV_QUERY_SIZE failed", 2, false, false},
        Failure{"ZeroSizeHandOver",
                [](auto& m, auto&) {
                  m.device.SetSizeWanted(0);
                  m.device.Faults(IOCTL_OV_FINAL_INIT).FailNext(err::kGenFailure);
                },
                "IOCTL_OV_FINAL_INIT failed", 2, false, false},
        Failure{"WorkingSet", [](auto& m, auto&) { m.memory.workingSetFaults.FailNext(1453); },
                "SetProcessWorkingSetSize() failed", 2, false, false},
        Failure{"Commit",
                [](auto& m, auto&) { m.memory.allocFaults.FailNext(err::kNotEnoughMemory); },
                "Buffer allocation attempt failed", 3, false, false},
        Failure{"WorkerExitCode", [](auto& m, auto&) { m.threads.exitCodeFaults.FailNext(6); },
                "Asynchronous IOCTL call apparently failed", 5, true, true},
        Failure{"Lock", [](auto& m, auto&) { m.memory.lockFaults.FailNext(1453); },
                "Buffer pages could not be locked", 5, false, true},
        Failure{"HandOver",
                [](auto& m, auto&) { m.device.Faults(IOCTL_OV_FINAL_INIT).FailNext(1117); },
                "IOCTL_OV_FINAL_INIT failed", 5, true, true},
        // The request's own 167 must not read as "nothing was locked".
        Failure{"HandOverWithLockCode",
                [](auto& m, auto&) { m.device.Faults(IOCTL_OV_FINAL_INIT).FailNext(167); },
                "IOCTL_OV_FINAL_INIT failed", 5, true, true},
        // A worker that cannot be started: nothing locked, nothing sent, all given back.
        Failure{"WorkerNotStarted",
                [](auto& m, auto&) { m.threads.createThreadFaults.FailNext(8); }, nullptr, 4, false,
                true},
        // Threads cannot be had at all: the dialog goes first, then the worker fails the
        // start exactly as it does alone.
        Failure{"NeitherDialogNorWorker",
                [](auto& m, auto& d) {
                  d.failShow = true;
                  m.threads.createThreadFaults.FailNext(8);
                },
                nullptr, 4, false, true}),
    [](const auto& p) { return p.param.name; });

// The dialog is a courtesy; the buffer is the service's job. Without the dialog the run is
// the run with it: the same reports, the buffer handed over and held, no message.
TEST_F(AllocFixture, ADialogThatCannotShowCostsTheMachineNothing) {
  EXPECT_EQ(Run(), 0);
  const std::vector<ServiceStatusRecord> withDialog = Reports();
  const auto handOverWithDialog = machine_.device.RequestsWithCode(IOCTL_OV_FINAL_INIT);
  ASSERT_EQ(handOverWithDialog.size(), 1u);

  sim::SimMachine machine;
  std::string error;
  ASSERT_TRUE(machine.registry.ImportRegFile(QL_FIXTURES_DIR "/qlstats_installed.reg", &error));
  machine.device.SetSizeWanted(64 * kMiB);
  machine.threads.onBlock = [&machine](Handle, std::uint32_t milliseconds) {
    if (milliseconds == wait::kInfinite) machine.services.SendControl(svc::kControlStop);
  };
  FakeDialog dialog(machine);
  dialog.failShow = true;
  Platform platform = machine.platform();
  AllocService service(platform, dialog);
  EXPECT_EQ(service.RunProgram(), 0);

  EXPECT_EQ(machine.services.DeliveredRecords(), withDialog) << machine.services.ToString();
  EXPECT_EQ(machine.services.LastDelivered(), Stopped(8, 0));
  EXPECT_TRUE(machine.ui.Boxes().empty()) << machine.ui.ToString();
  const auto handOver = machine.device.RequestsWithCode(IOCTL_OV_FINAL_INIT);
  ASSERT_EQ(handOver.size(), 1u);
  EXPECT_EQ(handOver[0].status, err::kSuccess);
  ASSERT_TRUE(handOver[0].handover.has_value());
  EXPECT_EQ(handOver[0].handover->BufferSize, 64u * kMiB);
  EXPECT_EQ(service.HeldBuffer(), handOver[0].handover->BufferAddress);
  EXPECT_EQ(machine.memory.LockedBytes(), 64u * kMiB);
  EXPECT_EQ(machine.Leaks(), "") << machine.ToString();
}

TEST_F(AllocFixture, LockFailureSendsNothingToTheDriver) {
  machine_.memory.lockFaults.FailNext(1453);
  Run();
  EXPECT_TRUE(machine_.device.RequestsWithCode(IOCTL_OV_FINAL_INIT).empty());
}

// A request that fails without an error code is still a failure, never a hand-over.
TEST(HandOverWorkerTest, RequestFailingWithoutCodeIsNotSuccess) {
  struct SilentFailure : sim::SimDevice {
    using sim::SimDevice::SimDevice;
    bool DeviceIoControl(Handle, std::uint32_t, const void*, std::uint32_t, void*, std::uint32_t,
                         std::uint32_t*, Status* error) override {
      *error = err::kSuccess;
      return false;
    }
  };
  sim::SimClock clock;
  sim::SimMemory memory;
  Status status = 0;
  SilentFailure device(clock);
  const Address buffer = memory.VirtualAlloc(0, 4096, mem::kCommit, mem::kPageReadWrite, &status);
  OV_BUFFER_INFO record{4096, static_cast<std::uint32_t>(buffer), 0x100000};
  EXPECT_EQ(HandOverWorker(memory, device, record), err::kGenFailure);
}

}  // namespace
}  // namespace ql::alloc
