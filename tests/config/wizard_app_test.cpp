// The wizard's run: checks, preparation, budget, the pages and what Finish and Cancel leave.
#include "config/wizard_app.h"

#include <gtest/gtest.h>

#include <functional>
#include <new>

#include "config/install.h"
#include "config/texts.h"
#include "tests/config/config_fixture.h"

namespace ql::config::testing {
namespace {

using Membership = sim::SimSecurity::AdminMembership;

TEST(CacheBudgetTest, SixteenthPlusQuarterCappedAt256MiB) {
  EXPECT_EQ(CacheBudget(32000000), 10000000u);
  EXPECT_EQ(CacheBudget(33554432), 10485760u);
  EXPECT_EQ(CacheBudget(67108864), 20971520u);
  EXPECT_EQ(CacheBudget(858993463), 268435456u);  // the sum itself
  EXPECT_EQ(CacheBudget(858993464), 268435456u);  // capped
  EXPECT_EQ(CacheBudget(0xFFFFFFFFu), 268435456u);
  EXPECT_EQ(CacheBudget(17), 5u);  // each shift truncates on its own
}

TEST(ProgramPathTest, NameAndHelpFileComeFromTheModulePath) {
  EXPECT_EQ(ProgramNameFromPath("C:\\WINNT\\system32\\QlConfig.exe"), "QlConfig");
  EXPECT_EQ(HelpFilePath("C:\\WINNT\\system32\\QlConfig.exe"), "C:\\WINNT\\system32\\QlConfig.HLP");
  EXPECT_EQ(HelpFilePath("C:\\Tools.d\\QlConfig"), "C:\\Tools.d\\QlConfig.HLP");
}

class AdministratorTest : public ConfigTest {
 protected:
  bool Ask() {
    const bool answer = IsAdministrator(machine.security);
    EXPECT_EQ(machine.Leaks(), "");
    return answer;
  }
};

TEST_F(AdministratorTest, AdministratorsGroupCountsWhateverItsAttributes) {
  EXPECT_TRUE(Ask());  // process token, group enabled
  machine.security.SetAdministrators(Membership::kDenyOnly);
  EXPECT_TRUE(Ask());
  machine.security.SetAdministrators(Membership::kNone);
  EXPECT_FALSE(Ask());
}

TEST_F(AdministratorTest, ThreadTokenFirstProcessTokenOnlyWithoutOne) {
  machine.security.threadHasToken = true;
  EXPECT_TRUE(Ask());
  machine.security.openProcessTokenFaults.FailAlways(err::kAccessDenied);
  EXPECT_TRUE(Ask());  // the process token is not needed

  // A thread token refused for another reason than "none" gives false.
  machine.security.openThreadTokenFaults.FailNext(err::kAccessDenied);
  EXPECT_FALSE(Ask());

  machine.security.threadHasToken = false;
  EXPECT_FALSE(Ask());  // no thread token, process token refused
}

TEST_F(AdministratorTest, EachFailingStepGivesFalse) {
  machine.security.groupsSizeFaults.FailNext(err::kAccessDenied);
  EXPECT_FALSE(Ask());
  machine.security.groupsFaults.FailNext(err::kAccessDenied);
  EXPECT_FALSE(Ask());
  machine.security.allocateSidFaults.FailNext(err::kNotEnoughMemory);
  EXPECT_FALSE(Ask());
  EXPECT_TRUE(Ask());
}

// A token whose group list cannot be held: the platform's copy of it cannot be allocated,
// as when the token reports a size no buffer of the process can take.
class UnallocatableGroups : public sim::SimSecurity {
 public:
  Status GetTokenGroups(Handle, std::uint32_t, std::vector<TokenGroup>*) override {
    ++calls;
    throw std::bad_alloc();
  }
  int calls = 0;
};

TEST_F(AdministratorTest, GroupsThatCannotBeHeldMeanNotAnAdministrator) {
  UnallocatableGroups security;
  EXPECT_FALSE(IsAdministrator(security));
  EXPECT_EQ(security.calls, 1);
  EXPECT_EQ(security.OpenTokenCount(), 0u) << security.ToString();
  EXPECT_EQ(security.TokensClosed(), security.TokensOpened());
  EXPECT_EQ(security.LiveSidCount(), 0u);

  // The same through the thread's token.
  security.threadHasToken = true;
  EXPECT_FALSE(IsAdministrator(security));
  EXPECT_EQ(security.OpenTokenCount(), 0u) << security.ToString();
}

// Plays the user's part in the sheet.
class ScriptedHost : public WizardHost {
 public:
  using Script = std::function<int(CPage1&, COptDlg&, FakeSheet&)>;
  void EnableThreeDimensionalControls() override { ++threeD; }
  int RunWizard(CPage1& welcome, COptDlg& options) override {
    ++runs;
    return script(welcome, options, sheet);
  }
  Script script;
  FakeSheet sheet;
  int threeD = 0;
  int runs = 0;
};

// Next, a click on entry `entry`, optionally "On", then Finish.
ScriptedHost::Script FinishWith(int entry, bool lazyOn = false) {
  return [=](CPage1& welcome, COptDlg& options, FakeSheet& sheet) {
    welcome.OnSetActive(sheet);
    options.OnInitDialog();
    options.OnSetActive(sheet);
    options.OnListClick(sheet, entry);
    if (lazyOn) options.OnLazyButton(sheet, 1);
    options.OnWizardFinish();
    return kIdWizFinish;
  };
}

int CancelOnWelcome(CPage1& welcome, COptDlg&, FakeSheet& sheet) {
  welcome.OnSetActive(sheet);
  return 2;
}

class WizardRunTest : public ConfigTest {
 protected:
  bool Run(ScriptedHost::Script script) {
    host.script = std::move(script);
    CQlConfigApp app(platform, host, errors);
    const bool result = app.InitInstance();
    EXPECT_EQ(app.Settings(), nullptr);
    budget = app.Budget();
    return result;
  }

  ScriptedHost host;
  std::uint32_t budget = 0;
};

TEST_F(WizardRunTest, FirstRunFinishedWithTheDisableEntry) {
  EXPECT_FALSE(Run(FinishWith(1)));  // C: is entry 0, the disable entry 1
  EXPECT_EQ(host.runs, 1);
  EXPECT_TRUE(machine.ui.Boxes().empty()) << machine.ui.ToString();

  using V = std::pair<std::uint32_t, std::vector<std::uint8_t>>;
  EXPECT_EQ(machine.registry.ValueNames(kServiceKey),
            (std::vector<std::string>{"ErrorControl", "Start", "Type", "Group"}));
  EXPECT_EQ(Value(kServiceKey, "ErrorControl"), V(reg::kDword, Dword(1)));
  EXPECT_EQ(Value(kServiceKey, "Start"), V(reg::kDword, Dword(4)));
  EXPECT_EQ(Value(kServiceKey, "Type"), V(reg::kDword, Dword(1)));
  EXPECT_EQ(Value(kServiceKey, "Group"), V(reg::kSz, Text({"Orvel\0", 6})));

  const std::pair<const char*, std::uint32_t> dwords[] = {
      {"BreakOnEntry", 0},  {"DebugLevel", 0},  {"Drive", 0},  {"Partition", 1},
      {"PageSize", 32768},  {"MaxLRU", 0},      {"MinLRU", 0}, {"LazyWrite", 0},
      {"PendingLimit", 16}, {"SystemDevice", 0}};
  std::vector<std::string> names;
  for (const auto& [name, value] : dwords) {
    EXPECT_EQ(Value(kParametersKey, name), V(reg::kDword, Dword(value))) << name;
    names.push_back(name);
  }
  EXPECT_EQ(Value(kParametersKey, "DosDevice"), V(reg::kSz, {0, 0}));
  names.push_back("DosDevice");
  EXPECT_EQ(machine.registry.ValueNames(kParametersKey), names);

  const auto* service = machine.services.FindService("QlAlloc");
  ASSERT_NE(service, nullptr);
  EXPECT_EQ(service->serviceType, 0x110u);
  EXPECT_EQ(service->startType, 2u);
  EXPECT_EQ(machine.Leaks(), "");
}

TEST_F(WizardRunTest, PagesSeeBudgetAndStoredSettings) {
  // What the tuning engine left; a Finish puts PageSize and PendingLimit back.
  machine.registry.SetDword(kServiceKey, "Start", 0);
  machine.registry.SetString(kParametersKey, "DosDevice", "C:", false);
  machine.registry.SetDword(kParametersKey, "LazyWrite", 1);
  machine.registry.SetDword(kParametersKey, "MaxLRU", 200);
  machine.registry.SetDword(kParametersKey, "PageSize", 16384);
  machine.registry.SetDword(kParametersKey, "PendingLimit", 40);
  std::string summary;
  EXPECT_FALSE(Run([&](CPage1& welcome, COptDlg& options, FakeSheet& sheet) {
    welcome.OnSetActive(sheet);
    options.OnInitDialog();
    options.OnSetActive(sheet);
    summary = options.Summary();
    options.OnLazyButton(sheet, 0);
    options.OnWizardFinish();
    return kIdWizFinish;
  }));
  EXPECT_EQ(budget, 20971520u);
  EXPECT_EQ(summary, "Quillon-NT enabled, Drive C:\nLazy Write is ON");
  EXPECT_EQ(host.sheet.caption, "Quillon-NT V4.0-1 Configuration Wizard");
  EXPECT_EQ(host.sheet.buttons, (std::vector<std::uint32_t>{2, 9, 5}));
  EXPECT_EQ(machine.registry.GetDword(kServiceKey, "Start"), 0u);
  EXPECT_EQ(machine.registry.GetDword(kParametersKey, "LazyWrite"), 0u);
  EXPECT_EQ(machine.registry.GetDword(kParametersKey, "MaxLRU"), 200u);
  EXPECT_EQ(machine.registry.GetDword(kParametersKey, "MinLRU"), 32u);
  EXPECT_EQ(machine.registry.GetDword(kParametersKey, "PageSize"), 32768u);
  EXPECT_EQ(machine.registry.GetDword(kParametersKey, "PendingLimit"), 16u);
  EXPECT_EQ(machine.registry.GetDword(kParametersKey, "SystemDevice"), 1u);
}

TEST_F(WizardRunTest, SecondFinishReportsTheExistingService) {
  Run(FinishWith(1));
  ASSERT_TRUE(machine.ui.Boxes().empty());
  Run(FinishWith(0, true));
  ASSERT_EQ(machine.ui.Boxes().size(), 1u);
  EXPECT_EQ(machine.ui.Boxes()[0].text, "Error registering QlAlloc service");
  EXPECT_EQ(machine.ui.Boxes()[0].caption, "QlConfig");
  EXPECT_EQ(machine.ui.Boxes()[0].style, mb::kOk | mb::kIconHand);
  // The settings of the second run were written before the registration failed.
  EXPECT_EQ(machine.registry.GetDword(kServiceKey, "Start"), 0u);
  EXPECT_EQ(machine.registry.GetDword(kParametersKey, "LazyWrite"), 1u);
  EXPECT_EQ(machine.registry.GetText(kParametersKey, "DosDevice"), "C:");
  EXPECT_EQ(machine.services.Services().size(), 1u);
  EXPECT_EQ(machine.Leaks(), "");
}

TEST_F(WizardRunTest, CancelOnWelcomeLeavesOnlyThePreparation) {
  Run(CancelOnWelcome);
  EXPECT_FALSE(machine.registry.KeyExists(kServiceKey));
  EXPECT_TRUE(machine.registry.KeyExists(kEventSourceKey));
  const auto groups = GroupOrder();
  EXPECT_EQ(std::count(groups.begin(), groups.end(), "Orvel"), 1);
  EXPECT_TRUE(machine.services.Services().empty());
  EXPECT_TRUE(machine.ui.Boxes().empty());
  EXPECT_EQ(machine.Leaks(), "");
}

TEST_F(WizardRunTest, FailedWriteIsFollowedByTheRegistration) {
  machine.registry.InjectFault({sim::RegOp::kSet, "", "Type", 0, err::kAccessDenied});
  Run(FinishWith(0));
  EXPECT_EQ(machine.ui.Texts(),
            (std::vector<std::string>{"Error, unable to write Quillon registry value"}));
  EXPECT_NE(machine.services.FindService("QlAlloc"), nullptr);
}

TEST_F(WizardRunTest, NonAdministratorIsRefusedBeforeAnyRegistryCall) {
  machine.security.SetAdministrators(Membership::kNone);
  Run(FinishWith(0));
  EXPECT_EQ(host.threeD, 1);
  EXPECT_EQ(host.runs, 0);
  ASSERT_EQ(machine.ui.Boxes().size(), 1u);
  EXPECT_EQ(machine.ui.Boxes()[0].text,
            "You must be an Administrator to\ninstall or reconfigure Quillon-NT.");
  EXPECT_EQ(machine.ui.Boxes()[0].caption, "Insufficient Privileges");
  EXPECT_EQ(machine.ui.Boxes()[0].owner, kNoWindow);
  EXPECT_TRUE(machine.registry.Calls().empty());
  EXPECT_EQ(machine.Leaks(), "");
}

TEST_F(WizardRunTest, GroupsThatCannotBeHeldRefuseTheRunAsNotAdministrator) {
  UnallocatableGroups security;
  const Platform withToken{machine.registry,  machine.services, machine.eventLog, machine.memory,
                           machine.device,    machine.threads,  machine.disks,    security,
                           machine.processes, machine.ui,       machine.clock};
  host.script = FinishWith(0);
  CQlConfigApp app(withToken, host, errors);
  EXPECT_FALSE(app.InitInstance());
  EXPECT_EQ(host.runs, 0);
  EXPECT_EQ(machine.ui.Texts(), (std::vector<std::string>{kNotAdminText}));
  EXPECT_TRUE(machine.registry.Calls().empty());
  EXPECT_EQ(security.OpenTokenCount(), 0u);
}

TEST_F(WizardRunTest, MemoryCheckComesAfterThePreparation) {
  machine.memory.SetTotalPhys(31999999);
  Run(FinishWith(0));
  EXPECT_EQ(host.runs, 0);
  EXPECT_EQ(machine.ui.Texts(),
            (std::vector<std::string>{"Your system must be configured with at\nleast 32MB of "
                                      "RAM memory to use Quillon-NT"}));
  EXPECT_EQ(machine.ui.Boxes()[0].caption, "QlConfig: Insufficient Memory");
  EXPECT_TRUE(machine.registry.KeyExists(kEventSourceKey));
  const auto groups = GroupOrder();
  EXPECT_EQ(std::count(groups.begin(), groups.end(), "Orvel"), 1);
  EXPECT_FALSE(machine.registry.KeyExists(kServiceKey));

  machine.ui.Clear();
  machine.memory.SetTotalPhys(32000000);
  Run(FinishWith(0));
  EXPECT_EQ(host.runs, 1);
  EXPECT_EQ(budget, 10000000u);
  EXPECT_EQ(machine.registry.GetDword(kParametersKey, "MaxLRU"), 10000000u / 32768);
}

TEST_F(WizardRunTest, FailedPreparationEndsTheRunWithoutPages) {
  machine.registry.DeleteKey(kGroupOrderKey);
  Run(FinishWith(0));
  EXPECT_EQ(host.runs, 0);
  EXPECT_EQ(errors.str(), "Error, unable to open service group order key\n");
  EXPECT_TRUE(machine.ui.Boxes().empty());
  EXPECT_EQ(machine.Leaks(), "");
}

}  // namespace
}  // namespace ql::config::testing
