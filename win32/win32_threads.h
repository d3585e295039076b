// Threads, events and mutexes on the real machine.
#pragma once

#include "platform/threads.h"

namespace ql::win32 {

class Win32Threads final : public Threads {
 public:
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
};

}  // namespace ql::win32
