// A scriptable access token: the thread may have one or not (1008), the process has one,
// and its groups carry attributes (deny-only included). SIDs and token handles are counted
// so that a test can prove each was given back.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "platform/security.h"
#include "sim/sim_fault.h"

namespace ql::sim {

class SimSecurity : public Security {
 public:
  SimSecurity();

  // Security
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

  // --- Scripting -----------------------------------------------------------------------
  // The thread impersonates nobody by default: OpenThreadToken fails with 1008.
  bool threadHasToken = false;
  // Groups of the token (thread and process alike). By default: Everyone, Administrators
  // and Users, all enabled.
  std::vector<TokenGroup> groups;
  // Replaces the Administrators entry: none, enabled, or present for deny only.
  enum class AdminMembership { kNone, kEnabled, kDenyOnly };
  void SetAdministrators(AdminMembership membership);
  FaultPlan openThreadTokenFaults;
  FaultPlan openProcessTokenFaults;
  FaultPlan groupsSizeFaults;
  FaultPlan groupsFaults;
  FaultPlan allocateSidFaults;

  // The byte count a TOKEN_GROUPS of these groups takes on a 32-bit system.
  static std::uint32_t TokenGroupsBytes(const std::vector<TokenGroup>& groups);
  static Sid AdministratorsSid();

  // --- What tests read ------------------------------------------------------------------
  [[nodiscard]] std::uint32_t TokensOpened() const { return tokensOpened_; }
  [[nodiscard]] std::uint32_t TokensClosed() const { return tokensClosed_; }
  [[nodiscard]] std::size_t OpenTokenCount() const { return tokens_.size(); }
  [[nodiscard]] std::uint32_t SidsAllocated() const { return sidsAllocated_; }
  [[nodiscard]] std::uint32_t SidsFreed() const { return sidsFreed_; }
  [[nodiscard]] std::size_t LiveSidCount() const { return sids_.size(); }
  // FreeSid of an unknown or freed SID, CloseToken of a bad handle.
  [[nodiscard]] std::uint32_t BadFrees() const { return badFrees_; }
  [[nodiscard]] std::uint32_t BadCloses() const { return badCloses_; }

  [[nodiscard]] std::string ToString() const;

 private:
  Handle NewToken();
  std::map<Handle, bool> tokens_;
  std::map<SidRef, Sid> sids_;
  Handle nextToken_ = 0x00400000;
  SidRef nextSid_ = 0x00800000;
  std::uint32_t tokensOpened_ = 0;
  std::uint32_t tokensClosed_ = 0;
  std::uint32_t sidsAllocated_ = 0;
  std::uint32_t sidsFreed_ = 0;
  std::uint32_t badFrees_ = 0;
  std::uint32_t badCloses_ = 0;
};

}  // namespace ql::sim
