#include "config/wizard_app.h"

#include <exception>
#include <vector>

#include "config/install.h"
#include "config/texts.h"

namespace ql::config {
namespace {

constexpr std::uint32_t kErrorBox = mb::kOk | mb::kIconHand;

bool TokenHoldsAdministrators(Security& security, Handle token) {
  std::uint32_t size = 0;
  // The call "fails" when it reports the size: only the size tells.
  (void)security.GetTokenGroupsSize(token, &size);
  if (size == 0) return false;
  std::vector<TokenGroup> groups;
  if (security.GetTokenGroups(token, size, &groups) != err::kSuccess) return false;

  SidRef administrators = 0;
  if (security.AllocateAndInitializeSid(sec::kNtAuthority,
                                        {sec::kBuiltinDomainRid, sec::kAliasRidAdmins},
                                        &administrators) != err::kSuccess) {
    return false;
  }
  struct ReleaseSid {
    Security& security;
    SidRef sid;
    ~ReleaseSid() { security.FreeSid(sid); }
  } releaseSid{security, administrators};
  // Attributes are not looked at: a deny-only Administrators group counts as well.
  for (const TokenGroup& group : groups) {
    if (security.EqualSid(administrators, group.sid)) return true;
  }
  return false;
}

}  // namespace

bool IsAdministrator(Security& security) {
  Handle token = kNullHandle;
  Status status = security.OpenThreadToken(sec::kTokenQuery, false, &token);
  if (status == err::kNoToken) {
    status = security.OpenProcessToken(sec::kTokenQuery, &token);
  }
  if (status != err::kSuccess) return false;
  struct ReleaseToken {
    Security& security;
    Handle token;
    ~ReleaseToken() { security.CloseToken(token); }
  } releaseToken{security, token};
  try {
    return TokenHoldsAdministrators(security, token);
  } catch (const std::exception&) {
    // A group list too large to hold (its size comes from the token) or one that cannot be
    // copied: membership cannot be shown, so the caller is not taken for an administrator.
    return false;
  }
}

std::uint32_t CacheBudget(std::uint32_t totalPhysicalBytes) {
  const std::uint32_t sum = (totalPhysicalBytes >> 4) + (totalPhysicalBytes >> 2);
  return sum > kCacheBudgetCap ? kCacheBudgetCap : sum;
}

namespace {
std::size_t FileNameStart(std::string_view path) {
  const std::size_t slash = path.find_last_of("\\/:");
  return slash == std::string_view::npos ? 0 : slash + 1;
}
}  // namespace

std::string HelpFilePath(std::string_view modulePath) {
  const std::size_t name = FileNameStart(modulePath);
  const std::size_t dot = modulePath.rfind('.');
  const std::string_view stem =
      (dot == std::string_view::npos || dot < name) ? modulePath : modulePath.substr(0, dot);
  return std::string(stem) + ".HLP";
}

std::string ProgramNameFromPath(std::string_view modulePath) {
  std::string_view name = modulePath.substr(FileNameStart(modulePath));
  const std::size_t dot = name.rfind('.');
  if (dot != std::string_view::npos) name = name.substr(0, dot);
  return std::string(name);
}

CQlConfigApp::CQlConfigApp(const Platform& platform, WizardHost& host, ErrorStream& errors,
                           std::string programName)
    : platform_(platform), host_(host), errors_(errors), programName_(std::move(programName)) {}

bool CQlConfigApp::InitInstance() {
  using End = RunOutcome::End;
  outcome_ = RunOutcome{};

  // 1
  host_.EnableThreeDimensionalControls();

  // 2: nothing touches the registry before this check.
  if (!IsAdministrator(platform_.security)) {
    outcome_.end = End::kNotAdministrator;
    platform_.ui.MessageBox(kNoWindow, kNotAdminText, kNotAdminCaption, kErrorBox);
    return false;
  }
  if (!host_.ReadyForRegistry()) {
    outcome_.end = End::kRefusedByHost;
    return false;
  }

  // 3
  settings_ = std::make_unique<DriverSettings>();
  InitDriverSettings(*settings_);
  DriverSettings& settings = *settings_;
  struct Release {
    std::unique_ptr<DriverSettings>& owned;
    ~Release() { owned.reset(); }
  } release{settings_};

  // 4: runs before the memory check, so its effects stay even on a refused machine.
  if (!PrepareRegistry(platform_, settings, kDriverName, errors_)) {
    outcome_.end = End::kPreparationFailed;
    return false;
  }

  // 5: the outcome decides nothing; missing keys leave the defaults.
  (void)LoadDriverSettings(platform_.registry, settings);

  // 6
  platform_.memory.GlobalMemoryStatus(&memory_);
  if (memory_.totalPhys < kMinimumPhysicalMemory) {
    outcome_.end = End::kLowMemory;
    platform_.ui.MessageBox(kNoWindow, kLowMemoryText, kLowMemoryCaption, kErrorBox);
    return false;
  }

  // 7
  cacheBudget_ = CacheBudget(memory_.totalPhys);
  settings.CacheBudget = cacheBudget_;

  // 8
  int result = 0;
  {
    CPage1 welcome;
    COptDlg options(platform_, settings, programName_);
    result = host_.RunWizard(welcome, options);
  }

  // 9: the settings go first; a failed write does not stop the registration.
  if (result != kIdWizFinish) {
    outcome_.end = End::kCancelled;
    return false;
  }
  outcome_.end = End::kFinished;
  outcome_.settingsWritten = WriteDriverSettings(platform_, settings);
  outcome_.written = settings;
  outcome_.serviceRegistered = RegisterAllocatorService(
      platform_.services, kAllocServiceName, kAllocProgramPath, &outcome_.registrationStatus);
  if (!outcome_.serviceRegistered) {
    platform_.ui.MessageBox(kNoWindow, kRegisterServiceFailed, programName_, kErrorBox);
  }

  // 10: the settings are released by `release`.
  return false;
}

}  // namespace ql::config
