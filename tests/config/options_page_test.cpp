// The options page: entries, the choice of a drive or none, lazy writing, summaries and the
// wizard buttons through the page's states.
#include <gtest/gtest.h>

#include "config/install.h"
#include "config/pages.h"
#include "config/wizard_app.h"
#include "tests/config/config_fixture.h"

namespace ql::config::testing {
namespace {

using sim::SimDisks;

constexpr std::uint32_t kBackFinish = wizb::kBack | wizb::kFinish;
constexpr std::uint32_t kBackDisabledFinish = wizb::kBack | wizb::kDisabledFinish;
constexpr std::uint64_t kMiB = 1024 * 1024;

class OptionsPageTest : public ConfigTest {
 protected:
  void SetUp() override {
    ConfigTest::SetUp();
    machine.disks.drives.clear();
    machine.disks.AddDrive(SimDisks::FixedDrive('C', 0, 1, 2048 * kMiB));
    machine.disks.AddDrive(SimDisks::FixedDrive('D', 1, 2, 3 * kMiB));
    settings.CacheBudget = CacheBudget(64 * 1024 * 1024);
  }

  COptDlg& Page() {
    if (!page) page = std::make_unique<COptDlg>(platform, settings, "QlConfig");
    return *page;
  }

  // First display and activation, as the sheet does it.
  COptDlg& Show() {
    Page().OnInitDialog();
    Page().OnSetActive(sheet);
    return Page();
  }

  DriverSettings settings;
  FakeSheet sheet;
  std::unique_ptr<COptDlg> page;
};

TEST_F(OptionsPageTest, ListsDrivesThenTheDisableEntry) {
  Show();
  EXPECT_EQ(Page().Entries(), (std::vector<COptDlg::Entry>{
                                  {" C:                2048", 3},
                                  {" D:                   3", 3},
                                  {"Disable Quillon-NT", 0},
                              }));
}

TEST_F(OptionsPageTest, StoredDisabledThenDriveChosen) {
  settings.Start = 4;
  settings.LazyWrite = 1;
  Show();
  EXPECT_EQ(Page().Summary(), "Quillon-NT is disabled");
  EXPECT_FALSE(Page().LazyButtonsEnabled());
  EXPECT_EQ(Page().LazyChoice(), 0);  // "Off", whatever LazyWrite holds
  EXPECT_EQ(sheet.Buttons(), kBackDisabledFinish);

  Page().OnListClick(sheet, 0);
  EXPECT_EQ(Page().ChosenDrive(), Page().Drives());
  EXPECT_EQ(settings.Start, 0u);
  EXPECT_EQ(settings.Drive, 0u);
  EXPECT_EQ(settings.Partition, 1u);
  EXPECT_STREQ(settings.DosDevice, "C:");
  EXPECT_EQ(settings.LazyWrite, 0u);  // the page started with "Off"
  EXPECT_EQ(settings.MaxLRU, 640u);   // 20,971,520-byte budget / 32768
  EXPECT_TRUE(Page().LazyButtonsEnabled());
  EXPECT_EQ(Page().Summary(), "Quillon-NT enabled, Drive C:\nLazy Write is OFF");
  EXPECT_EQ(sheet.Buttons(), kBackFinish);
  EXPECT_TRUE(Page().ChoiceMade());

  Page().OnLazyButton(sheet, 1);
  EXPECT_EQ(settings.LazyWrite, 1u);
  EXPECT_EQ(Page().LazyChoice(), 1);
  EXPECT_EQ(Page().Summary(), "Quillon-NT enabled, Drive C:\nLazy Write is ON");

  // Back and return: the choice and Finish stay.
  Page().OnSetActive(sheet);
  EXPECT_EQ(sheet.Buttons(), kBackFinish);
  EXPECT_EQ(Page().Summary(), "Quillon-NT enabled, Drive C:\nLazy Write is ON");
}

TEST_F(OptionsPageTest, SmallPartitionLimitsTheCache) {
  Show();
  Page().OnListClick(sheet, 1);
  EXPECT_EQ(settings.MaxLRU, 96u);
  EXPECT_EQ(settings.Drive, 1u);
  EXPECT_EQ(settings.Partition, 2u);
  EXPECT_EQ(DeriveMinLru(settings.MaxLRU), 24u);
}

TEST_F(OptionsPageTest, StoredEnabledButtonEnablesFinishForThisActivationOnly) {
  settings.Start = 0;
  settings.LazyWrite = 1;
  std::strcpy(settings.DosDevice, "E:");
  Show();
  EXPECT_EQ(Page().Summary(), "Quillon-NT enabled, Drive E:\nLazy Write is ON");
  EXPECT_EQ(Page().LazyChoice(), 1);
  EXPECT_TRUE(Page().LazyButtonsEnabled());
  EXPECT_EQ(sheet.Buttons(), kBackDisabledFinish);

  Page().OnLazyButton(sheet, 0);
  EXPECT_EQ(settings.LazyWrite, 0u);
  EXPECT_EQ(Page().Summary(), "Quillon-NT enabled, Drive E:\nLazy Write is OFF");
  EXPECT_EQ(sheet.Buttons(), kBackFinish);
  EXPECT_FALSE(Page().ChoiceMade());

  Page().OnSetActive(sheet);  // back and return
  EXPECT_EQ(sheet.Buttons(), kBackDisabledFinish);
}

TEST_F(OptionsPageTest, StoredEnabledWithOtherLazyValueStartsOff) {
  settings.Start = 0;
  settings.LazyWrite = 2;
  std::strcpy(settings.DosDevice, "C:");
  Show();
  EXPECT_EQ(Page().LazyChoice(), 0);
  EXPECT_EQ(Page().Summary(), "Quillon-NT enabled, Drive C:\nLazy Write is OFF");
}

TEST_F(OptionsPageTest, DisableEntryKeepsTheDriveValues) {
  Show();
  Page().OnListClick(sheet, 0);
  Page().OnListClick(sheet, 2);  // the disable entry
  EXPECT_EQ(Page().ChosenDrive(), nullptr);
  EXPECT_EQ(settings.Start, 4u);
  EXPECT_STREQ(settings.DosDevice, "C:");
  EXPECT_EQ(settings.MaxLRU, 640u);
  EXPECT_FALSE(Page().LazyButtonsEnabled());
  EXPECT_EQ(Page().Summary(), "Quillon-NT disabled");
  EXPECT_EQ(sheet.Buttons(), kBackFinish);
  EXPECT_TRUE(Page().ChoiceMade());

  // A click that leaves no entry focused counts as the disable entry too; a disabled
  // button cannot be pressed.
  Page().OnListClick(sheet, 1);
  Page().OnListClick(sheet, -1);
  EXPECT_EQ(settings.Start, 4u);
  Page().OnLazyButton(sheet, 1);
  EXPECT_EQ(Page().Summary(), "Quillon-NT disabled");
}

TEST_F(OptionsPageTest, EmptyListAfterFailureStillAllowsStoredDrive) {
  settings.Start = 0;
  std::strcpy(settings.DosDevice, "C:");
  machine.disks.driveStringsFaults.FailNext(err::kGenFailure);
  Show();
  EXPECT_TRUE(Page().Entries().empty());
  EXPECT_EQ(machine.ui.Texts(),
            (std::vector<std::string>{"Internal error: GetDriveLogicalStrings() failed"}));
  Page().OnLazyButton(sheet, 1);
  EXPECT_EQ(Page().Summary(), "Quillon-NT enabled, Drive C:\nLazy Write is ON");
  EXPECT_EQ(sheet.Buttons(), kBackFinish);
}

TEST_F(OptionsPageTest, FinishAndCancelFreeTheDriveList) {
  Show();
  Page().OnListClick(sheet, 0);
  Page().OnWizardFinish();
  EXPECT_EQ(Page().Drives(), nullptr);
  EXPECT_EQ(Page().ChosenDrive(), nullptr);

  page.reset();
  Show();
  Page().OnCancel();
  EXPECT_EQ(Page().Drives(), nullptr);
}

TEST_F(OptionsPageTest, ListIsFilledOnceOnly) {
  Show();
  Page().OnInitDialog();
  EXPECT_EQ(Page().Entries().size(), 3u);
}

TEST(WelcomePageTest, ShowsNextOnlyAndNamesTheVersion) {
  FakeSheet sheet;
  CPage1 welcome;
  welcome.OnSetActive(sheet);
  EXPECT_EQ(sheet.buttons, std::vector<std::uint32_t>{wizb::kNext});
  EXPECT_EQ(sheet.caption, "Quillon-NT V4.0-1 Configuration Wizard");
}

}  // namespace
}  // namespace ql::config::testing
