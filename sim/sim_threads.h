// Deterministic threads, events and mutexes on the virtual clock.
//
// CreateThread runs the thread procedure to completion at once, on a forked view of the
// clock: the clock is noted, the procedure runs (its Sleeps and slow device requests move
// the clock), the clock at its return becomes the thread's end time, and the clock is put
// back. The thread then counts as running until the virtual clock reaches its end time:
//
//   WaitForSingleObject(thread, ms): end <= now        -> kObject0
//                                    end <= now + ms   -> clock to end, kObject0
//                                    otherwise         -> clock + ms, kTimeout
//   GetExitCodeThread: kStillActive before the end time, the procedure's result after.
//
// So a worker that needs 7000 ms, waited for in steps of 2000 ms, times out at +2000,
// +4000 and +6000 and ends at +7000. What the procedure did is recorded at the times of its
// own timeline, so records of different threads are in call order, not in time order.
//
// Nothing else runs beside the caller: a wait that cannot be satisfied calls the onBlock
// hook (a test's stand-in for another thread, e.g. one delivering a service control), and
// a wait without time limit that is still not satisfied afterwards throws SimDeadlock.
//
// Handles are this sim's own: a device handle or a token given to CloseHandle here is a bad
// handle (false, counted), which keeps each kind of handle closed through its own service.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/threads.h"
#include "sim/sim_clock.h"
#include "sim/sim_fault.h"

namespace ql::sim {

class SimDeadlock : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

class SimThreads : public Threads {
 public:
  enum class Kind { kThread, kEvent, kMutex };

  struct ThreadInfo {
    Handle handle = 0;
    std::uint64_t start = 0;
    std::uint64_t end = 0;  // virtual time the procedure returned (or was terminated)
    std::uint32_t exitCode = 0;
    bool terminated = false;
    std::uint32_t terminateCode = 0;
  };

  struct WaitRecord {
    Handle handle;
    std::uint32_t milliseconds;
    std::uint32_t result;
    std::uint64_t start;
    std::uint64_t end;
  };

  explicit SimThreads(SimClock& clock) : clock_(clock) {}
  ~SimThreads() override;

  // Threads
  Handle CreateThread(ThreadProc proc, Status* error) override;
  std::uint32_t WaitForSingleObject(Handle handle, std::uint32_t milliseconds) override;
  bool GetExitCodeThread(Handle thread, std::uint32_t* code, Status* error) override;
  bool TerminateThread(Handle thread, std::uint32_t code) override;
  void Sleep(std::uint32_t milliseconds) override;
  Handle CreateEvent(bool manualReset, bool initialState, Status* error) override;
  bool SetEvent(Handle event) override;
  bool ResetEvent(Handle event) override;
  Handle CreateMutex(bool initialOwner, std::string_view name, Status* error) override;
  bool CloseHandle(Handle handle) override;

  // --- Scripting ----------------------------------------------------------------------
  FaultPlan createThreadFaults;
  FaultPlan exitCodeFaults;
  FaultPlan createEventFaults;
  FaultPlan createMutexFaults;
  // Called with the handle and the time limit whenever a wait finds its object not
  // signalled, before the wait times out or is declared a deadlock.
  std::function<void(Handle handle, std::uint32_t milliseconds)> onBlock;
  // Another process holds a named mutex (CreateMutex of the name then reports 183). Owned
  // by that process when owned, so waits for it block.
  void AddForeignMutex(std::string name, bool owned = true);
  void RemoveForeignMutex(const std::string& name);

  // --- What tests read -----------------------------------------------------------------
  [[nodiscard]] std::size_t OpenHandleCount() const { return handles_.size(); }
  [[nodiscard]] std::size_t OpenHandleCount(Kind kind) const;
  [[nodiscard]] std::uint32_t BadCloseCount() const { return badCloses_; }
  [[nodiscard]] bool IsOpen(Handle handle) const { return handles_.count(handle) != 0; }
  // Every thread created, in order, also after its handle was closed.
  [[nodiscard]] const std::vector<ThreadInfo>& ThreadsCreated() const { return threads_; }
  [[nodiscard]] const ThreadInfo* Thread(Handle handle) const;
  [[nodiscard]] std::vector<Handle> Terminated() const;
  [[nodiscard]] const std::vector<std::uint32_t>& Sleeps() const { return sleeps_; }
  [[nodiscard]] const std::vector<WaitRecord>& Waits() const { return waits_; }
  // Whether an event handle is signalled (false for other handles).
  [[nodiscard]] bool IsSignalled(Handle event) const;
  [[nodiscard]] std::uint32_t SetEventCount(Handle event) const;
  // Whether a named mutex exists (held by a handle or by another process).
  [[nodiscard]] bool MutexExists(const std::string& name) const;

  [[nodiscard]] std::string ToString() const;

 private:
  struct Event {
    bool manualReset = false;
    bool signalled = false;
    std::uint32_t sets = 0;
  };
  struct Mutex {
    std::string name;
    bool foreign = false;       // another process holds a handle
    bool foreignOwned = false;  // ... and owns it
    int handles = 0;
  };
  struct Object {
    Kind kind;
    std::size_t thread = 0;  // index into threads_
    std::shared_ptr<Event> event;
    std::shared_ptr<Mutex> mutex;
  };
  Handle NewHandle(Object object);
  bool Signalled(const Object& object) const;
  void ReleaseMutexRef(const std::shared_ptr<Mutex>& mutex);

  SimClock& clock_;
  std::map<Handle, Object> handles_;
  Handle nextHandle_ = 0x00200000;
  std::vector<ThreadInfo> threads_;
  std::map<std::string, std::shared_ptr<Mutex>> mutexes_;  // names are case-sensitive
  std::vector<std::uint32_t> sleeps_;
  std::vector<WaitRecord> waits_;
  std::uint32_t badCloses_ = 0;
};

}  // namespace ql::sim
