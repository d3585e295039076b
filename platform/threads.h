// Threads, events and mutexes: CreateThread, WaitForSingleObject, GetExitCodeThread,
// TerminateThread, Sleep, CreateEventA, SetEvent, ResetEvent, CreateMutexA, CloseHandle.
//
// In the sim these are deterministic (see sim/sim_threads.h): time only moves on the virtual
// clock, so a wait of 2000 ms on a worker that needs 7000 ms times out at exactly +2000.
#pragma once

#include <cstdint>
#include <functional>
#include <string_view>

#include "platform/types.h"

namespace ql {

using ThreadProc = std::function<std::uint32_t()>;

class Threads {
 public:
  virtual ~Threads() = default;

  // CreateThread(NULL, 0, proc, ..., 0, &id): 0 on failure.
  virtual Handle CreateThread(ThreadProc proc, Status* error) = 0;

  // WaitForSingleObject(handle, ms): wait::kObject0, wait::kTimeout or wait::kFailed.
  virtual std::uint32_t WaitForSingleObject(Handle handle, std::uint32_t milliseconds) = 0;

  // GetExitCodeThread(thread, &code); wait::kStillActive while it runs.
  virtual bool GetExitCodeThread(Handle thread, std::uint32_t* code, Status* error) = 0;

  // TerminateThread(thread, code)
  virtual bool TerminateThread(Handle thread, std::uint32_t code) = 0;

  // Sleep(ms)
  virtual void Sleep(std::uint32_t milliseconds) = 0;

  // CreateEventA(NULL, manualReset, initialState, NULL): 0 on failure.
  virtual Handle CreateEvent(bool manualReset, bool initialState, Status* error) = 0;

  // SetEvent / ResetEvent
  virtual bool SetEvent(Handle event) = 0;
  virtual bool ResetEvent(Handle event) = 0;

  // CreateMutexA(NULL, initialOwner, name): 0 on failure. *error receives GetLastError()
  // also on success, so err::kAlreadyExists tells that the name was taken.
  virtual Handle CreateMutex(bool initialOwner, std::string_view name, Status* error) = 0;

  // CloseHandle of a thread, event or mutex.
  virtual bool CloseHandle(Handle handle) = 0;
};

}  // namespace ql
