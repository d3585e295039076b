// The service around the sequence: status reports and their timing, controls, the progress
// dialog's moments and the program entry.
#include "tests/allocsvc/alloc_fixture.h"

namespace ql::alloc {
namespace {

using Report = sim::SimServiceControl::StatusReport;

TEST_F(AllocFixture, SlowHandOverIsCoveredByStartPendingEveryTwoSeconds) {
  machine_.device.SetFinalInitLatency(7000);
  EXPECT_EQ(Run(), 0);

  const std::vector<Report>& reports = machine_.services.Reports();
  ASSERT_EQ(reports.size(), 11u) << machine_.services.ToString();
  // Report 4 follows the commit, just before the worker starts.
  const std::uint64_t start = reports[3].time;
  const std::uint64_t offsets[] = {2000, 4000, 6000, 7000};
  for (std::size_t i = 0; i < 4; ++i) {
    EXPECT_EQ(reports[4 + i].record, StartPending(static_cast<std::uint32_t>(5 + i)));
    EXPECT_EQ(reports[4 + i].time, start + offsets[i]);
  }
  EXPECT_EQ(reports[8].record, Rec(svc::kRunning, 9, 3000));
  for (const auto& wait : machine_.threads.Waits()) {
    if (machine_.threads.Thread(wait.handle) != nullptr) {
      EXPECT_LE(wait.milliseconds, 2000u);
    }
  }
  EXPECT_EQ(machine_.Leaks(), "") << machine_.ToString();
}

// A manager that takes 150 ms to take each report.
class SlowManager : public sim::SimServiceControl {
 public:
  explicit SlowManager(sim::SimClock& clock) : SimServiceControl(clock), clock_(clock) {}
  bool SetStatus(ServiceStatusHandle handle, const ServiceStatusRecord& record) override {
    const bool ok = SimServiceControl::SetStatus(handle, record);
    clock_.Advance(150);
    return ok;
  }

 private:
  sim::SimClock& clock_;
};

TEST_F(AllocFixture, SlowReportsDoNotStretchTheTwoSecondSteps) {
  machine_.device.SetFinalInitLatency(7000);
  SlowManager manager(machine_.clock);
  sim::SimMachine& m = machine_;
  Platform platform{m.registry, manager,    m.eventLog,  m.memory, m.device, m.threads,
                    m.disks,    m.security, m.processes, m.ui,     m.clock};
  m.threads.onBlock = [&](Handle, std::uint32_t) { manager.SendControl(svc::kControlStop); };
  AllocService service(platform, dialog_);
  EXPECT_EQ(service.RunProgram(), 0);

  const auto& reports = manager.Reports();
  ASSERT_EQ(reports.size(), 11u) << manager.ToString();
  // Report 4 follows the commit; the worker starts when it has been taken (150 ms later) and
  // needs 7 s from there.
  const std::uint64_t start = reports[3].time;
  const std::uint64_t offsets[] = {2000, 4000, 6000, 7150};
  for (std::size_t i = 0; i < 4; ++i) {
    EXPECT_EQ(reports[4 + i].record.currentState, svc::kStartPending);
    EXPECT_EQ(reports[4 + i].time, start + offsets[i]) << i;
  }
}

TEST_F(AllocFixture, StopReportsStopPendingThenStoppedASecondLaterAndKeepsTheBuffer) {
  EXPECT_EQ(Run(), 0);
  const std::vector<Report>& reports = machine_.services.Reports();
  ASSERT_EQ(reports.size(), 8u);
  EXPECT_EQ(reports[6].record, Rec(svc::kStopPending, 7, 3000));
  EXPECT_EQ(reports[6].time, stopAt_);
  EXPECT_EQ(reports[7].record, Stopped(8, 0));
  EXPECT_EQ(reports[7].time, stopAt_ + 1000);
  EXPECT_TRUE(machine_.memory.CallsOf(sim::SimMemory::CallKind::kUnlock).empty());
  EXPECT_TRUE(machine_.memory.CallsOf(sim::SimMemory::CallKind::kFree).empty());
  EXPECT_EQ(machine_.memory.LockedBytes(), 64u * kMiB);
}

TEST_F(AllocFixture, InterrogateRepeatsTheRecordWithTheNextCheckPointOthersAreIgnored) {
  controlsWhileIdle_ = {svc::kControlInterrogate,
                        svc::kControlPause,
                        svc::kControlContinue,
                        svc::kControlShutdown,
                        0x80,
                        svc::kControlInterrogate};
  EXPECT_EQ(Run(), 0);
  const std::vector<ServiceStatusRecord> expected{StartPending(1),
                                                  StartPending(2),
                                                  StartPending(3),
                                                  StartPending(4),
                                                  StartPending(5),
                                                  Rec(svc::kRunning, 6, 3000),
                                                  Rec(svc::kRunning, 7, 3000),
                                                  Rec(svc::kRunning, 8, 3000),
                                                  Rec(svc::kStopPending, 9, 3000),
                                                  Stopped(10, 0)};
  EXPECT_EQ(Reports(), expected) << machine_.services.ToString();
}

TEST_F(AllocFixture, WithoutTheManagerItSaysSoAndStillHandsTheBufferOver) {
  machine_.services.registerFaults.FailNext(err::kInvalidParameter);
  // Nothing can stop a service whose handler was never registered.
  EXPECT_THROW(Run(), sim::SimDeadlock);
  EXPECT_EQ(machine_.ui.Texts(),
            (std::vector<std::string>{"Unable to connect to Service Control Manager"}));
  ExpectBoxesWellFormed();
  EXPECT_TRUE(Reports().empty());
  ASSERT_EQ(machine_.services.Reports().size(), 6u);  // all lost, RUNNING included
  EXPECT_EQ(machine_.services.Reports().back().record, Rec(svc::kRunning, 6, 3000));
  EXPECT_EQ(machine_.device.RequestsWithCode(IOCTL_OV_FINAL_INIT).size(), 1u);
  EXPECT_EQ(machine_.memory.LockedBytes(), 64u * kMiB);
}

// --- Progress dialog ------------------------------------------------------------------------

TEST_F(AllocFixture, DialogComesAfterTheFirstReportAndGoesASecondAfterRunning) {
  Run();
  ASSERT_EQ(dialog_.events.size(), 2u);
  EXPECT_EQ(dialog_.events[0].what, "show");
  EXPECT_EQ(dialog_.events[0].reports, 1u);
  EXPECT_EQ(dialog_.events[1].what, "take down");
  EXPECT_EQ(dialog_.events[1].reports, 6u);  // RUNNING was the last
  EXPECT_EQ(dialog_.events[1].time, machine_.services.Reports()[5].time + 1000);
  EXPECT_LT(dialog_.events[1].time, stopAt_ + 1);
}

TEST_F(AllocFixture, EnterOrEscapeClosesTheDialogAndTheSequenceGoesOn) {
  for (std::uintptr_t key : {std::uintptr_t{1}, std::uintptr_t{2}}) {
    sim::SimMachine machine;
    machine.registry.ImportReg(
        "REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Services\\QlDrv]\n"
        "\"Start\"=dword:00000000\n\n"
        "[HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Services\\QlDrv\\Parameters]\n"
        "\"DosDevice\"=\"C:\"\n",
        nullptr);
    machine.device.SetSizeWanted(64 * kMiB);
    machine.device.Faults(IOCTL_OV_FINAL_INIT).FailNext(1117);
    FakeDialog dialog(machine);
    dialog.pressOnShow = key;
    Platform platform = machine.platform();
    AllocService service(platform, dialog);
    EXPECT_EQ(service.RunProgram(), 0);
    EXPECT_EQ(dialog.events[1].what, "closed by user");
    EXPECT_EQ(machine.device.RequestsWithCode(IOCTL_OV_FINAL_INIT).size(), 1u);
    EXPECT_EQ(machine.ui.Texts(), (std::vector<std::string>{"IOCTL_OV_FINAL_INIT failed",
                                                            "Error during driver initialization"}))
        << key;
    EXPECT_EQ(machine.Leaks(), "") << machine.ToString();
  }
}

TEST(ProgressDialogProcedureTest, OnlyThePlainOkAndCancelCommandsEndIt) {
  const DialogReply init = ProgressDialogProcedure(DialogMessage::kInitDialog, 0);
  EXPECT_TRUE(init.handled);
  EXPECT_FALSE(init.endDialog);
  for (std::uintptr_t command : {1u, 2u}) {
    const DialogReply reply = ProgressDialogProcedure(DialogMessage::kCommand, command);
    EXPECT_TRUE(reply.handled);
    EXPECT_TRUE(reply.endDialog);
  }
  // A notification carrying id 1 in its low word is not the OK command itself.
  for (std::uintptr_t command : {0u, 3u, 0x00010001u, 0x00020002u}) {
    const DialogReply reply = ProgressDialogProcedure(DialogMessage::kCommand, command);
    EXPECT_FALSE(reply.handled) << command;
    EXPECT_FALSE(reply.endDialog) << command;
  }
  EXPECT_FALSE(ProgressDialogProcedure(DialogMessage::kOther, 1).handled);
}

// --- Program entry -------------------------------------------------------------------------

TEST_F(AllocFixture, ProgramRunsOneDispatcherEntryNamedQlAlloc) {
  EXPECT_EQ(Run(), 0);
  EXPECT_EQ(machine_.services.DispatcherNames(), (std::vector<std::string>{"QlAlloc"}));
  EXPECT_EQ(machine_.services.RegisteredNames(), (std::vector<std::string>{"QlAlloc"}));
}

TEST_F(AllocFixture, StartedFromAConsoleTheProgramReturnsAtOnce) {
  machine_.services.SetStartedByManager(false);
  EXPECT_EQ(Run(), 0);
  EXPECT_TRUE(machine_.services.Reports().empty());
  EXPECT_TRUE(machine_.ui.Boxes().empty());
  EXPECT_TRUE(dialog_.events.empty());
  EXPECT_EQ(machine_.clock.Now(), 0u);
  EXPECT_EQ(machine_.Leaks(), "") << machine_.ToString();
}

TEST_F(AllocFixture, WithoutAStopEventTheServiceIsNotStarted) {
  machine_.threads.createEventFaults.FailNext(err::kNotEnoughMemory);
  EXPECT_EQ(Run(), 0);
  EXPECT_TRUE(machine_.services.DispatcherNames().empty());
  EXPECT_EQ(machine_.Leaks(), "") << machine_.ToString();
}

}  // namespace
}  // namespace ql::alloc
