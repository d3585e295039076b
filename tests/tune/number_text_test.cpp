#include "tune/number_text.h"

#include <gtest/gtest.h>

#include <climits>
#include <string>

#include "tune/controls.h"
#include "tune/tune_error.h"

namespace ql::tune {
namespace {

TEST(StrictConversion, AcceptsOnlyASignAndDigitsWithinThirtyTwoBits) {
  EXPECT_EQ(ParseInteger("0"), 0);
  EXPECT_EQ(ParseInteger("954"), 954);
  EXPECT_EQ(ParseInteger("+5"), 5);
  EXPECT_EQ(ParseInteger("-1"), -1);
  EXPECT_EQ(ParseInteger("007"), 7);
  EXPECT_EQ(ParseInteger("2147483647"), INT_MAX);
  EXPECT_EQ(ParseInteger("-2147483648"), INT_MIN);

  for (const std::string text :
       {"", " ", "   ", "-", "+", "--1", "+-1", " 5", "5 ", "1e3", "0x10", "$10", "12a", "1.0",
        "2147483648", "-2147483649", "4294967295", "99999999999999999999999999999999"}) {
    EXPECT_EQ(ParseInteger(text), std::nullopt) << "'" << text << "'";
  }
  // A NUL inside the text is not the end of it.
  EXPECT_EQ(ParseInteger(std::string("12\0"
                                     "3",
                                     4)),
            std::nullopt);
  // A very long run of digits neither overflows nor converts.
  EXPECT_EQ(ParseInteger(std::string(100000, '9')), std::nullopt);
}

TEST(StrictConversion, FailureNamesTheTextInTheMessage) {
  try {
    (void)TextToInt("abc");
    FAIL() << "no error";
  } catch (const TuneError& e) {
    EXPECT_STREQ(e.what(), "'abc' is not a valid integer value");
  }
  try {
    (void)TextToInt("");
    FAIL() << "no error";
  } catch (const TuneError& e) {
    EXPECT_STREQ(e.what(), "'' is not a valid integer value");
  }
  EXPECT_EQ(IntToText(-2147483647 - 1), "-2147483648");
  EXPECT_EQ(IntToText(31260672), "31260672");
}

TEST(WrappingArithmetic, ProductsAndDifferencesWrapAtThirtyTwoBits) {
  EXPECT_EQ(WrapMultiply(32768, 65536), INT_MIN);
  EXPECT_EQ(WrapMultiply(32768, 954), 31260672);
  EXPECT_EQ(WrapMultiply(8192, 40000), 327680000);
  EXPECT_EQ(WrapMultiply(32768, 99999), -1018200064);  // 3276767232 - 2^32
  EXPECT_EQ(WrapMultiply(-1, INT_MIN), INT_MIN);
  // 4 GiB - 1 of memory reads as -1 before the 32,000,000 are taken off.
  EXPECT_EQ(WrapSubtract(-1, 32000000), -32000001);
  EXPECT_EQ(WrapSubtract(INT_MIN, 32000000), 2115483648);
}

TEST(FineTuner, KeepsTheLowSixteenBitsThenHoldsItsRange) {
  FineTuner maxLRU{954, 1, 32767, 2};
  maxLRU.SetPosition(40000);  // -25536
  EXPECT_EQ(maxLRU.position(), 1);
  maxLRU.SetPosition(65536 + 500);
  EXPECT_EQ(maxLRU.position(), 500);
  maxLRU.SetPosition(98303);  // 0x17FFF: low bits 32767
  EXPECT_EQ(maxLRU.position(), 32767);
  maxLRU.SetPosition(-1);
  EXPECT_EQ(maxLRU.position(), 1);

  FineTuner pageSize{32767, 8192, 32767, 512};
  pageSize.SetPosition(32768);  // -32768
  EXPECT_EQ(pageSize.position(), 8192);
  pageSize.SetPosition(16384);
  EXPECT_EQ(pageSize.position(), 16384);
}

TEST(FineTuner, ArrowsStepAndStopAtTheEnds) {
  FineTuner pageSize{32767, 8192, 32767, 512};
  pageSize.Move(Arrow::kDown);
  EXPECT_EQ(pageSize.position(), 32255);
  pageSize.Move(Arrow::kDown);
  EXPECT_EQ(pageSize.position(), 31743);
  pageSize.SetPosition(32256);
  pageSize.Move(Arrow::kUp);
  EXPECT_EQ(pageSize.position(), 32767);
  pageSize.Move(Arrow::kUp);  // no wrap-around past the top
  EXPECT_EQ(pageSize.position(), 32767);
  pageSize.SetPosition(8192);
  pageSize.Move(Arrow::kDown);
  EXPECT_EQ(pageSize.position(), 8192);

  FineTuner minLRU{2, 1, 32767, 2};
  minLRU.Move(Arrow::kDown);
  EXPECT_EQ(minLRU.position(), 1);
  minLRU.Move(Arrow::kDown);
  EXPECT_EQ(minLRU.position(), 1);
}

TEST(TrackBar, HoldsTenToEighty) {
  TrackBar bar;
  EXPECT_EQ(bar.position(), 16);
  bar.SetPosition(5);
  EXPECT_EQ(bar.position(), 10);
  bar.SetPosition(81);
  EXPECT_EQ(bar.position(), 80);
  bar.SetPosition(-2147483647 - 1);
  EXPECT_EQ(bar.position(), 10);
}

}  // namespace
}  // namespace ql::tune
