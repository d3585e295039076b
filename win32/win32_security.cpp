#include "win32/win32_security.h"

#include <cstddef>
#include <memory>

#include "win32/win32_windows.h"

namespace ql::win32 {

namespace {

Status LastError() { return static_cast<Status>(::GetLastError()); }

// A SID has at most this many sub-authorities (SID_MAX_SUB_AUTHORITIES).
constexpr std::size_t kMaxSubAuthorities = 15;

// AllocateAndInitializeSid takes exactly eight sub-authority arguments.
constexpr std::size_t kAllocateSubAuthorities = 8;

// Reads a valid SID into the portable form.
Sid Decode(PSID native) {
  Sid sid;
  const SID_IDENTIFIER_AUTHORITY* authority = ::GetSidIdentifierAuthority(native);
  for (std::size_t i = 0; i < sid.authority.size(); ++i) sid.authority[i] = authority->Value[i];
  const UCHAR count = *::GetSidSubAuthorityCount(native);
  sid.subAuthorities.reserve(count);
  for (UCHAR i = 0; i < count; ++i) {
    sid.subAuthorities.push_back(static_cast<std::uint32_t>(*::GetSidSubAuthority(native, i)));
  }
  return sid;
}

}  // namespace

Status Win32Security::OpenThreadToken(std::uint32_t access, bool openAsSelf, Handle* token) {
  if (token == nullptr) return err::kInvalidParameter;
  HANDLE native = nullptr;
  if (!::OpenThreadToken(::GetCurrentThread(), access, openAsSelf ? TRUE : FALSE, &native)) {
    return LastError();
  }
  *token = FromNative(native);
  return err::kSuccess;
}

Status Win32Security::OpenProcessToken(std::uint32_t access, Handle* token) {
  if (token == nullptr) return err::kInvalidParameter;
  HANDLE native = nullptr;
  if (!::OpenProcessToken(::GetCurrentProcess(), access, &native)) return LastError();
  *token = FromNative(native);
  return err::kSuccess;
}

Status Win32Security::GetTokenGroupsSize(Handle token, std::uint32_t* size) {
  if (size == nullptr) return err::kInvalidParameter;
  DWORD needed = 0;
  if (::GetTokenInformation(ToNative<HANDLE>(token), TokenGroups, nullptr, 0, &needed)) {
    *size = static_cast<std::uint32_t>(needed);
    return err::kSuccess;
  }
  const Status status = LastError();
  if (status == err::kInsufficientBuffer) *size = static_cast<std::uint32_t>(needed);
  return status;
}

Status Win32Security::GetTokenGroups(Handle token, std::uint32_t bufferSize,
                                     std::vector<TokenGroup>* groups) {
  if (groups == nullptr) return err::kInvalidParameter;
  // Pointer-aligned storage: the record holds pointers to the SIDs that follow it.
  const std::size_t words = (bufferSize + sizeof(void*) - 1) / sizeof(void*);
  std::unique_ptr<void*[]> storage(new void*[words == 0 ? 1 : words]);
  DWORD returned = 0;
  if (!::GetTokenInformation(ToNative<HANDLE>(token), TokenGroups, storage.get(), bufferSize,
                             &returned)) {
    return LastError();
  }
  const auto* record = reinterpret_cast<const TOKEN_GROUPS*>(storage.get());
  const std::size_t header = offsetof(TOKEN_GROUPS, Groups);
  // The group count comes from the system, but it is still checked against what was returned
  // before any entry is read.
  if (returned < header || returned > bufferSize ||
      record->GroupCount > (returned - header) / sizeof(SID_AND_ATTRIBUTES)) {
    return err::kInvalidParameter;
  }
  const SID_AND_ATTRIBUTES* entries = record->Groups;
  std::vector<TokenGroup> decoded;
  decoded.reserve(record->GroupCount);
  for (DWORD i = 0; i < record->GroupCount; ++i) {
    if (entries[i].Sid == nullptr || !::IsValidSid(entries[i].Sid)) continue;
    decoded.push_back(TokenGroup{Decode(entries[i].Sid), entries[i].Attributes});
  }
  *groups = std::move(decoded);
  return err::kSuccess;
}

Status Win32Security::AllocateAndInitializeSid(const std::array<std::uint8_t, 6>& authority,
                                               const std::vector<std::uint32_t>& subAuthorities,
                                               SidRef* sid) {
  if (sid == nullptr || subAuthorities.size() > kAllocateSubAuthorities) {
    return err::kInvalidParameter;
  }
  SID_IDENTIFIER_AUTHORITY nativeAuthority{};
  for (std::size_t i = 0; i < authority.size(); ++i) nativeAuthority.Value[i] = authority[i];
  DWORD subs[kAllocateSubAuthorities] = {};
  for (std::size_t i = 0; i < subAuthorities.size(); ++i) subs[i] = subAuthorities[i];
  PSID native = nullptr;
  if (!::AllocateAndInitializeSid(&nativeAuthority, static_cast<BYTE>(subAuthorities.size()),
                                  subs[0], subs[1], subs[2], subs[3], subs[4], subs[5], subs[6],
                                  subs[7], &native)) {
    return LastError();
  }
  *sid = FromNative(native);
  return err::kSuccess;
}

bool Win32Security::EqualSid(SidRef sid, const Sid& other) {
  if (sid == 0 || other.subAuthorities.size() > kMaxSubAuthorities) return false;
  const auto count = static_cast<BYTE>(other.subAuthorities.size());
  SID_IDENTIFIER_AUTHORITY authority{};
  for (std::size_t i = 0; i < other.authority.size(); ++i) authority.Value[i] = other.authority[i];
  // Room for the largest SID, pointer-aligned.
  void* storage[(sizeof(SID) + kMaxSubAuthorities * sizeof(DWORD)) / sizeof(void*) + 1] = {};
  PSID built = storage;
  if (::GetSidLengthRequired(count) > sizeof(storage)) return false;
  if (!::InitializeSid(built, &authority, count)) return false;
  for (BYTE i = 0; i < count; ++i) *::GetSidSubAuthority(built, i) = other.subAuthorities[i];
  return ::EqualSid(ToNative<PSID>(sid), built) != FALSE;
}

void Win32Security::FreeSid(SidRef sid) {
  if (sid != 0) ::FreeSid(ToNative<PSID>(sid));
}

bool Win32Security::CloseToken(Handle token) {
  return ::CloseHandle(ToNative<HANDLE>(token)) != FALSE;
}

}  // namespace ql::win32
