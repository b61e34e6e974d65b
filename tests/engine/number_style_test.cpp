#include "engine/number_style.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>

namespace engine {
namespace {

struct NumberCase {
  double value;
  int decimals;
  const char* pt_br;
};

TEST(NumberStyleTest, RoundsHalvesAwayFromZeroFromTheDecimalForm) {
  const NumberCase cases[] = {
      {0.125, 2, "0,13"},  // 0.125 is exact in binary; halves go up
      {1200000.5, 0, "1.200.001"},
      {2.8805, 2, "2,88"},  // 2.88049999... in binary
      {1234567, 0, "1.234.567"},
      {1200000.4, 0, "1.200.000"},
      {102500.75, 0, "102.501"},
      {-4.3902439, 2, "-4,39"},
      {-100, 2, "-100,00"},
      {0, 2, "0,00"},
      {0, 0, "0"},
      {0.005, 2, "0,01"},
      {0.004, 2, "0,00"},
      {0.996, 2, "1,00"},
      {999.995, 2, "1.000,00"},
      {100.0 / 3.0, 2, "33,33"},
      {200.0 / 3.0, 2, "66,67"},
      {300, 2, "300,00"},
      {2.96, 2, "2,96"},
      {24.68, 2, "24,68"},
      {999, 0, "999"},
      {1000, 0, "1.000"},
      {-1234.5, 0, "-1.235"},
      {-0.001, 2, "0,00"},  // no sign on a value that rounds to zero
      {1e20, 0, "100.000.000.000.000.000.000"},
  };
  const Regional pt = Regional::PtBr();
  for (const auto& c : cases) {
    SCOPED_TRACE(c.pt_br);
    EXPECT_EQ(FormatNumber(c.value, c.decimals, pt), c.pt_br);
  }
}

TEST(NumberStyleTest, KeepsAtMostFifteenSignificantDigits) {
  const Regional pt = Regional::PtBr();
  EXPECT_EQ(FormatNumber(123456789012345678.0, 0, pt), "123.456.789.012.346.000");
  EXPECT_EQ(FormatNumber(1234567890123.456, 2, pt), "1.234.567.890.123,46");
  EXPECT_EQ(FormatNumber(12345678901234.567, 2, pt), "12.345.678.901.234,60");
}

TEST(NumberStyleTest, UsesTheRegionalSeparators) {
  EXPECT_EQ(FormatNumber(1234567.125, 2, Regional::EnUs()), "1,234,567.13");
  EXPECT_EQ(FormatNumber(0.125, 2, Regional::EnUs()), "0.13");
  Regional odd = Regional::PtBr();
  odd.thousands_separator = ' ';
  EXPECT_EQ(FormatNumber(1234567, 0, odd), "1 234 567");
}

TEST(NumberStyleTest, CountsInSentencesAreGroupedExactly) {
  // Exact past 15 digits, where a count through a double would round.
  EXPECT_EQ(CountText(0), "0");
  EXPECT_EQ(CountText(999), "999");
  EXPECT_EQ(CountText(969973), "969.973");
  EXPECT_EQ(CountText(-1234), "-1.234");
  EXPECT_EQ(CountText(std::numeric_limits<std::int64_t>::min()), "-9.223.372.036.854.775.808");
}

}  // namespace
}  // namespace engine
