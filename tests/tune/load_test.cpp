// Loading the model at start-up: the driver's values, the figures and the remembered fields.
#include <gtest/gtest.h>

#include "tests/tune/tune_fixture.h"

namespace ql::tune::testing {
namespace {

using Strings = std::vector<std::string>;

using LoadTest = TuneTest;

TEST_F(LoadTest, ShowsTheDriverValuesTheFiguresAndTheRememberedTexts) {
  SeedDriver({.PendingLimit = 40, .MinLRU = 64, .MaxLRU = 2000, .PageSize = 16384, .LazyWrite = 1});
  SeedRemembered("3000", "8192");
  TuningModel& m = Model();
  ASSERT_TRUE(m.Load());

  EXPECT_TRUE(Boxes().empty()) << machine.ui.ToString();
  EXPECT_EQ(C().TrackBar1.position(), 40);
  EXPECT_TRUE(C().TrackBar1.enabled);
  EXPECT_EQ(C().StaticText1, "40");
  EXPECT_EQ(C().UpDown1.position(), 16384);
  EXPECT_EQ(C().UpDown2.position(), 64);
  EXPECT_EQ(C().Edit2, "64");
  EXPECT_EQ(C().UpDown3.position(), 2000);
  // The fields show the remembered texts, the figure the registry's product.
  EXPECT_EQ(C().Edit3, "3000");
  EXPECT_EQ(C().Edit1, "8192");
  EXPECT_EQ(C().Label5, IntToText(kRoomyAvailable));
  EXPECT_EQ(C().Label6, "32768000");
  // The engine reads; it writes nothing and leaves no key open.
  EXPECT_TRUE(machine.registry.Writes().empty());
  EXPECT_EQ(machine.Leaks(), "") << machine.ToString();
}

TEST_F(LoadTest, FirstRunShowsTheDefaultTextsWhateverTheRegistryHolds) {
  SeedDriver({.MinLRU = 32, .MaxLRU = 954, .PageSize = 16384});
  ASSERT_TRUE(Model().Load());
  EXPECT_EQ(C().Edit3, "65535");
  EXPECT_EQ(C().Edit1, "32768");
  EXPECT_EQ(C().Label6, "15630336");  // 16384 x 954
  EXPECT_FALSE(machine.registry.KeyExists(kRemembered));

  // Saving at once checks the texts shown, not the registry's values: 65535 pages of 32768
  // bytes are more than any memory the engine can see (its figures are signed 32-bit), so the
  // save is refused with the memory check's message and the safe values, which a second
  // Save and Exit writes.
  Model().GradBtn1Click();
  EXPECT_EQ(Boxes(), Strings{msg::kMemory});
  EXPECT_TRUE(machine.registry.Writes().empty());
  EXPECT_FALSE(C().CloseRequested);
  EXPECT_EQ(C().Edit3, "954");
  Model().GradBtn1Click();
  EXPECT_TRUE(C().CloseRequested);
  EXPECT_EQ(Driver("MaxLRU"), 954u);
  EXPECT_EQ(Driver("PageSize"), 32768u);

  // Where the memory is there, the first run's texts go in as shown.
  sim::SimMachine large;
  large.memory.SetTotalPhys(0x7FFFFFFFu);
  large.registry.SetDword(kParams, "PendingLimit", 16);
  large.registry.SetDword(kParams, "MinLRU", 32);
  large.registry.SetDword(kParams, "MaxLRU", 954);
  large.registry.SetDword(kParams, "PageSize", 16384);
  large.registry.SetDword(kParams, "LazyWrite", 1);
  TuningModel m(large.platform());
  ASSERT_TRUE(m.Load());
  m.controls().Edit1 = "16384";  // 16384 x 65535 fits in 2115483647
  m.SaveandExit1Click();
  EXPECT_TRUE(large.ui.Boxes().empty()) << large.ui.ToString();
  EXPECT_EQ(large.registry.GetDword(kParams, "MaxLRU"), 65535u);
}

TEST_F(LoadTest, PageSizeTopStartsTheFineTunerAtTheBottom) {
  // The engine itself saves the top setting as 32768, which the 16-bit fine-tuner cannot
  // hold.
  Loaded({.PageSize = 32768});
  EXPECT_EQ(C().UpDown1.position(), 8192);
  EXPECT_EQ(C().Edit1, "32768");
  Model().UpDown1Click(Arrow::kUp);
  EXPECT_EQ(C().Edit1, "8704");
}

TEST_F(LoadTest, OutOfRangeRegistryValuesAreBroughtIntoTheControls) {
  // PendingLimit 5 shows and saves as 10; a MaxLRU of 40000 puts UpDown3 at 1, and the field
  // shows that position until the remembered text replaces it.
  SeedDriver({.PendingLimit = 5, .MinLRU = 0xFFFFFFFFu, .MaxLRU = 40000, .PageSize = 8192});
  machine.registry.SetDword(kRemembered, kRememberedMaxLRU, 7);  // wrong type: skipped
  ASSERT_TRUE(Model().Load());
  EXPECT_EQ(C().TrackBar1.position(), 10);
  EXPECT_EQ(C().StaticText1, "10");
  EXPECT_EQ(C().Edit2, "-1");
  EXPECT_EQ(C().UpDown2.position(), 1);
  EXPECT_EQ(C().UpDown3.position(), 1);
  EXPECT_EQ(C().Edit3, "1");
  EXPECT_EQ(C().Edit1, "32768");
  EXPECT_EQ(C().Label6, "327680000");  // 8192 x 40000, from the registry
  EXPECT_TRUE(Boxes().empty());        // no check runs while loading

  // Saved as shown once the cache fits; a MinLRU of -1 is below every MaxLRU.
  Mutable().Edit3 = "954";
  Model().SaveandExit1Click();
  EXPECT_TRUE(Boxes().empty()) << machine.ui.ToString();
  EXPECT_EQ(Driver("PendingLimit"), 10u);
  EXPECT_EQ(Driver("MinLRU"), 0xFFFFFFFFu);
}

TEST_F(LoadTest, LazyWriteDecidesWhetherTheTrackBarIsEnabled) {
  Loaded({.LazyWrite = 0});
  EXPECT_FALSE(C().TrackBar1.enabled);

  // Disabled, it is still reset and saved.
  Model().TrackBar1Change(60);
  Model().GradBtn3Click();
  EXPECT_EQ(C().TrackBar1.position(), 16);
  EXPECT_FALSE(C().TrackBar1.enabled);
  Model().GradBtn1Click();
  EXPECT_EQ(Driver("PendingLimit"), 16u);
}

TEST_F(LoadTest, LazyWriteOtherThanZeroOrOneLeavesTheTrackBarAsItWas) {
  Loaded({.LazyWrite = 7});
  EXPECT_TRUE(C().TrackBar1.enabled);
}

TEST_F(LoadTest, AMissingValueStopsLoadingThereAndNamesIt) {
  SeedDriver({.MinLRU = 100, .MaxLRU = 2000});
  ASSERT_TRUE(machine.registry.DeleteValue(kParams, "MaxLRU"));
  SeedRemembered("5000", "4096");
  EXPECT_FALSE(Model().Load());

  EXPECT_EQ(Boxes(), std::vector<std::string>{"Failed to get data for 'MaxLRU'"});
  EXPECT_EQ(machine.ui.Boxes()[0].style, mb::kOk | mb::kIconHand);
  // What came before stays; LazyWrite was not read, so the track bar is disabled; figures
  // and remembered fields are untouched.
  EXPECT_EQ(C().Edit2, "100");
  EXPECT_EQ(C().UpDown2.position(), 100);
  EXPECT_EQ(C().Edit3, "954");
  EXPECT_EQ(C().Edit1, "32767");
  EXPECT_FALSE(C().TrackBar1.enabled);
  EXPECT_EQ(C().Label5, "0");
  EXPECT_EQ(C().Label6, "31259718");
  EXPECT_EQ(machine.Leaks(), "") << machine.ToString();
}

TEST_F(LoadTest, AValueOfAnotherTypeIsRefusedWhateverItsLength) {
  const std::vector<std::uint8_t> eightBytes{1, 2, 3, 4, 5, 6, 7, 8};
  struct Case {
    std::uint32_t type;
    std::vector<std::uint8_t> bytes;
    const char* message;
  };
  for (const Case& c : {Case{reg::kSz, {'3', '2', 0}, "Invalid data type for 'MinLRU'"},
                        Case{reg::kBinary, eightBytes, "Invalid data type for 'MinLRU'"},
                        Case{reg::kBinary, {32, 0, 0, 0}, "Invalid data type for 'MinLRU'"},
                        // A REG_DWORD that does not fit four bytes cannot be read.
                        Case{reg::kDword, eightBytes, "Failed to get data for 'MinLRU'"}}) {
    sim::SimMachine local;
    local.registry.SetDword(kParams, "PendingLimit", 20);
    local.registry.SetRaw(kParams, "MinLRU", c.type, c.bytes);
    TuningModel m(local.platform());
    EXPECT_FALSE(m.Load());
    EXPECT_EQ(local.ui.Texts(), std::vector<std::string>{c.message}) << c.type;
    EXPECT_EQ(m.controls().StaticText1, "20");
    EXPECT_EQ(m.controls().Edit2, "32");
    EXPECT_EQ(local.Leaks(), "");
  }
}

TEST_F(LoadTest, AShortDwordFillsTheLowBytes) {
  SeedDriver();
  machine.registry.SetRaw(kParams, "PendingLimit", reg::kDword, {50, 0});
  ASSERT_TRUE(Model().Load());
  EXPECT_EQ(C().TrackBar1.position(), 50);
}

TEST_F(LoadTest, WithoutRightsTheFirstValueFails) {
  SeedDriver();
  machine.registry.SetAdministrator(false);
  EXPECT_FALSE(Model().Load());
  EXPECT_EQ(Boxes(), std::vector<std::string>{"Failed to get data for 'PendingLimit'"});
  EXPECT_FALSE(C().TrackBar1.enabled);
}

TEST_F(LoadTest, AMissingKeyIsCreatedButNoValueIs) {
  EXPECT_FALSE(Model().Load());
  EXPECT_EQ(Boxes(), std::vector<std::string>{"Failed to get data for 'PendingLimit'"});
  EXPECT_TRUE(machine.registry.KeyExists(kParams));
  EXPECT_TRUE(machine.registry.ValueNames(kParams).empty());
  EXPECT_EQ(machine.Leaks(), "");
}

TEST_F(LoadTest, FormCreateRecordsAndLetsMessagesRunBeforeLoading) {
  SeedDriver();
  std::size_t recordsAtPump = 0;
  std::size_t queriesAtPump = 99;
  Model().SetMessagePump([&] {
    recordsAtPump = machine.eventLog.Records().size();
    queriesAtPump = 0;
    for (const auto& call : machine.registry.Calls()) {
      if (call.op == sim::RegOp::kQuery) ++queriesAtPump;
    }
  });
  EXPECT_TRUE(Model().FormCreate());
  EXPECT_EQ(Records(), std::vector<std::string>{"Quillon Tuning Event Initialized"});
  EXPECT_EQ(recordsAtPump, 1u);
  EXPECT_EQ(queriesAtPump, 0u);
  EXPECT_EQ(C().Label6, "31260672");
}

// ------------------------------------------------------------------ remembered fields

struct RememberedCase {
  const char* what;
  std::uint32_t type;
  std::string bytes;
  std::string expected;  // Edit3 afterwards
};

TEST_F(LoadTest, RememberedTextsAreTakenUpToTheFirstNulAndOtherTypesSkipped) {
  const std::string longText(70000, '7');
  const std::vector<RememberedCase> cases{
      {"REG_SZ without NUL", reg::kSz, "40000", "40000"},
      {"REG_SZ with NUL", reg::kSz, std::string("40000\0", 6), "40000"},
      {"REG_EXPAND_SZ", reg::kExpandSz, "%X%", "%X%"},
      {"inner NUL", reg::kSz,
       std::string("12\0"
                   "34",
                   5),
       "12"},
      {"size 0", reg::kSz, "", ""},
      {"any bytes", reg::kSz, "\xFF\x01 a b", "\xFF\x01 a b"},
      {"long", reg::kSz, longText, longText},
      {"REG_DWORD", reg::kDword, std::string("\x10\0\0\0", 4), "954"},
      {"REG_MULTI_SZ", reg::kMultiSz, std::string("1\0\0", 3), "954"},
      {"REG_BINARY", reg::kBinary, "1", "954"},
  };
  for (const auto& c : cases) {
    sim::SimMachine local;
    local.memory.SetTotalPhys(kRoomyMemory);
    for (const char* name : {"PendingLimit", "MinLRU", "MaxLRU", "PageSize", "LazyWrite"}) {
      local.registry.SetDword(kParams, name, 1);
    }
    local.registry.SetDword(kParams, "MaxLRU", 954);
    local.registry.SetRaw(kRemembered, kRememberedMaxLRU, c.type,
                          std::vector<std::uint8_t>(c.bytes.begin(), c.bytes.end()));
    TuningModel m(local.platform());
    EXPECT_TRUE(m.Load()) << c.what;
    EXPECT_EQ(m.controls().Edit3, c.expected) << c.what;
    // The other value is missing: its default.
    EXPECT_EQ(m.controls().Edit1, "32768") << c.what;
    EXPECT_TRUE(local.ui.Boxes().empty()) << c.what;
    EXPECT_EQ(local.Leaks(), "") << c.what;
  }
}

TEST_F(LoadTest, RememberedTextsSurviveASaveUnchanged) {
  // What one run writes, the next run shows, also where the platform adds a NUL.
  for (const bool appendNul : {false, true}) {
    sim::SimMachine local;
    local.registry.SetAppendNulToStrings(appendNul);
    for (const char* name : {"PendingLimit", "MinLRU", "MaxLRU", "PageSize", "LazyWrite"}) {
      local.registry.SetDword(kParams, name, 32);
    }
    local.memory.SetTotalPhys(2000000000);  // room for 16384 x 99999
    TuningModel first(local.platform());
    ASSERT_TRUE(first.Load());
    first.controls().Edit3 = "99999";
    first.controls().Edit1 = "16384";
    first.SaveandExit1Click();
    ASSERT_TRUE(first.controls().CloseRequested);
    EXPECT_EQ(local.registry.GetBytes(kRemembered, kRememberedMaxLRU).value().size(),
              appendNul ? 6u : 5u);

    TuningModel second(local.platform());
    ASSERT_TRUE(second.Load());
    EXPECT_EQ(second.controls().Edit3, "99999");
    EXPECT_EQ(second.controls().Edit1, "16384");
  }
}

}  // namespace
}  // namespace ql::tune::testing
