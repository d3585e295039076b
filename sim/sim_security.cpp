#include "sim/sim_security.h"

#include <algorithm>
#include <sstream>

namespace ql::sim {

namespace {
Sid MakeSid(std::array<std::uint8_t, 6> authority, std::vector<std::uint32_t> subs) {
  Sid sid;
  sid.authority = authority;
  sid.subAuthorities = std::move(subs);
  return sid;
}
constexpr std::array<std::uint8_t, 6> kWorldAuthority{0, 0, 0, 0, 0, 1};
}  // namespace

Sid SimSecurity::AdministratorsSid() {
  return MakeSid(sec::kNtAuthority, {sec::kBuiltinDomainRid, sec::kAliasRidAdmins});
}

SimSecurity::SimSecurity() {
  groups.push_back({MakeSid(kWorldAuthority, {0}), sec::kGroupEnabled});
  groups.push_back({AdministratorsSid(), sec::kGroupEnabled});
  groups.push_back({MakeSid(sec::kNtAuthority, {sec::kBuiltinDomainRid, 545}), sec::kGroupEnabled});
}

void SimSecurity::SetAdministrators(AdminMembership membership) {
  const Sid admins = AdministratorsSid();
  groups.erase(std::remove_if(groups.begin(), groups.end(),
                              [&](const TokenGroup& g) { return g.sid == admins; }),
               groups.end());
  if (membership == AdminMembership::kEnabled) {
    groups.push_back({admins, sec::kGroupEnabled});
  } else if (membership == AdminMembership::kDenyOnly) {
    groups.push_back({admins, sec::kGroupUseForDenyOnly});
  }
}

std::uint32_t SimSecurity::TokenGroupsBytes(const std::vector<TokenGroup>& groups) {
  // DWORD GroupCount, then one SID_AND_ATTRIBUTES (pointer + DWORD) per group, then the SIDs
  // (8 bytes of header and authority, 4 per sub-authority).
  std::uint32_t bytes = 4 + 8 * static_cast<std::uint32_t>(groups.size());
  for (const auto& group : groups) {
    bytes += 8 + 4 * static_cast<std::uint32_t>(group.sid.subAuthorities.size());
  }
  return bytes;
}

Handle SimSecurity::NewToken() {
  const Handle handle = nextToken_;
  nextToken_ += 4;
  tokens_[handle] = true;
  ++tokensOpened_;
  return handle;
}

Status SimSecurity::OpenThreadToken(std::uint32_t access, bool openAsSelf, Handle* token) {
  (void)access;
  (void)openAsSelf;
  if (const Status status = openThreadTokenFaults.OnCall(); status != err::kSuccess) return status;
  if (!threadHasToken) return err::kNoToken;
  if (token == nullptr) return simerr::kNoAccess;
  *token = NewToken();
  return err::kSuccess;
}

Status SimSecurity::OpenProcessToken(std::uint32_t access, Handle* token) {
  (void)access;
  if (const Status status = openProcessTokenFaults.OnCall(); status != err::kSuccess) {
    return status;
  }
  if (token == nullptr) return simerr::kNoAccess;
  *token = NewToken();
  return err::kSuccess;
}

Status SimSecurity::GetTokenGroupsSize(Handle token, std::uint32_t* size) {
  if (const Status status = groupsSizeFaults.OnCall(); status != err::kSuccess) return status;
  if (tokens_.count(token) == 0) return err::kInvalidHandle;
  if (size == nullptr) return simerr::kNoAccess;
  *size = TokenGroupsBytes(groups);
  return err::kInsufficientBuffer;  // how the platform answers a size question
}

Status SimSecurity::GetTokenGroups(Handle token, std::uint32_t bufferSize,
                                   std::vector<TokenGroup>* out) {
  if (const Status status = groupsFaults.OnCall(); status != err::kSuccess) return status;
  if (tokens_.count(token) == 0) return err::kInvalidHandle;
  if (bufferSize < TokenGroupsBytes(groups)) return err::kInsufficientBuffer;
  if (out == nullptr) return simerr::kNoAccess;
  *out = groups;
  return err::kSuccess;
}

Status SimSecurity::AllocateAndInitializeSid(const std::array<std::uint8_t, 6>& authority,
                                             const std::vector<std::uint32_t>& subAuthorities,
                                             SidRef* sid) {
  if (const Status status = allocateSidFaults.OnCall(); status != err::kSuccess) return status;
  if (subAuthorities.empty() || subAuthorities.size() > 8) return err::kInvalidParameter;
  if (sid == nullptr) return simerr::kNoAccess;
  const SidRef ref = nextSid_;
  nextSid_ += 16;
  sids_[ref] = MakeSid(authority, subAuthorities);
  ++sidsAllocated_;
  *sid = ref;
  return err::kSuccess;
}

bool SimSecurity::EqualSid(SidRef sid, const Sid& other) {
  auto it = sids_.find(sid);
  return it != sids_.end() && it->second == other;
}

void SimSecurity::FreeSid(SidRef sid) {
  if (sids_.erase(sid) == 0) {
    ++badFrees_;
    return;
  }
  ++sidsFreed_;
}

bool SimSecurity::CloseToken(Handle token) {
  if (tokens_.erase(token) == 0) {
    ++badCloses_;
    return false;
  }
  ++tokensClosed_;
  return true;
}

std::string SimSecurity::ToString() const {
  std::ostringstream out;
  out << "security: thread token " << (threadHasToken ? "yes" : "no") << ", tokens opened "
      << tokensOpened_ << " closed " << tokensClosed_ << ", SIDs allocated " << sidsAllocated_
      << " freed " << sidsFreed_ << ", bad frees " << badFrees_ << ", bad closes " << badCloses_
      << "\n";
  for (const auto& group : groups) {
    out << "  group S-1-" << static_cast<unsigned>(group.sid.authority[5]);
    for (const auto sub : group.sid.subAuthorities) out << "-" << sub;
    out << " attributes 0x" << std::hex << group.attributes << std::dec << "\n";
  }
  return out.str();
}

}  // namespace ql::sim
