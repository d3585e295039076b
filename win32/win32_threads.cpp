#include "win32/win32_threads.h"

#include <memory>
#include <string>

#include "win32/win32_windows.h"

namespace ql::win32 {

namespace {

// What a thread whose procedure threw reports as its exit code: no exception may leave a
// thread that the system started.
constexpr DWORD kThreadFailed = ERROR_GEN_FAILURE;

// The new thread owns its procedure and deletes it when it ends.
DWORD WINAPI ThreadTrampoline(LPVOID parameter) {
  std::unique_ptr<ThreadProc> proc(static_cast<ThreadProc*>(parameter));
  try {
    return static_cast<DWORD>((*proc)());
  } catch (...) {
    return kThreadFailed;
  }
}

}  // namespace

Handle Win32Threads::CreateThread(ThreadProc proc, Status* error) {
  if (!proc) {
    if (error != nullptr) *error = err::kInvalidParameter;
    return kNullHandle;
  }
  auto owned = std::make_unique<ThreadProc>(std::move(proc));
  DWORD id = 0;
  HANDLE thread = ::CreateThread(nullptr, 0, &ThreadTrampoline, owned.get(), 0, &id);
  if (thread == nullptr) {
    StoreLastError(error);
    return kNullHandle;  // the procedure is still ours and goes with `owned`
  }
  owned.release();  // the thread deletes it
  return FromNative(thread);
}

std::uint32_t Win32Threads::WaitForSingleObject(Handle handle, std::uint32_t milliseconds) {
  return static_cast<std::uint32_t>(::WaitForSingleObject(ToNative<HANDLE>(handle), milliseconds));
}

bool Win32Threads::GetExitCodeThread(Handle thread, std::uint32_t* code, Status* error) {
  DWORD exitCode = 0;
  if (!::GetExitCodeThread(ToNative<HANDLE>(thread), &exitCode)) {
    StoreLastError(error);
    return false;
  }
  if (code != nullptr) *code = static_cast<std::uint32_t>(exitCode);
  return true;
}

bool Win32Threads::TerminateThread(Handle thread, std::uint32_t code) {
  return ::TerminateThread(ToNative<HANDLE>(thread), code) != FALSE;
}

void Win32Threads::Sleep(std::uint32_t milliseconds) { ::Sleep(milliseconds); }

Handle Win32Threads::CreateEvent(bool manualReset, bool initialState, Status* error) {
  HANDLE event =
      ::CreateEventA(nullptr, manualReset ? TRUE : FALSE, initialState ? TRUE : FALSE, nullptr);
  if (event == nullptr) StoreLastError(error);
  return FromNative(event);
}

bool Win32Threads::SetEvent(Handle event) { return ::SetEvent(ToNative<HANDLE>(event)) != FALSE; }

bool Win32Threads::ResetEvent(Handle event) {
  return ::ResetEvent(ToNative<HANDLE>(event)) != FALSE;
}

Handle Win32Threads::CreateMutex(bool initialOwner, std::string_view name, Status* error) {
  // An empty name makes an unnamed mutex.
  const std::string mutexName(name);
  ::SetLastError(ERROR_SUCCESS);
  HANDLE mutex = ::CreateMutexA(nullptr, initialOwner ? TRUE : FALSE,
                                mutexName.empty() ? nullptr : mutexName.c_str());
  // The caller learns from the status whether the name was already taken, so it is passed on
  // after a success as well.
  StoreLastError(error);
  return FromNative(mutex);
}

bool Win32Threads::CloseHandle(Handle handle) {
  return ::CloseHandle(ToNative<HANDLE>(handle)) != FALSE;
}

}  // namespace ql::win32
