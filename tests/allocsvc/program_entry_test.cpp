// The program entry against a dispatcher that behaves as the platform's does: it runs the
// service on a thread of its own and returns as soon as the service reports STOPPED. After a
// failed start the service shows its last message after that report, so the program must not
// return (ending the process and the message with it) before the service entry has finished.
//
// Real threads here, because the point is what runs beside what; every wait is for a state
// that the code under test must reach, none for time.
#include <algorithm>
#include <condition_variable>
#include <mutex>
#include <thread>

#include "tests/allocsvc/alloc_fixture.h"

namespace ql::alloc {
namespace {

// One lock and one condition for the whole little world; a log of what happened, in order.
struct World {
  std::mutex mutex;
  std::condition_variable changed;
  std::vector<std::string> log;
  bool programWaiting = false;
  bool programReturned = false;

  void Note(std::string what) {
    std::lock_guard lock(mutex);
    log.push_back(std::move(what));
    changed.notify_all();
  }
};

// Events only: all the program entry and a failing start need.
class EventThreads : public Threads {
 public:
  explicit EventThreads(World& world) : world_(world) {}
  Handle CreateThread(ThreadProc, Status*) override { return Unexpected("CreateThread"); }
  std::uint32_t WaitForSingleObject(Handle handle, std::uint32_t milliseconds) override {
    EXPECT_EQ(milliseconds, wait::kInfinite);
    std::unique_lock lock(world_.mutex);
    if (!signalled_.at(handle)) {
      world_.programWaiting = true;
      world_.log.push_back("program waits");
      world_.changed.notify_all();
    }
    world_.changed.wait(lock, [&] { return signalled_.at(handle); });
    return wait::kObject0;
  }
  bool GetExitCodeThread(Handle, std::uint32_t*, Status*) override {
    return Unexpected("GetExitCodeThread") != 0;
  }
  bool TerminateThread(Handle, std::uint32_t) override {
    return Unexpected("TerminateThread") != 0;
  }
  void Sleep(std::uint32_t) override { Unexpected("Sleep"); }
  Handle CreateEvent(bool manualReset, bool initialState, Status*) override {
    EXPECT_TRUE(manualReset);
    std::lock_guard lock(world_.mutex);
    const Handle handle = next_++;
    signalled_[handle] = initialState;
    return handle;
  }
  bool SetEvent(Handle event) override {
    std::lock_guard lock(world_.mutex);
    auto it = signalled_.find(event);
    if (it == signalled_.end()) return false;  // closed already
    it->second = true;
    world_.changed.notify_all();
    return true;
  }
  bool ResetEvent(Handle) override { return Unexpected("ResetEvent") != 0; }
  Handle CreateMutex(bool, std::string_view, Status*) override { return Unexpected("CreateMutex"); }
  bool CloseHandle(Handle handle) override {
    std::lock_guard lock(world_.mutex);
    return signalled_.erase(handle) == 1;
  }

 private:
  static Handle Unexpected(const char* what) {
    ADD_FAILURE() << what << " is not expected on this path";
    return 0;
  }
  World& world_;
  std::map<Handle, bool> signalled_;
  Handle next_ = 0x100;
};

class ThreadedDispatcher : public sim::SimServiceControl {
 public:
  ThreadedDispatcher(sim::SimClock& clock, World& world)
      : SimServiceControl(clock), world_(world) {}
  ~ThreadedDispatcher() override {
    if (service_.joinable()) service_.join();
  }

  bool StartDispatcher(std::string_view, std::function<void()> serviceMain, Status*) override {
    service_ = std::thread([this, serviceMain] {
      serviceMain();
      std::lock_guard lock(world_.mutex);
      mainReturned_ = true;
      world_.changed.notify_all();
    });
    std::unique_lock lock(world_.mutex);
    world_.changed.wait(lock, [&] { return stopped_ || mainReturned_; });
    world_.log.push_back("dispatcher returns");
    return true;
  }
  ServiceStatusHandle RegisterHandler(std::string_view, std::function<void(std::uint32_t)>,
                                      Status*) override {
    return 0x700;
  }
  bool SetStatus(ServiceStatusHandle, const ServiceStatusRecord& record) override {
    std::lock_guard lock(world_.mutex);
    world_.log.push_back("report " + std::to_string(record.currentState));
    if (record.currentState == svc::kStopped) stopped_ = true;
    world_.changed.notify_all();
    return true;
  }

 private:
  World& world_;
  std::thread service_;
  bool stopped_ = false;
  bool mainReturned_ = false;
};

// Message boxes stay up until the program has either returned or settled into its wait.
class PatientUser : public Ui {
 public:
  explicit PatientUser(World& world) : world_(world) {}
  int MessageBox(WindowRef, std::string_view text, std::string_view, std::uint32_t) override {
    std::unique_lock lock(world_.mutex);
    world_.log.push_back("box " + std::string(text));
    if (text == msg::kInitFailed) {
      world_.changed.wait(lock, [&] { return world_.programWaiting || world_.programReturned; });
      world_.log.push_back(world_.programReturned ? "program gone under the box" : "box dismissed");
    }
    return mb::kIdOk;
  }

 private:
  World& world_;
};

TEST(ProgramEntryTest, LastMessageOfAFailedStartOutlivesTheDispatcher) {
  World world;
  sim::SimMachine machine;  // registry, device and memory
  std::string error;
  ASSERT_TRUE(machine.registry.ImportRegFile(QL_FIXTURES_DIR "/qlstats_installed.reg", &error));
  machine.device.ServePaths({});  // the device cannot be opened
  EventThreads threads(world);
  PatientUser user(world);
  ThreadedDispatcher services(machine.clock, world);
  Platform platform{machine.registry,  services, machine.eventLog, machine.memory,
                    machine.device,    threads,  machine.disks,    machine.security,
                    machine.processes, user,     machine.clock};
  FakeDialog dialog(machine);
  AllocService service(platform, dialog);

  std::thread program([&] {
    const int code = service.RunProgram();
    EXPECT_EQ(code, 0);
    world.Note("program returns");
    std::lock_guard lock(world.mutex);
    world.programReturned = true;
    world.changed.notify_all();
  });
  program.join();

  // The dispatcher's return and the program's wait race the last box; what matters is that
  // they come after STOPPED and that the box is dismissed only while the program waits.
  std::vector<std::string> log = world.log;
  const auto at = [&](const char* what) { return std::find(log.begin(), log.end(), what); };
  ASSERT_NE(at("dispatcher returns"), log.end());
  ASSERT_NE(at("program waits"), log.end());
  EXPECT_LT(at("report 1"), at("dispatcher returns"));
  EXPECT_LT(at("dispatcher returns"), at("program waits"));
  EXPECT_LT(at("program waits"), at("box dismissed"));
  log.erase(at("dispatcher returns"));
  log.erase(at("program waits"));
  const std::vector<std::string> expected{"report 2",
                                          "report 2",
                                          "box Could not get Quillon-NT device handle",
                                          "report 1",
                                          "box Error during driver initialization",
                                          "box dismissed",
                                          "program returns"};
  EXPECT_EQ(log, expected);
  EXPECT_EQ(machine.Leaks(), "") << machine.ToString();
}

}  // namespace
}  // namespace ql::alloc
