// The reading rules of stored field bytes, one table of inputs per rule.

#include "tables/dbf_values.h"

#include <gtest/gtest.h>

#include <limits>
#include <optional>
#include <random>
#include <string>

#include "tables/dbf_table.h"

namespace tables {
namespace {

using namespace std::string_literals;

template <typename T>
struct Case {
  std::string input;
  std::optional<T> want;
};

TEST(DbfValuesTest, Int32Forms) {
  const Case<std::int32_t> cases[] = {
      {"12", 12},
      {"   12", 12},
      {"00012", 12},
      {"+7", 7},
      {"-7", -7},
      {" -5", -5},
      {"$1F", 31},
      {"x1f", 31},
      {"X1F", 31},
      {"0x1F", 31},
      {"0X1f", 31},
      {"-$10", -16},
      {"+0x10", 16},
      {"2147483647", 2147483647},
      {"-2147483648", std::numeric_limits<std::int32_t>::min()},
      {"$7FFFFFFF", 2147483647},
      {"-$80000000", std::numeric_limits<std::int32_t>::min()},
      {"12   ", std::nullopt},  // a trailing blank
      {"12.5", std::nullopt},
      {"12.0", std::nullopt},
      {"1,000", std::nullopt},
      {"1 2", std::nullopt},
      {"- 5", std::nullopt},
      {"", std::nullopt},
      {"     ", std::nullopt},
      {"-", std::nullopt},
      {"+", std::nullopt},
      {"$", std::nullopt},
      {"0x", std::nullopt},
      {"$G", std::nullopt},
      {"1e3", std::nullopt},
      {"12\0"s, std::nullopt},
      {"2147483648", std::nullopt},
      {"-2147483649", std::nullopt},
      {"$80000000", std::nullopt},
      {"99999999999999999999999", std::nullopt},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE("'" + c.input + "'");
    EXPECT_EQ(ParseInt32(c.input), c.want);
  }
}

// The plain form is read a word at a time for short texts: random texts of 0 to 20 bytes, mostly
// blanks and digits, read as the general way reads them.
TEST(DbfValuesTest, PlainFormReadsAsTheGeneralWay) {
  std::mt19937 rng(12);
  const std::string plain = " 0123456789";
  const std::string other = "+-x$.:/A\xB0\x10"s + '\0';
  std::uniform_int_distribution<std::size_t> length(0, 20);
  std::uniform_int_distribution<int> percent(0, 99);
  for (int round = 0; round < 200000; ++round) {
    std::string text(length(rng), ' ');
    for (char& c : text) {
      const std::string& from = percent(rng) < 5 ? other : plain;
      c = from[std::uniform_int_distribution<std::size_t>(0, from.size() - 1)(rng)];
    }
    SCOPED_TRACE("'" + text + "'");
    ASSERT_EQ(ParseInt64(text), ParseIntegerForms(text, std::numeric_limits<std::int64_t>::max()));
  }
}

TEST(DbfValuesTest, Int64RangeLimits) {
  const Case<std::int64_t> cases[] = {
      {"2147483648", 2147483648LL},
      {"9223372036854775807", std::numeric_limits<std::int64_t>::max()},
      {"-9223372036854775808", std::numeric_limits<std::int64_t>::min()},
      {"$7FFFFFFFFFFFFFFF", std::numeric_limits<std::int64_t>::max()},
      {"  -0x8000000000000000", std::numeric_limits<std::int64_t>::min()},
      {"9223372036854775808", std::nullopt},
      {"-9223372036854775809", std::nullopt},
      {"$8000000000000000", std::nullopt},
      {"$FFFFFFFFFFFFFFFFF", std::nullopt},
      {"123456789012 ", std::nullopt},
      {"0000000000000000000000042", 42},  // leading zeros beyond 19 digits
      {"-0x00000000000000000001", -1},
      {"18446744073709551615", std::nullopt},  // fits 64 unsigned bits, not the signed range
      {"99999999999999999999", std::nullopt},  // 20 significant digits
  };
  for (const auto& c : cases) {
    SCOPED_TRACE("'" + c.input + "'");
    EXPECT_EQ(ParseInt64(c.input), c.want);
  }
}

TEST(DbfValuesTest, DecimalNumbersTakeOnlyAPoint) {
  const Case<double> cases[] = {
      {"  12.50", 12.5},
      {"12.5  ", 12.5},
      {"  -3.25", -3.25},
      {"+3", 3},
      {"1e3", 1000},
      {"1.5E-2", 0.015},
      {"2E+2", 200},
      {".5", 0.5},
      {"5.", 5},
      {"  0.1", 0.1},
      {"12,50", std::nullopt},
      {"1.234,5", std::nullopt},
      {"1,234.5", std::nullopt},
      {"12a", std::nullopt},
      {"1 2", std::nullopt},
      {"1e", std::nullopt},
      {"1e+", std::nullopt},
      {".", std::nullopt},
      {"-", std::nullopt},
      {"", std::nullopt},
      {"     ", std::nullopt},
      {"12\0"s, std::nullopt},
      {"inf", std::nullopt},
      {"nan", std::nullopt},
      {"0x10", std::nullopt},
      {"1e999", std::nullopt},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE("'" + c.input + "'");
    EXPECT_EQ(ParseDbfFloat(c.input), c.want);
  }
}

TEST(DbfValuesTest, DatesMustExist) {
  const Case<Date> cases[] = {
      {"20240131", Date{2024, 1, 31}},  {"20240229", Date{2024, 2, 29}},
      {"20000229", Date{2000, 2, 29}},  {"00010101", Date{1, 1, 1}},
      {"99991231", Date{9999, 12, 31}}, {"20240430", Date{2024, 4, 30}},
      {"20230229", std::nullopt},       {"19000229", std::nullopt},  // 1900 is not a leap year
      {"00000101", std::nullopt},       {"20241301", std::nullopt},
      {"20240001", std::nullopt},       {"20240100", std::nullopt},
      {"20240431", std::nullopt},       {"        ", std::nullopt},
      {"2024 101", std::nullopt},       {"2024-1-1", std::nullopt},
      {"2024010", std::nullopt},        {"NotAYear", std::nullopt},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE("'" + c.input + "'");
    EXPECT_EQ(ParseDbfDate(c.input), c.want);
  }
}

TEST(DbfValuesTest, LogicalIsUpperCaseTOrF) {
  const Case<bool> cases[] = {{"T", true},         {"F", false},        {"t", std::nullopt},
                              {"f", std::nullopt}, {"Y", std::nullopt}, {"N", std::nullopt},
                              {" ", std::nullopt}, {"?", std::nullopt}, {"", std::nullopt}};
  for (const auto& c : cases) {
    SCOPED_TRACE("'" + c.input + "'");
    EXPECT_EQ(ParseDbfLogical(c.input), c.want);
  }
}

TEST(DbfValuesTest, TextEndsAtTheFirstNul) {
  EXPECT_EQ(DbfText("AB    "), "AB    ");
  EXPECT_EQ(DbfText("AB\0CD"s), "AB");
  EXPECT_EQ(DbfText("\0AB"s), "");
  EXPECT_EQ(DbfText("      "), "      ");
  // Every length up to a few words, with no NUL or one NUL (maybe followed by others) at every
  // place, and bytes above 127 around it; the text is cut from a longer buffer, whose bytes
  // after it are never looked at.
  for (std::size_t n = 0; n <= 40; ++n) {
    for (std::size_t nul = 0; nul <= n; ++nul) {
      std::string buffer(n + 8, '\0');
      for (std::size_t i = 0; i < n; ++i)
        buffer[i] = i % 3 == 0 ? '\x80' : static_cast<char>('A' + i);
      if (nul < n) buffer[nul] = '\0';
      if (nul + 2 < n) buffer[nul + 2] = '\0';
      SCOPED_TRACE("length " + std::to_string(n) + ", NUL at " + std::to_string(nul));
      ASSERT_EQ(DbfText(std::string_view(buffer).substr(0, n)).size(), nul);
    }
  }
}

DbfField Field(FieldType type) {
  DbfField f;
  f.type = type;
  return f;
}

TEST(DbfValuesTest, DecodeFieldByType) {
  const FieldValue text = DecodeField(Field(FieldType::kString), "AB    ");
  ASSERT_EQ(text.kind(), FieldValue::Kind::kText);
  EXPECT_EQ(text.text(), "AB    ");
  EXPECT_EQ(DecodeField(Field(FieldType::kString), "      ").text(), "      ");

  EXPECT_EQ(DecodeField(Field(FieldType::kInteger), "   12").int32(), 12);
  EXPECT_TRUE(DecodeField(Field(FieldType::kInteger), "12   ").IsNull());
  EXPECT_TRUE(DecodeField(Field(FieldType::kInteger), " 12.5").IsNull());
  EXPECT_EQ(DecodeField(Field(FieldType::kLargeint), "  1234567890").int64(), 1234567890);
  EXPECT_EQ(DecodeField(Field(FieldType::kFloat), "  12.50").dbl(), 12.5);
  EXPECT_TRUE(DecodeField(Field(FieldType::kFloat), "  12,50").IsNull());
  EXPECT_TRUE(DecodeField(Field(FieldType::kFloat), "       ").IsNull());
  EXPECT_EQ(DecodeField(Field(FieldType::kDate), "20240229").date(), (Date{2024, 2, 29}));
  EXPECT_TRUE(DecodeField(Field(FieldType::kDate), "        ").IsNull());
  EXPECT_TRUE(DecodeField(Field(FieldType::kBoolean), "T").boolean());
  EXPECT_TRUE(DecodeField(Field(FieldType::kBoolean), "y").IsNull());
  EXPECT_EQ(DecodeField(Field(FieldType::kMemo), "        12").text(), "        12");
  EXPECT_TRUE(DecodeField(Field(FieldType::kUnknown), "\x01\x02\x03\x04").IsNull());
}

}  // namespace
}  // namespace tables
