// Security: OpenThreadToken, OpenProcessToken, GetTokenInformation(TokenGroups),
// AllocateAndInitializeSid, EqualSid, FreeSid, CloseHandle of a token.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "platform/types.h"

namespace ql {

// A security identifier in portable form.
struct Sid {
  std::array<std::uint8_t, 6> authority{};
  std::vector<std::uint32_t> subAuthorities;
  friend bool operator==(const Sid&, const Sid&) = default;
};

using SidRef = std::uintptr_t;  // PSID as allocated by AllocateAndInitializeSid; 0 = none

namespace sec {
inline constexpr std::uint32_t kTokenQuery = 0x0008;
inline constexpr std::uint32_t kGroupEnabled = 0x00000004;
inline constexpr std::uint32_t kGroupUseForDenyOnly = 0x00000010;
inline constexpr std::array<std::uint8_t, 6> kNtAuthority{0, 0, 0, 0, 0, 5};
inline constexpr std::uint32_t kBuiltinDomainRid = 32;
inline constexpr std::uint32_t kAliasRidAdmins = 544;
}  // namespace sec

struct TokenGroup {
  Sid sid;
  std::uint32_t attributes = 0;
};

class Security {
 public:
  virtual ~Security() = default;

  // OpenThreadToken(GetCurrentThread(), access, openAsSelf, &token)
  virtual Status OpenThreadToken(std::uint32_t access, bool openAsSelf, Handle* token) = 0;

  // OpenProcessToken(GetCurrentProcess(), access, &token)
  virtual Status OpenProcessToken(std::uint32_t access, Handle* token) = 0;

  // GetTokenInformation(token, TokenGroups, NULL, 0, &size): the size in bytes the groups
  // need (the call itself "fails" with kInsufficientBuffer, which is how the size is asked).
  virtual Status GetTokenGroupsSize(Handle token, std::uint32_t* size) = 0;

  // GetTokenInformation(token, TokenGroups, buffer, size, &size), decoded.
  virtual Status GetTokenGroups(Handle token, std::uint32_t bufferSize,
                                std::vector<TokenGroup>* groups) = 0;

  // AllocateAndInitializeSid(authority, count, subs..., &sid)
  virtual Status AllocateAndInitializeSid(const std::array<std::uint8_t, 6>& authority,
                                          const std::vector<std::uint32_t>& subAuthorities,
                                          SidRef* sid) = 0;

  // EqualSid(sid, group's sid)
  virtual bool EqualSid(SidRef sid, const Sid& other) = 0;

  // FreeSid(sid)
  virtual void FreeSid(SidRef sid) = 0;

  // CloseHandle(token)
  virtual bool CloseToken(Handle token) = 0;
};

}  // namespace ql
