// Portable vocabulary shared by the core and both platform implementations: the handle
// kinds, status codes and constants the programs need, with the values Win32 gives them.
// The core never includes <windows.h>; the Win32 implementation checks these values
// against the real headers at compile time.
#pragma once

#include <cstdint>

namespace ql {

// A Win32 error code (GetLastError, or the LONG a registry call returns). 0 is success.
using Status = std::uint32_t;

// Opaque handle values. They are plain integers so that the sim can hand out recognisable
// numbers and the hand-over record can carry a handle's 32-bit value.
using Handle = std::uintptr_t;     // HANDLE
using HKey = std::uintptr_t;       // HKEY
using WindowRef = std::uintptr_t;  // HWND (non-owning)

inline constexpr Handle kNullHandle = 0;
inline constexpr Handle kInvalidHandle = ~static_cast<Handle>(0);  // INVALID_HANDLE_VALUE
inline constexpr WindowRef kNoWindow = 0;

// Predefined keys.
inline constexpr HKey kHkeyClassesRoot = 0x80000000u;
inline constexpr HKey kHkeyCurrentUser = 0x80000001u;
inline constexpr HKey kHkeyLocalMachine = 0x80000002u;
inline constexpr HKey kHkeyUsers = 0x80000003u;

namespace err {
inline constexpr Status kSuccess = 0;
inline constexpr Status kInvalidFunction = 1;
inline constexpr Status kFileNotFound = 2;
inline constexpr Status kPathNotFound = 3;
inline constexpr Status kAccessDenied = 5;
inline constexpr Status kInvalidHandle = 6;
inline constexpr Status kNotEnoughMemory = 8;
inline constexpr Status kOutOfMemory = 14;
inline constexpr Status kNotReady = 21;
inline constexpr Status kGenFailure = 31;
inline constexpr Status kInvalidParameter = 87;
inline constexpr Status kInsufficientBuffer = 122;
inline constexpr Status kLockFailed = 167;
inline constexpr Status kAlreadyExists = 183;
inline constexpr Status kMoreData = 234;
inline constexpr Status kNoMoreItems = 259;
inline constexpr Status kNoToken = 1008;
inline constexpr Status kServiceRequestTimeout = 1053;
inline constexpr Status kServiceCannotAcceptCtrl = 1061;
inline constexpr Status kServiceDoesNotExist = 1060;
inline constexpr Status kServiceExists = 1073;
inline constexpr Status kFailedServiceControllerConnect = 1063;
inline constexpr Status kWorkingSetQuota = 1453;
}  // namespace err

// Registry value types.
namespace reg {
inline constexpr std::uint32_t kNone = 0;
inline constexpr std::uint32_t kSz = 1;
inline constexpr std::uint32_t kExpandSz = 2;
inline constexpr std::uint32_t kBinary = 3;
inline constexpr std::uint32_t kDword = 4;
inline constexpr std::uint32_t kMultiSz = 7;

inline constexpr std::uint32_t kOptionNonVolatile = 0;
inline constexpr std::uint32_t kCreatedNewKey = 1;
inline constexpr std::uint32_t kOpenedExistingKey = 2;

// Access masks.
inline constexpr std::uint32_t kQueryValue = 0x0001;
inline constexpr std::uint32_t kSetValue = 0x0002;
inline constexpr std::uint32_t kRead = 0x20019;
inline constexpr std::uint32_t kWrite = 0x20006;
inline constexpr std::uint32_t kAllAccess = 0xF003F;
}  // namespace reg

// CreateFileA and friends.
namespace file {
inline constexpr std::uint32_t kGenericRead = 0x80000000u;
inline constexpr std::uint32_t kGenericWrite = 0x40000000u;
inline constexpr std::uint32_t kShareRead = 0x1;
inline constexpr std::uint32_t kShareWrite = 0x2;
inline constexpr std::uint32_t kOpenExisting = 3;
}  // namespace file

// Memory.
namespace mem {
inline constexpr std::uint32_t kCommit = 0x1000;
inline constexpr std::uint32_t kReserve = 0x2000;
inline constexpr std::uint32_t kRelease = 0x8000;
inline constexpr std::uint32_t kPageExecuteReadWrite = 0x40;
inline constexpr std::uint32_t kPageReadWrite = 0x04;
}  // namespace mem

// Waits.
namespace wait {
inline constexpr std::uint32_t kInfinite = 0xFFFFFFFFu;
inline constexpr std::uint32_t kObject0 = 0;
inline constexpr std::uint32_t kTimeout = 258;
inline constexpr std::uint32_t kFailed = 0xFFFFFFFFu;
inline constexpr std::uint32_t kStillActive = 259;  // GetExitCodeThread of a running thread
}  // namespace wait

// Message boxes.
namespace mb {
inline constexpr std::uint32_t kOk = 0x0;
inline constexpr std::uint32_t kOkCancel = 0x1;
inline constexpr std::uint32_t kYesNo = 0x4;
inline constexpr std::uint32_t kIconHand = 0x10;  // MB_ICONERROR / MB_ICONSTOP
inline constexpr std::uint32_t kIconQuestion = 0x20;
inline constexpr std::uint32_t kIconExclamation = 0x30;
inline constexpr std::uint32_t kIconAsterisk = 0x40;  // MB_ICONINFORMATION
inline constexpr std::uint32_t kSystemModal = 0x1000;
inline constexpr std::uint32_t kTaskModal = 0x2000;
inline constexpr std::uint32_t kSetForeground = 0x10000;
inline constexpr std::uint32_t kTopmost = 0x40000;
inline constexpr std::uint32_t kServiceNotification = 0x00200000;  // NT 4 value
// Answers.
inline constexpr int kIdOk = 1;
inline constexpr int kIdCancel = 2;
inline constexpr int kIdYes = 6;
inline constexpr int kIdNo = 7;
}  // namespace mb

// ShowWindow commands.
namespace sw {
inline constexpr int kHide = 0;
inline constexpr int kShowNormal = 1;
inline constexpr int kShowMaximized = 3;
inline constexpr int kShow = 5;
inline constexpr int kRestore = 9;
}  // namespace sw

}  // namespace ql
