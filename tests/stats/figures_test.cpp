// The monitor's figures and number rules, without a machine behind them.
#include <gtest/gtest.h>

#include <cstdint>

#include "stats/stats_dialog.h"
#include "stats/stats_engine.h"

namespace ql::stats {
namespace {

constexpr std::uint64_t k2To32 = std::uint64_t{1} << 32;

TEST(FormatPercent, FiveCharactersWithOneDecimal) {
  EXPECT_EQ(FormatPercent(2, 3), " 66.7");
  EXPECT_EQ(FormatPercent(0, 7), "  0.0");
  EXPECT_EQ(FormatPercent(1, 8), " 12.5");
  EXPECT_EQ(FormatPercent(999, 1000), " 99.9");
  EXPECT_EQ(FormatPercent(7, 7), "100.0");
}

TEST(FormatPercent, AnIntervalWithoutOperationsIsFullyServed) {
  EXPECT_EQ(FormatPercent(0, 0), "100.0");
  // Hits without reads: the denominator decides.
  EXPECT_EQ(FormatPercent(5, 0), "100.0");
}

TEST(FormatPercent, MoreHitsThanReadsIsCappedAtOneHundred) {
  EXPECT_EQ(FormatPercent(5, 4), "100.0");
  EXPECT_EQ(FormatPercent(0xFFFFFFFFu, 1), "100.0");
}

TEST(FormatPercent, OnlyTheLowHalvesOfTheDifferencesCount) {
  // A denominator of exactly 2^32 is 0 in its low half.
  EXPECT_EQ(FormatPercent(1, k2To32), "100.0");
  EXPECT_EQ(FormatPercent(k2To32 + 1, k2To32 + 4), " 25.0");
  // Low halves taken as unsigned: no negative share.
  EXPECT_EQ(FormatPercent(0x80000000u, 0xFFFFFFFFu), " 50.0");
}

TEST(FormatCount, ElevenCharactersOfTheLowHalfTakenAsSigned) {
  EXPECT_EQ(FormatCount(1234), "       1234");
  EXPECT_EQ(FormatCount(0), "          0");
  EXPECT_EQ(FormatCount(2147483647), " 2147483647");
  EXPECT_EQ(FormatCount(0x80000000u), "-2147483648");
  EXPECT_EQ(FormatCount(0xFFFFFFFFu), "         -1");
  EXPECT_EQ(FormatCount(k2To32 + 5), "          5");
}

TEST(Difference, IsTakenModulo2To64AndShownByItsLowHalf) {
  const Counters previous{0xFFFFFFF0u, 10, 0xFFFFFFFFFFFFFFF0u, 5};
  const Counters current{k2To32 + 0x10, 18, 0x10, 5};
  const Counters difference = Difference(current, previous);
  EXPECT_EQ(difference, (Counters{0x20, 8, 0x20, 0}));

  const Figures figures = FiguresOf(difference);
  EXPECT_EQ(figures, (Figures{"         32", " 25.0", "         32", "  0.0"}));

  // A counter that went backwards (a driver that restarted) shows as a negative count.
  EXPECT_EQ(FiguresOf(Difference({5, 0, 0, 0}, {10, 0, 0, 0})).reads, "         -5");
  // A difference above 2^32 shows only what is above the last multiple of 2^32.
  EXPECT_EQ(FiguresOf(Difference({3 * k2To32 + 7, 0, 0, 0}, {0, 0, 0, 0})).reads, "          7");
}

TEST(CountersOf, TakesTheFourCountersFromTheirOffsets) {
  OV_STATISTICS answer{};
  answer.WriteCount = 1;
  answer.WriteBehindCount = 2;
  answer.ReadCount = 3;
  answer.ReadHitCount = 4;
  EXPECT_EQ(CountersOf(answer), (Counters{3, 4, 1, 2}));
}

TEST(ParseInteger, AcceptsWholeNumbersOnly) {
  EXPECT_EQ(ParseInteger("2"), 2);
  EXPECT_EQ(ParseInteger(" 3600 "), 3600);
  EXPECT_EQ(ParseInteger("+7"), 7);
  EXPECT_EQ(ParseInteger("-5"), -5);
  EXPECT_EQ(ParseInteger("0005"), 5);
  EXPECT_EQ(ParseInteger("2147483647"), 2147483647);
  EXPECT_EQ(ParseInteger("-2147483648"), -2147483647 - 1);

  for (const char* text : {"", " ", "abc", "12a", "1 2", "1.5", "+", "-", "0x10", "2147483648",
                           "-2147483649", "99999999999999999999"}) {
    EXPECT_FALSE(ParseInteger(text).has_value()) << '"' << text << '"';
  }
}

TEST(OutOfRangeMessage, FillsInBothBounds) {
  EXPECT_EQ(OutOfRangeMessage(1, 3600), "Please enter an integer between 1 and 3600.");
}

TEST(SystemCommand, AboutIsRecognisedWithTheLowFourBitsCleared) {
  EXPECT_TRUE(IsAboutCommand(0x10));
  EXPECT_TRUE(IsAboutCommand(0x1F));
  EXPECT_FALSE(IsAboutCommand(0x20));
  EXPECT_FALSE(IsAboutCommand(0xF060));  // Close
  EXPECT_FALSE(IsAboutCommand(0x0F));
}

TEST(IconPosition, CentresByIntegerDivision) {
  const Point at = IconPosition(36, 35, 32, 32);
  EXPECT_EQ(at.x, 2);  // (36 - 32 + 1) / 2
  EXPECT_EQ(at.y, 2);  // (35 - 32 + 1) / 2
  const Point small = IconPosition(16, 16, 32, 32);
  EXPECT_EQ(small.x, -7);  // towards zero, as the platform's integer division
}

}  // namespace
}  // namespace ql::stats
