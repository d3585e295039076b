// Runs each real service once against the system it is started on (Wine in the test bed) and
// checks what the unit tests cannot: that the integers we carry are the system's handles and
// keys, that the status codes come back as the system gives them, and that the decoded token
// and the out-parameter rules hold on a real implementation. No window is shown.
//
// Prints one line per check and closes with "N passed, N failed"; the exit code is the number
// of failures.
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "win32/win32_machine.h"
#include "win32/win32_windows.h"

namespace {

int g_passed = 0;
int g_failed = 0;

void Check(bool ok, const char* what) {
  if (ok) {
    ++g_passed;
    std::printf("ok   %s\n", what);
  } else {
    ++g_failed;
    std::printf("FAIL %s\n", what);
  }
}

constexpr const char* kScratchKey = "Software\\QuillonSmokeTest";

void CheckHandleValues() {
  Check(ql::win32::ToNative<HKEY>(ql::kHkeyLocalMachine) == HKEY_LOCAL_MACHINE,
        "kHkeyLocalMachine is HKEY_LOCAL_MACHINE");
  Check(ql::win32::ToNative<HKEY>(ql::kHkeyCurrentUser) == HKEY_CURRENT_USER,
        "kHkeyCurrentUser is HKEY_CURRENT_USER");
  Check(ql::win32::ToNative<HKEY>(ql::kHkeyClassesRoot) == HKEY_CLASSES_ROOT,
        "kHkeyClassesRoot is HKEY_CLASSES_ROOT");
  Check(ql::win32::ToNative<HKEY>(ql::kHkeyUsers) == HKEY_USERS, "kHkeyUsers is HKEY_USERS");
  Check(ql::win32::ToNative<HANDLE>(ql::kInvalidHandle) == INVALID_HANDLE_VALUE,
        "kInvalidHandle is INVALID_HANDLE_VALUE");
}

void CheckRegistry(ql::Registry& registry) {
  ql::HKey key = 0;
  std::uint32_t disposition = 0;
  ql::Status status = registry.CreateKey(ql::kHkeyCurrentUser, kScratchKey, "", 0,
                                         ql::reg::kAllAccess, &key, &disposition);
  Check(status == ql::err::kSuccess && key != 0, "CreateKey opens a scratch key");
  Check(disposition == ql::reg::kCreatedNewKey || disposition == ql::reg::kOpenedExistingKey,
        "CreateKey reports its disposition");
  ql::ScopedKey scoped(registry, key);

  const std::uint32_t number = 0x12345678;
  std::uint8_t bytes[4];
  std::memcpy(bytes, &number, sizeof(bytes));
  Check(registry.SetValue(key, "Number", ql::reg::kDword, bytes, 4) == ql::err::kSuccess,
        "SetValue stores a DWORD");
  const char text[] = "C:";
  Check(registry.SetValue(key, "Text", ql::reg::kSz, reinterpret_cast<const std::uint8_t*>(text),
                          3) == ql::err::kSuccess,
        "SetValue stores a string");

  std::uint32_t type = 0;
  std::uint8_t read[8] = {};
  std::uint32_t size = sizeof(read);
  status = registry.QueryValue(key, "Number", &type, read, &size);
  std::uint32_t back = 0;
  std::memcpy(&back, read, sizeof(back));
  Check(status == ql::err::kSuccess && type == ql::reg::kDword && size == 4 && back == number,
        "QueryValue reads the DWORD back with its type and size");

  // Too small a buffer: kMoreData with the length needed, the buffer left as it was.
  std::uint8_t small[2] = {0xAA, 0xBB};
  size = sizeof(small);
  status = registry.QueryValue(key, "Number", nullptr, small, &size);
  Check(status == ql::err::kMoreData && size == 4, "QueryValue reports kMoreData and the size");
  Check(small[0] == 0xAA && small[1] == 0xBB, "a failed QueryValue leaves the buffer untouched");

  size = 0;
  status = registry.QueryValue(key, "Number", nullptr, small, &size);
  Check(status == ql::err::kMoreData && size == 4,
        "a zero-sized buffer is too small, not a question for the size");

  size = 0;
  status = registry.QueryValue(key, "Text", &type, nullptr, &size);
  Check(status == ql::err::kSuccess && type == ql::reg::kSz && size == 3,
        "QueryValue without a buffer gives the string's length");

  type = 99;
  size = sizeof(read);
  status = registry.QueryValue(key, "Missing", &type, read, &size);
  Check(status == ql::err::kFileNotFound && type == 99 && size == sizeof(read),
        "a missing value is kFileNotFound and leaves type and size alone");

  ql::HKey other = 0;
  status = registry.OpenKey(ql::kHkeyCurrentUser, "Software\\QuillonSmokeTest\\NotThere",
                            ql::reg::kRead, &other);
  Check(status == ql::err::kFileNotFound && other == 0,
        "OpenKey of a missing key is kFileNotFound");

  scoped.Close();
  Check(::RegDeleteKeyA(HKEY_CURRENT_USER, kScratchKey) == ERROR_SUCCESS,
        "the scratch key is closed and removed");
}

void CheckThreads(ql::Threads& threads) {
  ql::Status error = 0;
  int ran = 0;
  ql::Handle thread = threads.CreateThread(
      [&ran]() -> std::uint32_t {
        ran = 1;
        return 42;
      },
      &error);
  Check(thread != 0, "CreateThread starts a thread");
  Check(threads.WaitForSingleObject(thread, ql::wait::kInfinite) == ql::wait::kObject0,
        "the thread ends");
  std::uint32_t code = 0;
  Check(threads.GetExitCodeThread(thread, &code, &error) && code == 42 && ran == 1,
        "GetExitCodeThread gives the procedure's result");
  Check(threads.CloseHandle(thread), "the thread handle closes");

  ql::Handle event = threads.CreateEvent(true, false, &error);
  Check(event != 0, "CreateEvent");
  Check(threads.WaitForSingleObject(event, 0) == ql::wait::kTimeout, "an unset event times out");
  Check(threads.SetEvent(event) && threads.WaitForSingleObject(event, 0) == ql::wait::kObject0,
        "a set manual-reset event is signalled");
  Check(threads.ResetEvent(event) && threads.WaitForSingleObject(event, 0) == ql::wait::kTimeout,
        "ResetEvent clears it");
  threads.CloseHandle(event);

  error = 99;
  ql::Handle first = threads.CreateMutex(false, "QuillonSmokeMutex", &error);
  Check(first != 0 && error == ql::err::kSuccess, "a new named mutex reports success");
  ql::Handle second = threads.CreateMutex(false, "QuillonSmokeMutex", &error);
  Check(second != 0 && error == ql::err::kAlreadyExists,
        "the same name again reports kAlreadyExists");
  threads.CloseHandle(second);
  threads.CloseHandle(first);
}

void CheckSecurity(ql::Security& security) {
  ql::Handle token = 0;
  Check(security.OpenThreadToken(ql::sec::kTokenQuery, true, &token) == ql::err::kNoToken &&
            token == 0,
        "a thread without impersonation has no token");
  Check(security.OpenProcessToken(ql::sec::kTokenQuery, &token) == ql::err::kSuccess && token != 0,
        "OpenProcessToken");
  std::uint32_t size = 0;
  Check(security.GetTokenGroupsSize(token, &size) == ql::err::kInsufficientBuffer && size > 0,
        "asking the size of the groups reports kInsufficientBuffer and the size");
  std::vector<ql::TokenGroup> groups;
  Check(security.GetTokenGroups(token, size, &groups) == ql::err::kSuccess && !groups.empty(),
        "GetTokenGroups decodes the groups");

  std::vector<ql::TokenGroup> untouched{ql::TokenGroup{}};
  Check(security.GetTokenGroups(token, 4, &untouched) == ql::err::kInsufficientBuffer &&
            untouched.size() == 1,
        "too small a buffer fails and leaves the list alone");

  ql::SidRef admins = 0;
  Check(security.AllocateAndInitializeSid(ql::sec::kNtAuthority,
                                          {ql::sec::kBuiltinDomainRid, ql::sec::kAliasRidAdmins},
                                          &admins) == ql::err::kSuccess &&
            admins != 0,
        "AllocateAndInitializeSid");
  const ql::Sid adminsPortable{ql::sec::kNtAuthority,
                               {ql::sec::kBuiltinDomainRid, ql::sec::kAliasRidAdmins}};
  Check(security.EqualSid(admins, adminsPortable), "EqualSid of the same SID in portable form");
  Check(!security.EqualSid(admins, ql::Sid{ql::sec::kNtAuthority, {ql::sec::kBuiltinDomainRid}}),
        "EqualSid tells a different SID apart");
  bool anyMatches = false;
  for (const ql::TokenGroup& group : groups) anyMatches |= security.EqualSid(admins, group.sid);
  Check(anyMatches, "the test bed's user is in the administrators group");
  security.FreeSid(admins);
  Check(security.CloseToken(token), "the token closes");
}

void CheckMemory(ql::Memory& memory) {
  ql::MemoryStatus status;
  memory.GlobalMemoryStatus(&status);
  Check(status.totalPhys > 0 && status.availPhys <= status.totalPhys,
        "GlobalMemoryStatus gives physical memory");
  // The tuning engine reads these figures as signed 32-bit numbers; a program linked large
  // address aware would see up to 4 GiB - 1 here.
  Check(status.totalPhys <= 0x7FFFFFFFu, "physical memory fits a signed 32-bit figure");

  ql::Status error = 0;
  const std::uint32_t size = 64 * 1024;
  ql::Address block =
      memory.VirtualAlloc(0, size, ql::mem::kCommit, ql::mem::kPageReadWrite, &error);
  Check(block != 0, "VirtualAlloc commits a block");
  Check(memory.VirtualLock(block, size, &error), "VirtualLock");
  Check(memory.VirtualUnlock(block, size, &error), "VirtualUnlock");
  Check(memory.VirtualFree(block, 0, ql::mem::kRelease, &error), "VirtualFree");
  memory.CompactHeaps();
}

void CheckDisks(ql::Disks& disks) {
  char drives[256] = {};
  const std::uint32_t length = disks.GetLogicalDriveStrings(sizeof(drives), drives);
  Check(length > 0 && length < sizeof(drives), "GetLogicalDriveStrings");
  bool hasC = false;
  for (const char* p = drives; *p != '\0'; p += std::strlen(p) + 1)
    hasC |= std::strcmp(p, "C:\\") == 0;
  Check(hasC, "drive C: is listed");
  Check(disks.GetDriveType("C:\\") == ql::drive::kFixed, "C: is a fixed drive");
  ql::DiskFreeSpace space;
  ql::Status error = 0;
  Check(disks.GetDiskFreeSpace("C:\\", &space, &error) && space.bytesPerSector > 0,
        "GetDiskFreeSpace");
  std::uint32_t serial = 0;
  char fileSystem[32] = {};
  Check(disks.GetVolumeInformation("C:\\", nullptr, 0, &serial, nullptr, nullptr, fileSystem,
                                   sizeof(fileSystem), &error),
        "GetVolumeInformation");
  char target[512] = {};
  Check(disks.QueryDosDevice("C:", target, sizeof(target), &error) > 0 &&
            std::strncmp(target, "\\Device\\", 8) == 0,
        "QueryDosDevice names a device");
  char windows[260] = {};
  const std::uint32_t windowsLength = disks.GetWindowsDirectory(windows, sizeof(windows));
  Check(windowsLength > 0 && windowsLength == std::strlen(windows), "GetWindowsDirectory");
  char tiny[2] = {};
  Check(disks.GetWindowsDirectory(tiny, sizeof(tiny)) == windowsLength + 1,
        "GetWindowsDirectory reports the size needed with its NUL");
}

void CheckIdentity(ql::EventLog& eventLog) {
  char name[256] = {};
  std::uint32_t size = sizeof(name);
  ql::Status error = 0;
  Check(eventLog.GetUserName(name, &size, &error) && size == std::strlen(name) + 1,
        "GetUserName counts the NUL");
  char tiny[1] = {};
  std::uint32_t tinySize = sizeof(tiny);
  Check(!eventLog.GetUserName(tiny, &tinySize, &error) && error == ql::err::kInsufficientBuffer &&
            tinySize == size,
        "GetUserName reports the room needed");
  ql::OsVersion version;
  Check(eventLog.GetVersion(&version) && version.platformId == 2, "GetVersion says NT");
}

void CheckServicesAndDevice(ql::ServiceControl& services, ql::Device& device) {
  ql::Status error = 0;
  bool ran = false;
  Check(!services.StartDispatcher(
            "QuillonSmoke", [&ran] { ran = true; }, &error) &&
            error == ql::err::kFailedServiceControllerConnect && !ran,
        "the dispatcher refuses a program that the service manager did not start");

  error = 0;
  ql::ScHandle manager =
      services.OpenManager(nullptr, nullptr, ql::svc::kScManagerAllAccess, &error);
  Check(manager != 0, "OpenManager");
  if (manager != 0) Check(services.CloseServiceHandle(manager), "CloseServiceHandle");

  error = 0;
  ql::Handle handle = device.CreateFile("\\\\.\\QuillonNoSuchDevice", ql::file::kGenericRead, 0,
                                        ql::file::kOpenExisting, 0, &error);
  Check(handle == ql::kInvalidHandle && error == ql::err::kFileNotFound,
        "opening a missing device gives kInvalidHandle and kFileNotFound");
}

}  // namespace

// The shipped programs format through msvcrt (win32/lean_runtime.cpp): C99's length
// modifiers, widths, termination and the returned length must come out as the C library's.
void CheckFormatting() {
  char text[64];
  int n = std::snprintf(text, sizeof text, "%llu|%lld|%zu|%u", 1099511627776ULL, -5LL,
                        static_cast<std::size_t>(7), 4294967295u);
  Check(n == 29 && std::strcmp(text, "1099511627776|-5|7|4294967295") == 0,
        "snprintf formats 64-bit, size_t and unsigned numbers");
  n = std::snprintf(text, sizeof text, "[%-4s][%12d][%c][%%][%04x][%.2s]", "ab", -42, 'Z', 0xbe,
                    "xyz");
  Check(n == 36 && std::strcmp(text, "[ab  ][         -42][Z][%][00be][xy]") == 0,
        "snprintf keeps flags, widths and precisions");
  std::memset(text, 'x', sizeof text);
  n = std::snprintf(text, 5, "%s", "abcdefgh");
  Check(n == 8 && std::strcmp(text, "abcd") == 0 && text[5] == 'x',
        "a truncated snprintf is terminated and returns the whole length");
  n = std::snprintf(text, 4, "%s", "abcd");
  Check(n == 4 && std::strcmp(text, "abc") == 0, "a text one longer than the buffer is cut");
  n = std::snprintf(nullptr, 0, "%d-%s", 123, std::string(1000, 'q').c_str());
  Check(n == 1004, "snprintf into no buffer returns the length needed");
  std::string long_format(600, 'f');
  long_format += "%llu";
  n = std::snprintf(text, sizeof text, long_format.c_str(), 12ULL);
  Check(n == 602 && std::strlen(text) == sizeof text - 1,
        "a format longer than the translation buffer is formatted");
}

int main() {
  CheckFormatting();
  ql::win32::Win32Machine machine;
  ql::Platform platform = machine.platform();
  CheckHandleValues();
  CheckRegistry(platform.registry);
  CheckThreads(platform.threads);
  CheckSecurity(platform.security);
  CheckMemory(platform.memory);
  CheckDisks(platform.disks);
  CheckIdentity(platform.eventLog);
  CheckServicesAndDevice(platform.services, platform.device);
  std::printf("%d passed, %d failed\n", g_passed, g_failed);
  std::fflush(stdout);
  return g_failed;
}
