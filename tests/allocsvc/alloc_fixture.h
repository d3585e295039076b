// The allocator service on the sim: the driver as the wizard registers it for drive C:, a
// stand-in that wants a buffer, and a progress dialog that records when it comes and goes.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "allocsvc/alloc_service.h"
#include "sim/sim_machine.h"

namespace ql::alloc {

inline constexpr char kDriverKey[] = "HKLM\\SYSTEM\\CurrentControlSet\\Services\\QlDrv";
inline constexpr char kParametersKey[] =
    "HKLM\\SYSTEM\\CurrentControlSet\\Services\\QlDrv\\Parameters";
inline constexpr std::uint32_t kMiB = 0x100000;

// A record as the service reports it: type 0x110, no controls accepted.
inline ServiceStatusRecord Rec(std::uint32_t state, std::uint32_t checkPoint,
                               std::uint32_t waitHint, std::uint32_t exitCode = 0) {
  return ServiceStatusRecord{kServiceType, state, 0, exitCode, 0, checkPoint, waitHint};
}
inline ServiceStatusRecord StartPending(std::uint32_t checkPoint) {
  return Rec(svc::kStartPending, checkPoint, 3000);
}
inline ServiceStatusRecord Stopped(std::uint32_t checkPoint, std::uint32_t exitCode) {
  return Rec(svc::kStopped, checkPoint, 0, exitCode);
}

// The progress dialog as the core sees it. Enter and Escape go through the real dialog
// procedure.
class FakeDialog : public ProgressDialogHost {
 public:
  struct Event {
    std::string what;  // "show", "take down", "closed by user"
    std::uint64_t time;
    std::size_t reports;  // status reports delivered before it
    std::size_t boxes;    // message boxes shown before it
  };

  explicit FakeDialog(sim::SimMachine& machine) : machine_(machine) {}

  bool Show() override {
    Note("show");
    if (failShow) return false;
    shown = true;
    if (pressOnShow != 0) Press(pressOnShow);
    return true;
  }
  void TakeDown() override {
    Note("take down");
    shown = false;
  }
  // A key in the dialog: the command it produces, through the dialog procedure.
  void Press(std::uintptr_t command) {
    const DialogReply reply = ProgressDialogProcedure(DialogMessage::kCommand, command);
    if (shown && reply.endDialog) {
      shown = false;
      Note("closed by user");
    }
  }

  bool failShow = false;
  std::uintptr_t pressOnShow = 0;
  bool shown = false;
  std::vector<Event> events;

 private:
  void Note(const char* what) {
    events.push_back({what, machine_.clock.Now(), machine_.services.DeliveredRecords().size(),
                      machine_.ui.Boxes().size()});
  }
  sim::SimMachine& machine_;
};

class AllocFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string error;
    ASSERT_TRUE(machine_.registry.ImportRegFile(QL_FIXTURES_DIR "/qlstats_installed.reg", &error))
        << error;
    machine_.device.SetSizeWanted(64 * kMiB);
    // The manager's side: once the service idles on StopEvent, it is told to stop.
    machine_.threads.onBlock = [this](Handle, std::uint32_t milliseconds) {
      if (milliseconds != wait::kInfinite) return;
      for (std::uint32_t control : controlsWhileIdle_) machine_.services.SendControl(control);
      stopAt_ = machine_.clock.Now();
      machine_.services.SendControl(svc::kControlStop);
    };
    // Each message box notes how many reports had gone out when it appeared.
    machine_.ui.SetHandler([this](const sim::SimUi::MessageBoxRecord&) {
      reportsAtBox_.push_back(machine_.services.DeliveredRecords().size());
      return mb::kIdOk;
    });
  }

  int Run() {
    Platform platform = machine_.platform();
    AllocService service(platform, dialog_);
    const int code = service.RunProgram();
    heldDevice_ = service.HeldDevice();
    heldBuffer_ = service.HeldBuffer();
    return code;
  }

  std::vector<ServiceStatusRecord> Reports() const { return machine_.services.DeliveredRecords(); }

  // Every box: no owner, the error caption, error icon, OK only.
  void ExpectBoxesWellFormed() const {
    for (const auto& box : machine_.ui.Boxes()) {
      EXPECT_EQ(box.owner, kNoWindow);
      EXPECT_EQ(box.caption, "Quillon-NT Initialization Error");
      EXPECT_EQ(box.style, mb::kOk | mb::kIconHand) << box.text;
    }
  }

  sim::SimMachine machine_;
  FakeDialog dialog_{machine_};
  std::vector<std::uint32_t> controlsWhileIdle_;
  std::vector<std::size_t> reportsAtBox_;
  std::uint64_t stopAt_ = 0;
  Handle heldDevice_ = kInvalidHandle;
  Address heldBuffer_ = 0;
};

}  // namespace ql::alloc
