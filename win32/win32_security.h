// Security on the real machine: tokens and their groups, decoded into the portable form.
#pragma once

#include "platform/security.h"

namespace ql::win32 {

class Win32Security final : public Security {
 public:
  Status OpenThreadToken(std::uint32_t access, bool openAsSelf, Handle* token) override;
  Status OpenProcessToken(std::uint32_t access, Handle* token) override;
  Status GetTokenGroupsSize(Handle token, std::uint32_t* size) override;
  Status GetTokenGroups(Handle token, std::uint32_t bufferSize,
                        std::vector<TokenGroup>* groups) override;
  Status AllocateAndInitializeSid(const std::array<std::uint8_t, 6>& authority,
                                  const std::vector<std::uint32_t>& subAuthorities,
                                  SidRef* sid) override;
  bool EqualSid(SidRef sid, const Sid& other) override;
  void FreeSid(SidRef sid) override;
  bool CloseToken(Handle token) override;
};

}  // namespace ql::win32
