// The allocator service QlAlloc: at every boot it asks the cache driver how much user-mode
// memory it wants, commits and locks that buffer in this process, hands it to the driver with
// IOCTL_OV_FINAL_INIT and holds it until the process ends. Status goes to the service control
// manager, failures to message boxes without owner.
#pragma once

#include <atomic>
#include <cstdint>
#include <string_view>

#include "allocsvc/progress_dialog.h"
#include "common/driver_control.h"
#include "platform/platform.h"

namespace ql::alloc {

inline constexpr char kServiceName[] = "QlAlloc";

// Own process (0x10) allowed to interact with the desktop (0x100).
inline constexpr std::uint32_t kServiceType = 0x110;
inline constexpr std::uint32_t kWaitHintMs = 3000;
// Added to the buffer size to give the working-set minimum and maximum, so that the whole
// buffer can be locked on top of what the program itself needs resident.
inline constexpr std::uint32_t WorkingSetHeadroom = 0x200000;
// The hand-over worker is waited for in steps that end this long after the previous report,
// so that START_PENDING with a rising check point goes out well inside each 3000 ms wait hint.
inline constexpr std::uint32_t kWorkerWaitStepMs = 2000;
// How long the dialog stays after RUNNING, and how long STOP_PENDING lasts.
inline constexpr std::uint32_t kSettleMs = 1000;

// Worker result besides 0 (success) and the failed request's own error code.
inline constexpr std::uint32_t kWorkerLockFailed = err::kLockFailed;
// Win32 exit code reported when initialisation failed.
inline constexpr std::uint32_t kInitFailedExitCode = err::kGenFailure;

inline constexpr char kErrorCaption[] = "Quillon-NT Initialization Error";
namespace msg {
inline constexpr char kNoServiceManager[] = "Unable to connect to Service Control Manager";
inline constexpr char kNoDeviceHandle[] = "Could not get Quillon-NT device handle";
inline constexpr char kQuerySizeFailed[] = "IOCTL_OV_QUERY_SIZE failed";
inline constexpr char kFinalInitFailed[] = "IOCTL_OV_FINAL_INIT failed";
inline constexpr char kWorkingSetFailed[] = "SetProcessWorkingSetSize() failed";
inline constexpr char kAllocationFailed[] = "Buffer allocation attempt failed";
inline constexpr char kNoWorkerResult[] = "Asynchronous IOCTL call apparently failed";
inline constexpr char kLockFailed[] = "Buffer pages could not be locked";
inline constexpr char kInitFailed[] = "Error during driver initialization";
}  // namespace msg

// The one status record of the process. The service thread and the control handler (on the
// dispatcher thread) both report through it; each report is built under a short lock and
// sent as one whole copy, so no report mixes the fields of two. The check point is a
// process-wide counter: it is incremented before every report and never reset.
class ServiceStatus {
 public:
  // Zeroes every field except the check point, then sets the service type.
  void Clear(std::uint32_t serviceType);
  void SetWin32ExitCode(std::uint32_t code);
  // Sets state and wait hint, increments the check point; returns the record to report.
  ServiceStatusRecord Advance(std::uint32_t state, std::uint32_t waitHint);
  // Increments the check point only (the answer to an interrogation).
  ServiceStatusRecord Touch();
  ServiceStatusRecord Snapshot() const;

 private:
  class Guard;
  mutable std::atomic_flag busy_;
  ServiceStatusRecord record_{};
};

// Reads Start and DosDevice from the driver's keys. True with the first byte of DosDevice in
// *letter when the driver is installed, not disabled (Start 0 to 3) and configured; every key
// opened is closed again.
bool ReadDriverSettings(Registry& registry, char* letter);

// The hand-over thread's work: lock the buffer, then send IOCTL_OV_FINAL_INIT with the record.
// 0 on success, kWorkerLockFailed when the lock failed, otherwise the request's error code.
std::uint32_t HandOverWorker(Memory& memory, Device& device, const OV_BUFFER_INFO& record);

class AllocService {
 public:
  AllocService(Platform& platform, ProgressDialogHost& dialog);
  AllocService(const AllocService&) = delete;
  AllocService& operator=(const AllocService&) = delete;

  // The program: creates StopEvent, runs the service dispatcher and returns 0. When the
  // service ran, it returns only after AllocServiceMain has finished, so a message box the
  // service shows after its final STOPPED report stays until it is dismissed.
  int RunProgram();

  // The service entry registered under "QlAlloc".
  void AllocServiceMain();

  // The control handler: STOP wakes the service thread, INTERROGATE reports the record again.
  void AllocControlHandler(std::uint32_t control);

  // Steps 1 to 13 of the allocation sequence. True on success (including "driver not set
  // up": the service then idles without touching the device).
  bool RunAllocationSequence(ServiceStatus& status, ServiceStatusHandle handle,
                             std::uint32_t headroom);

  void ReportStartPending(ServiceStatus& status, ServiceStatusHandle handle);

  // The device handle kept open after a zero-size hand-over; kInvalidHandle otherwise.
  Handle HeldDevice() const { return heldDevice_; }
  // The committed and locked buffer held after a successful hand-over; 0 otherwise.
  Address HeldBuffer() const { return heldBuffer_; }

  const ServiceStatus& CurrentStatus() const { return status_; }

 private:
  void Report(ServiceStatus& status, ServiceStatusHandle handle, std::uint32_t state,
              std::uint32_t waitHint);
  void ShowError(std::string_view text);
  bool HandOver(ServiceStatus& status, ServiceStatusHandle handle, Handle device, Address buffer,
                std::uint32_t size);
  void WaitForStop();

  Platform& platform_;
  ProgressDialogHost& dialog_;
  ServiceStatus status_;
  std::atomic<ServiceStatusHandle> statusHandle_{0};
  Handle stopEvent_ = kNullHandle;
  Handle heldDevice_ = kInvalidHandle;
  Address heldBuffer_ = 0;
  // When the service thread's latest report began (Clock milliseconds).
  std::uint32_t lastReportAt_ = 0;
};

}  // namespace ql::alloc
