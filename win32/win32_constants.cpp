// The portable headers carry the Win32 values the programs need so that the core compiles
// without <windows.h>. Here every one of them is compared with the real headers: a wrong value
// would pass every unit test against the sim and fail only on the real machine.
#include <cstddef>

#include "platform/files.h"
#include "platform/platform.h"
#include "win32/win32_windows.h"

namespace ql::win32 {
namespace {

template <typename Ours, typename Theirs>
constexpr bool Same(Ours ours, Theirs theirs) {
  return static_cast<unsigned long long>(ours) ==
         static_cast<unsigned long long>(static_cast<unsigned long>(theirs));
}

// Handles and keys travel as integers wide enough for a pointer.
static_assert(sizeof(Handle) == sizeof(HANDLE));
static_assert(sizeof(HKey) == sizeof(HKEY));
static_assert(sizeof(WindowRef) == sizeof(HWND));
static_assert(sizeof(Status) == sizeof(DWORD));
static_assert(sizeof(Address) == sizeof(LPVOID));
static_assert(sizeof(ServiceStatusHandle) == sizeof(SERVICE_STATUS_HANDLE));
static_assert(sizeof(ScHandle) == sizeof(SC_HANDLE));
static_assert(sizeof(SidRef) == sizeof(PSID));

// The records copied field by field into the system's own.
static_assert(sizeof(ServiceStatusRecord) == sizeof(SERVICE_STATUS));
static_assert(sizeof(MemoryStatus) == sizeof(MEMORYSTATUS));
static_assert(MemoryStatus{}.length == sizeof(MEMORYSTATUS));

// Status codes.
static_assert(Same(err::kSuccess, ERROR_SUCCESS));
static_assert(Same(err::kInvalidFunction, ERROR_INVALID_FUNCTION));
static_assert(Same(err::kFileNotFound, ERROR_FILE_NOT_FOUND));
static_assert(Same(err::kPathNotFound, ERROR_PATH_NOT_FOUND));
static_assert(Same(err::kAccessDenied, ERROR_ACCESS_DENIED));
static_assert(Same(err::kInvalidHandle, ERROR_INVALID_HANDLE));
static_assert(Same(err::kNotEnoughMemory, ERROR_NOT_ENOUGH_MEMORY));
static_assert(Same(err::kOutOfMemory, ERROR_OUTOFMEMORY));
static_assert(Same(err::kNotReady, ERROR_NOT_READY));
static_assert(Same(err::kGenFailure, ERROR_GEN_FAILURE));
static_assert(Same(err::kInvalidParameter, ERROR_INVALID_PARAMETER));
static_assert(Same(err::kInsufficientBuffer, ERROR_INSUFFICIENT_BUFFER));
static_assert(Same(err::kLockFailed, ERROR_LOCK_FAILED));
static_assert(Same(err::kAlreadyExists, ERROR_ALREADY_EXISTS));
static_assert(Same(err::kMoreData, ERROR_MORE_DATA));
static_assert(Same(err::kNoMoreItems, ERROR_NO_MORE_ITEMS));
static_assert(Same(err::kNoToken, ERROR_NO_TOKEN));
static_assert(Same(err::kServiceRequestTimeout, ERROR_SERVICE_REQUEST_TIMEOUT));
static_assert(Same(err::kServiceCannotAcceptCtrl, ERROR_SERVICE_CANNOT_ACCEPT_CTRL));
static_assert(Same(err::kServiceDoesNotExist, ERROR_SERVICE_DOES_NOT_EXIST));
static_assert(Same(err::kServiceExists, ERROR_SERVICE_EXISTS));
static_assert(Same(err::kFailedServiceControllerConnect, ERROR_FAILED_SERVICE_CONTROLLER_CONNECT));
static_assert(Same(err::kWorkingSetQuota, ERROR_WORKING_SET_QUOTA));

// Registry.
static_assert(Same(reg::kNone, REG_NONE));
static_assert(Same(reg::kSz, REG_SZ));
static_assert(Same(reg::kExpandSz, REG_EXPAND_SZ));
static_assert(Same(reg::kBinary, REG_BINARY));
static_assert(Same(reg::kDword, REG_DWORD));
static_assert(Same(reg::kMultiSz, REG_MULTI_SZ));
static_assert(Same(reg::kOptionNonVolatile, REG_OPTION_NON_VOLATILE));
static_assert(Same(reg::kCreatedNewKey, REG_CREATED_NEW_KEY));
static_assert(Same(reg::kOpenedExistingKey, REG_OPENED_EXISTING_KEY));
static_assert(Same(reg::kQueryValue, KEY_QUERY_VALUE));
static_assert(Same(reg::kSetValue, KEY_SET_VALUE));
static_assert(Same(reg::kRead, KEY_READ));
static_assert(Same(reg::kWrite, KEY_WRITE));
static_assert(Same(reg::kAllAccess, KEY_ALL_ACCESS));

// Files.
static_assert(Same(file::kGenericRead, GENERIC_READ));
static_assert(Same(file::kGenericWrite, GENERIC_WRITE));
static_assert(Same(file::kShareRead, FILE_SHARE_READ));
static_assert(Same(file::kShareWrite, FILE_SHARE_WRITE));
static_assert(Same(file::kOpenExisting, OPEN_EXISTING));

// Memory.
static_assert(Same(mem::kCommit, MEM_COMMIT));
static_assert(Same(mem::kReserve, MEM_RESERVE));
static_assert(Same(mem::kRelease, MEM_RELEASE));
static_assert(Same(mem::kPageExecuteReadWrite, PAGE_EXECUTE_READWRITE));
static_assert(Same(mem::kPageReadWrite, PAGE_READWRITE));

// Waits.
static_assert(Same(wait::kInfinite, INFINITE));
static_assert(Same(wait::kObject0, WAIT_OBJECT_0));
static_assert(Same(wait::kTimeout, WAIT_TIMEOUT));
static_assert(Same(wait::kFailed, WAIT_FAILED));
static_assert(Same(wait::kStillActive, STILL_ACTIVE));

// Message boxes.
static_assert(Same(mb::kOk, MB_OK));
static_assert(Same(mb::kOkCancel, MB_OKCANCEL));
static_assert(Same(mb::kYesNo, MB_YESNO));
static_assert(Same(mb::kIconHand, MB_ICONHAND));
static_assert(Same(mb::kIconHand, MB_ICONERROR));
static_assert(Same(mb::kIconQuestion, MB_ICONQUESTION));
static_assert(Same(mb::kIconExclamation, MB_ICONEXCLAMATION));
static_assert(Same(mb::kIconAsterisk, MB_ICONASTERISK));
static_assert(Same(mb::kIconAsterisk, MB_ICONINFORMATION));
static_assert(Same(mb::kSystemModal, MB_SYSTEMMODAL));
static_assert(Same(mb::kTaskModal, MB_TASKMODAL));
static_assert(Same(mb::kSetForeground, MB_SETFOREGROUND));
static_assert(Same(mb::kTopmost, MB_TOPMOST));
static_assert(Same(mb::kServiceNotification, MB_SERVICE_NOTIFICATION));
static_assert(mb::kIdOk == IDOK);
static_assert(mb::kIdCancel == IDCANCEL);
static_assert(mb::kIdYes == IDYES);
static_assert(mb::kIdNo == IDNO);

// ShowWindow.
static_assert(sw::kHide == SW_HIDE);
static_assert(sw::kShowNormal == SW_SHOWNORMAL);
static_assert(sw::kShowMaximized == SW_SHOWMAXIMIZED);
static_assert(sw::kShow == SW_SHOW);
static_assert(sw::kRestore == SW_RESTORE);

// Drives.
static_assert(Same(drive::kUnknown, DRIVE_UNKNOWN));
static_assert(Same(drive::kNoRootDir, DRIVE_NO_ROOT_DIR));
static_assert(Same(drive::kRemovable, DRIVE_REMOVABLE));
static_assert(Same(drive::kFixed, DRIVE_FIXED));
static_assert(Same(drive::kRemote, DRIVE_REMOTE));
static_assert(Same(drive::kCdrom, DRIVE_CDROM));
static_assert(Same(drive::kRamdisk, DRIVE_RAMDISK));

// Event log.
static_assert(Same(evt::kError, EVENTLOG_ERROR_TYPE));
static_assert(Same(evt::kWarning, EVENTLOG_WARNING_TYPE));
static_assert(Same(evt::kInformation, EVENTLOG_INFORMATION_TYPE));
// OsVersion::platformId names the NT platform by this number.
static_assert(VER_PLATFORM_WIN32_NT == 2);

// Security.
static_assert(Same(sec::kTokenQuery, TOKEN_QUERY));
static_assert(Same(sec::kGroupEnabled, SE_GROUP_ENABLED));
static_assert(Same(sec::kGroupUseForDenyOnly, SE_GROUP_USE_FOR_DENY_ONLY));
static_assert(Same(sec::kBuiltinDomainRid, SECURITY_BUILTIN_DOMAIN_RID));
static_assert(Same(sec::kAliasRidAdmins, DOMAIN_ALIAS_RID_ADMINS));
constexpr SID_IDENTIFIER_AUTHORITY kNtAuthority = SECURITY_NT_AUTHORITY;
constexpr bool SameAuthority() {
  for (std::size_t i = 0; i < sec::kNtAuthority.size(); ++i) {
    if (sec::kNtAuthority[i] != kNtAuthority.Value[i]) return false;
  }
  return true;
}
static_assert(SameAuthority());

// Services.
static_assert(Same(svc::kStopped, SERVICE_STOPPED));
static_assert(Same(svc::kStartPending, SERVICE_START_PENDING));
static_assert(Same(svc::kStopPending, SERVICE_STOP_PENDING));
static_assert(Same(svc::kRunning, SERVICE_RUNNING));
static_assert(Same(svc::kControlStop, SERVICE_CONTROL_STOP));
static_assert(Same(svc::kControlPause, SERVICE_CONTROL_PAUSE));
static_assert(Same(svc::kControlContinue, SERVICE_CONTROL_CONTINUE));
static_assert(Same(svc::kControlInterrogate, SERVICE_CONTROL_INTERROGATE));
static_assert(Same(svc::kControlShutdown, SERVICE_CONTROL_SHUTDOWN));
static_assert(Same(svc::kKernelDriver, SERVICE_KERNEL_DRIVER));
static_assert(Same(svc::kWin32OwnProcess, SERVICE_WIN32_OWN_PROCESS));
static_assert(Same(svc::kInteractiveProcess, SERVICE_INTERACTIVE_PROCESS));
static_assert(Same(svc::kBootStart, SERVICE_BOOT_START));
static_assert(Same(svc::kSystemStart, SERVICE_SYSTEM_START));
static_assert(Same(svc::kAutoStart, SERVICE_AUTO_START));
static_assert(Same(svc::kDemandStart, SERVICE_DEMAND_START));
static_assert(Same(svc::kDisabled, SERVICE_DISABLED));
static_assert(Same(svc::kErrorNormal, SERVICE_ERROR_NORMAL));
static_assert(Same(svc::kScManagerAllAccess, SC_MANAGER_ALL_ACCESS));
static_assert(Same(svc::kServiceAllAccess, SERVICE_ALL_ACCESS));

// The log files' calls.
static_assert(Same(file::kOpenAlways, OPEN_ALWAYS));
static_assert(Same(err::kSharingViolation, ERROR_SHARING_VIOLATION));
static_assert(Same(err::kDiskFull, ERROR_DISK_FULL));

}  // namespace
}  // namespace ql::win32
