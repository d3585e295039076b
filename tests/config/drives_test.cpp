// The fixed-drive list: which drives qualify, their sizes and the numbers of their devices.
#include "config/drives.h"

#include <gtest/gtest.h>

#include "tests/config/config_fixture.h"

namespace ql::config::testing {
namespace {

using sim::SimDisks;

TEST(DeviceTargetTest, NumbersAreReadByPositionInDecimal) {
  struct Case {
    std::string_view target;
    std::uint32_t disk;
    std::uint32_t partition;
  };
  for (const Case& c : {
           Case{"\\Device\\Harddisk0\\Partition1", 0, 1},
           Case{"\\Device\\Harddisk3\\Partition2", 3, 2},
           Case{"\\Device\\Harddisk10\\Partition12", 10, 12},
           Case{"\\Device\\Harddisk1\\Partition0", 1, 0},
           Case{"\\Device\\Harddisk0\\Partition", 0, 0},
           // The prefixes are skipped by length, not compared.
           Case{"\\Xxxxxx\\Yyyyyyyy7\\Zzzzzzzzz5", 7, 5},
       }) {
    const DeviceNumbers n = ReadDeviceTargetNumbers(c.target);
    EXPECT_EQ(n.disk, c.disk) << c.target;
    EXPECT_EQ(n.partition, c.partition) << c.target;
  }
}

TEST(DeviceTargetTest, OtherFormsGiveZeroAndStayInsideTheText) {
  // Each target is copied to a heap block of exactly its length, so the sanitizer build
  // sees any read past its end.
  for (std::string_view target :
       {"\\Device\\HarddiskVolume1", "\\Device\\CdRom0", "", "\\Device\\Harddisk",
        "\\Device\\Harddisk4", "\\Device\\Harddisk-1\\Partition+2"}) {
    auto copy = std::make_unique<char[]>(target.size() + 1);
    std::copy(target.begin(), target.end(), copy.get());
    const DeviceNumbers n = ReadDeviceTargetNumbers(std::string_view(copy.get(), target.size()));
    EXPECT_EQ(n.partition, 0u) << target;
    if (target != "\\Device\\Harddisk4") {
      EXPECT_EQ(n.disk, 0u) << target;
    } else {
      EXPECT_EQ(n.disk, 4u);
    }
  }
}

class DrivesTest : public ConfigTest {
 protected:
  std::vector<std::string> Names(const DriveRecord* r) {
    std::vector<std::string> names;
    for (; r != nullptr; r = r->Next.get()) names.push_back(r->DriveName);
    return names;
  }
};

TEST_F(DrivesTest, OnlyFixedDrivesThatAnswerQualifyInPlatformOrder) {
  machine.disks.drives.clear();
  machine.disks.AddDrive(SimDisks::FixedDrive('E', 1, 1));
  auto floppy = SimDisks::FixedDrive('A', 0, 0);
  floppy.type = drive::kRemovable;
  machine.disks.AddDrive(floppy);
  machine.disks.AddDrive(SimDisks::FixedDrive('C', 0, 1));
  auto noSpace = SimDisks::FixedDrive('F', 2, 1);
  noSpace.spaceError = err::kNotReady;
  machine.disks.AddDrive(noSpace);
  auto noVolume = SimDisks::FixedDrive('G', 2, 2);
  noVolume.volumeError = err::kNotReady;
  machine.disks.AddDrive(noVolume);
  auto cd = SimDisks::FixedDrive('H', 0, 0);
  cd.type = drive::kCdrom;
  machine.disks.AddDrive(cd);
  machine.disks.AddDrive(SimDisks::FixedDrive('D', 11, 3));

  const auto list = EnumerateFixedDrives(platform, "QlConfig");
  EXPECT_EQ(Names(list.get()), (std::vector<std::string>{"E:", "C:", "D:"}));
  const DriveRecord* d = list->Next->Next.get();
  EXPECT_EQ(d->DiskNumber, 11u);
  EXPECT_EQ(d->PartitionNumber, 3u);
  EXPECT_STREQ(d->DeviceTarget, "\\Device\\Harddisk11\\Partition3");
  EXPECT_TRUE(machine.ui.Boxes().empty());
}

TEST_F(DrivesTest, SizeMultipliesClusterBytesIn32BitsThenClustersIn64) {
  machine.disks.drives.clear();
  auto big = SimDisks::FixedDrive('C', 0, 1);
  big.space = {64, 512, 0, 0x00100000};  // 32 KiB clusters, 32 GiB in all
  machine.disks.AddDrive(big);
  auto wrapped = SimDisks::FixedDrive('D', 0, 2);
  wrapped.space = {0x10000, 0x10000, 0, 5};  // the cluster size wraps to 0 in 32 bits
  machine.disks.AddDrive(wrapped);
  const auto list = EnumerateFixedDrives(platform, "QlConfig");
  ASSERT_EQ(Names(list.get()), (std::vector<std::string>{"C:", "D:"}));
  EXPECT_EQ(list->SizeBytes, 32ull << 30);
  EXPECT_EQ(list->Next->SizeBytes, 0u);
  EXPECT_EQ(FormatDriveEntry(*list), " C:               32768");
}

TEST_F(DrivesTest, EntryShowsSizeInWholeMebibytes) {
  DriveRecord r;
  std::strcpy(r.DriveName, "C:");
  r.SizeBytes = 2147483648ull + 1048575;
  EXPECT_EQ(FormatDriveEntry(r), " C:                2048");
  r.SizeBytes = 3145728;
  EXPECT_EQ(FormatDriveEntry(r), " C:                   3");
}

TEST_F(DrivesTest, DriveStringsFailureShowsMessageAndGivesNoList) {
  machine.disks.driveStringsFaults.FailNext(err::kGenFailure);
  EXPECT_EQ(EnumerateFixedDrives(platform, "QlConfig"), nullptr);
  ASSERT_EQ(machine.ui.Boxes().size(), 1u);
  EXPECT_EQ(machine.ui.Boxes()[0].text, "Internal error: GetDriveLogicalStrings() failed");
  EXPECT_EQ(machine.ui.Boxes()[0].caption, "QlConfig");
  EXPECT_EQ(machine.ui.Boxes()[0].style, mb::kOk | mb::kIconHand);
}

TEST_F(DrivesTest, DeviceQueryFailureDropsTheWholeList) {
  machine.disks.drives.clear();
  machine.disks.AddDrive(SimDisks::FixedDrive('C', 0, 1));
  auto d = SimDisks::FixedDrive('D', 0, 2);
  d.dosTargetError = err::kFileNotFound;
  machine.disks.AddDrive(d);
  EXPECT_EQ(EnumerateFixedDrives(platform, "QlConfig"), nullptr);
  EXPECT_EQ(machine.ui.Texts(),
            (std::vector<std::string>{"Internal error: QueryDosDevice() failed, drive D:"}));
}

TEST_F(DrivesTest, TargetFillingTheWholeBufferIsCutAtItsEnd) {
  machine.disks.drives.clear();
  auto c = SimDisks::FixedDrive('C', 0, 1);
  // 64 characters, no terminator at all.
  c.dosTarget = "\\Device\\Harddisk2\\Partition1" + std::string(64 - 28, 'x');
  machine.disks.AddDrive(c);
  auto wine = SimDisks::FixedDrive('D', 0, 1);
  wine.dosTarget = SimDisks::Target("\\Device\\HarddiskVolume1");
  machine.disks.AddDrive(wine);
  const auto list = EnumerateFixedDrives(platform, "QlConfig");
  ASSERT_EQ(Names(list.get()), (std::vector<std::string>{"C:", "D:"}));
  EXPECT_EQ(std::string(list->DeviceTarget).size(), 63u);
  EXPECT_EQ(list->DiskNumber, 2u);
  EXPECT_EQ(list->PartitionNumber, 1u);
  EXPECT_EQ(list->Next->DiskNumber, 0u);
  EXPECT_EQ(list->Next->PartitionNumber, 0u);
}

}  // namespace
}  // namespace ql::config::testing
