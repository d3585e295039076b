#include "allocsvc/alloc_service.h"

#include "common/driver_settings.h"

namespace ql::alloc {

// ---------------------------------------------------------------------------------------------
// ServiceStatus

// The lock is held only while fields are copied, never across a call, so the handler that an
// interrogation runs on the dispatcher thread cannot wait long behind the service thread.
class ServiceStatus::Guard {
 public:
  explicit Guard(std::atomic_flag& flag) : flag_(flag) {
    while (flag_.test_and_set(std::memory_order_acquire)) {
    }
  }
  ~Guard() { flag_.clear(std::memory_order_release); }
  Guard(const Guard&) = delete;
  Guard& operator=(const Guard&) = delete;

 private:
  std::atomic_flag& flag_;
};

void ServiceStatus::Clear(std::uint32_t serviceType) {
  Guard guard(busy_);
  const std::uint32_t checkPoint = record_.checkPoint;
  record_ = ServiceStatusRecord{};
  record_.serviceType = serviceType;
  record_.checkPoint = checkPoint;
}

void ServiceStatus::SetWin32ExitCode(std::uint32_t code) {
  Guard guard(busy_);
  record_.win32ExitCode = code;
}

ServiceStatusRecord ServiceStatus::Advance(std::uint32_t state, std::uint32_t waitHint) {
  Guard guard(busy_);
  record_.currentState = state;
  ++record_.checkPoint;
  record_.waitHint = waitHint;
  return record_;
}

ServiceStatusRecord ServiceStatus::Touch() {
  Guard guard(busy_);
  ++record_.checkPoint;
  return record_;
}

ServiceStatusRecord ServiceStatus::Snapshot() const {
  Guard guard(busy_);
  return record_;
}

// ---------------------------------------------------------------------------------------------
// Driver settings and the hand-over worker

bool ReadDriverSettings(Registry& registry, char* letter) {
  ScopedKey service(registry);
  if (registry.OpenKey(kHkeyLocalMachine, kServiceKeyPath, reg::kAllAccess, service.Receive()) !=
      err::kSuccess) {
    return false;
  }
  std::uint32_t start = 0;
  if (!ReadDwordValue(registry, service.Get(), val::kStart, &start)) return false;
  // 4 means disabled; anything above is no start mode the driver knows.
  if (start > svc::kDemandStart) return false;

  ScopedKey parameters(registry);
  if (registry.OpenKey(service.Get(), "Parameters", reg::kAllAccess, parameters.Receive()) !=
      err::kSuccess) {
    return false;
  }
  DosDeviceText dosDevice;
  if (!ReadDosDeviceValue(registry, parameters.Get(), dosDevice)) return false;
  *letter = dosDevice[0];
  return true;
}

std::uint32_t HandOverWorker(Memory& memory, Device& device, const OV_BUFFER_INFO& record) {
  Status error = err::kSuccess;
  const auto size = static_cast<std::uint32_t>(record.BufferSize);
  if (!memory.VirtualLock(record.BufferAddress, size, &error)) return kWorkerLockFailed;

  error = err::kSuccess;
  std::uint32_t returned = 0;
  if (device.DeviceIoControl(record.DeviceHandle, IOCTL_OV_FINAL_INIT, &record, sizeof record,
                             nullptr, 0, &returned, &error)) {
    return 0;
  }
  // The service thread reads 0 as success and 167 as "nothing locked". A failed request must
  // never be mistaken for either, whatever code the platform gave it.
  if (error == err::kSuccess || error == kWorkerLockFailed) return err::kGenFailure;
  return error;
}

// ---------------------------------------------------------------------------------------------
// AllocService

AllocService::AllocService(Platform& platform, ProgressDialogHost& dialog)
    : platform_(platform), dialog_(dialog) {}

int AllocService::RunProgram() {
  Threads& threads = platform_.threads;
  Status error = err::kSuccess;
  stopEvent_ = threads.CreateEvent(true, false, &error);
  // Without StopEvent the service, once running, could never be stopped; better not to start
  // it at all (the service control manager then reports that it did not respond).
  if (stopEvent_ == kNullHandle) return 0;

  // The dispatcher returns as soon as the service reports STOPPED, which after a failed start
  // happens before the service thread shows its last message. Waiting for the service entry
  // to finish keeps the process, and so that message, alive until it is dismissed.
  const Handle finished = threads.CreateEvent(true, false, &error);
  std::atomic<bool> entered{false};
  platform_.services.StartDispatcher(
      kServiceName,
      [&] {
        entered = true;
        // Signalled however the entry is left, so the wait below cannot outlive it.
        struct Done {
          Threads& threads;
          Handle event;
          ~Done() {
            if (event != kNullHandle) threads.SetEvent(event);
          }
        } done{threads, finished};
        AllocServiceMain();
      },
      &error);
  if (entered && finished != kNullHandle) {
    threads.WaitForSingleObject(finished, wait::kInfinite);
  }

  if (finished != kNullHandle) threads.CloseHandle(finished);
  threads.CloseHandle(stopEvent_);
  stopEvent_ = kNullHandle;
  return 0;
}

void AllocService::AllocServiceMain() {
  Status error = err::kSuccess;
  const ServiceStatusHandle handle = platform_.services.RegisterHandler(
      kServiceName, [this](std::uint32_t control) { AllocControlHandler(control); }, &error);
  statusHandle_ = handle;
  // Without a handle every report below is lost, but the buffer is still worth handing over.
  if (handle == 0) ShowError(msg::kNoServiceManager);

  status_.Clear(kServiceType);
  ReportStartPending(status_, handle);

  // The dialog is a courtesy to whoever watches the boot; the buffer is what the driver
  // needs. A dialog that cannot be shown costs nothing but itself: the sequence goes on, and
  // its own steps report whatever else fails (a worker that cannot start among them).
  (void)dialog_.Show();
  const bool ok = RunAllocationSequence(status_, handle, WorkingSetHeadroom);
  if (ok) {
    Report(status_, handle, svc::kRunning, kWaitHintMs);
    platform_.threads.Sleep(kSettleMs);
    dialog_.TakeDown();
    // The buffer is held from here until the process ends; it is never given back.
    WaitForStop();
    Report(status_, handle, svc::kStopPending, kWaitHintMs);
    platform_.threads.Sleep(kSettleMs);
    Report(status_, handle, svc::kStopped, 0);
    return;
  }

  status_.SetWin32ExitCode(kInitFailedExitCode);
  Report(status_, handle, svc::kStopped, 0);
  ShowError(msg::kInitFailed);
  dialog_.TakeDown();
}

void AllocService::AllocControlHandler(std::uint32_t control) {
  switch (control) {
    case svc::kControlStop:
      // STOP_PENDING and STOPPED are reported by the service thread once it wakes.
      platform_.threads.SetEvent(stopEvent_);
      break;
    case svc::kControlInterrogate:
      platform_.services.SetStatus(statusHandle_, status_.Touch());
      break;
    default:
      break;
  }
}

void AllocService::ReportStartPending(ServiceStatus& status, ServiceStatusHandle handle) {
  Report(status, handle, svc::kStartPending, kWaitHintMs);
}

void AllocService::Report(ServiceStatus& status, ServiceStatusHandle handle, std::uint32_t state,
                          std::uint32_t waitHint) {
  lastReportAt_ = platform_.clock.Milliseconds();
  platform_.services.SetStatus(handle, status.Advance(state, waitHint));
}

void AllocService::ShowError(std::string_view text) {
  platform_.ui.MessageBox(kNoWindow, text, kErrorCaption, mb::kOk | mb::kIconHand);
}

void AllocService::WaitForStop() {
  // A wait that fails must neither end the service (the driver now owns the buffer) nor
  // spin; try again after a pause.
  while (platform_.threads.WaitForSingleObject(stopEvent_, wait::kInfinite) != wait::kObject0) {
    platform_.threads.Sleep(kWorkerWaitStepMs);
  }
}

bool AllocService::RunAllocationSequence(ServiceStatus& status, ServiceStatusHandle handle,
                                         std::uint32_t headroom) {
  Device& device = platform_.device;
  Memory& memory = platform_.memory;

  // 1. Not installed, disabled or not configured: run idle, silently, without the device.
  char letter = '\0';
  if (!ReadDriverSettings(platform_.registry, &letter)) return true;

  // 2. "\\.\%c:" with the letter upper-cased (ASCII only).
  if (letter >= 'a' && letter <= 'z') letter = static_cast<char>(letter - 'a' + 'A');
  char path[8] = {};
  (void)FormServiceDevicePath(letter, path);

  // 3.
  ReportStartPending(status, handle);

  // 4.
  Status error = err::kSuccess;
  const Handle control =
      device.CreateFile(path, kDeviceAccess, kDeviceShare, kDeviceCreation, 0, &error);
  if (control == kInvalidHandle || control == kNullHandle) {
    ShowError(msg::kNoDeviceHandle);
    return false;
  }

  // 5. The size arrives as 8 bytes, low half first; unanswered bytes read as 0.
  std::uint8_t sizeBytes[kQuerySizeOutputBytes] = {};
  std::uint32_t returned = 0;
  if (!device.DeviceIoControl(control, IOCTL_OV_QUERY_SIZE, nullptr, 0, sizeBytes, sizeof sizeBytes,
                              &returned, &error)) {
    ShowError(msg::kQuerySizeFailed);
    device.CloseHandle(control);
    return false;
  }
  auto half = [&](int at) {
    return static_cast<std::uint32_t>(sizeBytes[at]) |
           static_cast<std::uint32_t>(sizeBytes[at + 1]) << 8 |
           static_cast<std::uint32_t>(sizeBytes[at + 2]) << 16 |
           static_cast<std::uint32_t>(sizeBytes[at + 3]) << 24;
  };
  const std::uint32_t low = half(0);
  const std::uint32_t high = half(4);

  // 6. The driver wants no buffer: tell it so from this thread. The handle then stays open
  // for the life of the process.
  if (low == 0 && high == 0) {
    const OV_BUFFER_INFO none{};
    if (!device.DeviceIoControl(control, IOCTL_OV_FINAL_INIT, &none, sizeof none, nullptr, 0,
                                &returned, &error)) {
      ShowError(msg::kFinalInitFailed);
      device.CloseHandle(control);
      return false;
    }
    heldDevice_ = control;
    return true;
  }

  // 7. Only the low half is used from here on. The limits go up before the commit so that
  // the lock of the whole buffer can succeed.
  const std::uint32_t size = low;
  const std::uint32_t workingSet = size + headroom;
  if (!memory.SetProcessWorkingSetSize(workingSet, workingSet, &error)) {
    ShowError(msg::kWorkingSetFailed);
    device.CloseHandle(control);
    return false;
  }

  // 8.
  ReportStartPending(status, handle);

  // 9. One piece, execute/read/write, anywhere.
  const Address buffer =
      memory.VirtualAlloc(0, size, mem::kCommit, mem::kPageExecuteReadWrite, &error);
  if (buffer == 0) {
    ShowError(msg::kAllocationFailed);
    device.CloseHandle(control);
    return false;
  }

  // 10.
  ReportStartPending(status, handle);

  // 11. to 13.
  return HandOver(status, handle, control, buffer, size);
}

bool AllocService::HandOver(ServiceStatus& status, ServiceStatusHandle handle, Handle control,
                            Address buffer, std::uint32_t size) {
  Device& device = platform_.device;
  Memory& memory = platform_.memory;
  Threads& threads = platform_.threads;
  Status error = err::kSuccess;

  auto release = [&] { memory.VirtualFree(buffer, 0, mem::kRelease, &error); };
  auto unlock = [&] { memory.VirtualUnlock(buffer, size, &error); };

  // 11. The record lives in this frame; this function does not return before the worker
  // that reads it has ended.
  OV_BUFFER_INFO record{};
  record.BufferSize = size;
  record.BufferAddress = static_cast<std::uint32_t>(buffer);
  record.DeviceHandle = static_cast<std::uint32_t>(control);
  const Handle worker = threads.CreateThread(
      [&memory, &device, &record] { return HandOverWorker(memory, device, record); }, &error);
  if (worker == kNullHandle) {
    // Nothing was locked and the driver has seen nothing: give everything back.
    release();
    device.CloseHandle(control);
    return false;
  }

  // 12. Report after every wait, whether it timed out or the worker ended. Each step ends
  // kWorkerWaitStepMs after the previous report began, so the time a report itself takes
  // does not stretch the interval between check points that the manager sees.
  for (;;) {
    const std::uint32_t sinceReport = platform_.clock.Milliseconds() - lastReportAt_;
    const std::uint32_t step =
        sinceReport < kWorkerWaitStepMs ? kWorkerWaitStepMs - sinceReport : 0;
    const std::uint32_t result = threads.WaitForSingleObject(worker, step);
    ReportStartPending(status, handle);
    if (result == wait::kObject0) break;
    // A failed wait must not turn into a busy loop; the worker still reads the record.
    if (result != wait::kTimeout) threads.Sleep(kWorkerWaitStepMs);
  }

  // 13.
  std::uint32_t code = 0;
  const bool fetched = threads.GetExitCodeThread(worker, &code, &error);
  threads.CloseHandle(worker);
  if (!fetched) {
    ShowError(msg::kNoWorkerResult);
    unlock();
    release();
    device.CloseHandle(control);
    return false;
  }
  if (code == 0) {
    // The driver owns the buffer now; it stays committed and locked.
    device.CloseHandle(control);
    heldBuffer_ = buffer;
    return true;
  }
  if (code == kWorkerLockFailed) {
    ShowError(msg::kLockFailed);
    release();
    device.CloseHandle(control);
    return false;
  }
  ShowError(msg::kFinalInitFailed);
  unlock();
  release();
  device.CloseHandle(control);
  return false;
}

}  // namespace ql::alloc
