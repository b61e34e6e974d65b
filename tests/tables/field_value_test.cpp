// Conversions and comparison of field values.

#include "tables/field_value.h"

#include <gtest/gtest.h>

#include <limits>
#include <string>

#include "support/expect_throw_msg.h"
#include "tables/table_error.h"

namespace tables {
namespace {

TEST(FieldValueTest, AsStringOfEveryKind) {
  EXPECT_EQ(FieldValue::Text("AB  ").AsString(), "AB  ");
  EXPECT_EQ(FieldValue::Int32(-42).AsString(), "-42");
  EXPECT_EQ(FieldValue::Int64(12345678901234LL).AsString(), "12345678901234");
  EXPECT_EQ(FieldValue::Bool(true).AsString(), "True");
  EXPECT_EQ(FieldValue::Bool(false).AsString(), "False");
  EXPECT_EQ(FieldValue::FromDate({2024, 2, 9}).AsString(), "20240209");
  EXPECT_EQ(FieldValue::FromDate({33, 12, 1}).AsString(), "00331201");
}

TEST(FieldValueTest, DoublesInGeneralForm) {
  const struct {
    double value;
    char separator;
    const char* want;
  } cases[] = {
      {12.5, '.', "12.5"},
      {12.5, ',', "12,5"},
      {100, '.', "100"},
      {-0.5, '.', "-0.5"},
      {0, '.', "0"},
      {0.1, '.', "0.1"},
      {2.0 / 3.0, '.', "0.666666666666667"},
      {123456789012345.0, '.', "123456789012345"},
      {1e15, '.', "1E15"},
      {1.5e20, ',', "1,5E20"},
      {0.00001, '.', "0.00001"},
      {0.000001, '.', "1E-6"},
      {-2.5e-7, '.', "-2.5E-7"},
      {1234567.891, ',', "1234567,891"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.want);
    EXPECT_EQ(FieldValue::Double(c.value).AsString(c.separator), c.want);
  }
}

TEST(FieldValueTest, ConversionErrorsNameBothTypes) {
  EXPECT_THROW_MSG(FieldValue().AsString(),
                   "Could not convert variant of type (Null) into type (String)");
  EXPECT_THROW_MSG(FieldValue().AsInt64(),
                   "Could not convert variant of type (Null) into type (Int64)");
  EXPECT_THROW_MSG(FieldValue().AsDouble(),
                   "Could not convert variant of type (Null) into type (Double)");
  EXPECT_THROW_MSG(FieldValue::Text("abc").AsInt64(),
                   "Could not convert variant of type (String) into type (Int64)");
  EXPECT_THROW_MSG(FieldValue::Text("12,5").AsDouble(),
                   "Could not convert variant of type (String) into type (Double)");
  EXPECT_THROW_MSG(FieldValue::Double(1e300).AsInt64(),
                   "Could not convert variant of type (Double) into type (Int64)");
}

TEST(FieldValueTest, NumericConversions) {
  EXPECT_EQ(FieldValue::Text(" 42").AsInt64(), 42);
  EXPECT_EQ(FieldValue::Text(" 4.25 ").AsDouble(), 4.25);
  EXPECT_EQ(FieldValue::Double(2.5).AsInt64(), 2);  // halves to even
  EXPECT_EQ(FieldValue::Double(3.5).AsInt64(), 4);
  EXPECT_EQ(FieldValue::Int32(7).AsDouble(), 7.0);
  EXPECT_EQ(FieldValue::Bool(true).AsInt64(), -1);
  EXPECT_EQ(FieldValue::FromDate({1899, 12, 30}).AsInt64(), 0);
  EXPECT_EQ(FieldValue::FromDate({2000, 1, 1}).AsInt64(), 36526);
}

TEST(FieldValueTest, KindNames) {
  using K = FieldValue::Kind;
  EXPECT_STREQ(FieldValue::KindName(K::kNull), "Null");
  EXPECT_STREQ(FieldValue::KindName(K::kText), "String");
  EXPECT_STREQ(FieldValue::KindName(K::kInt32), "Integer");
  EXPECT_STREQ(FieldValue::KindName(K::kInt64), "Int64");
  EXPECT_STREQ(FieldValue::KindName(K::kDouble), "Double");
  EXPECT_STREQ(FieldValue::KindName(K::kBool), "Boolean");
  EXPECT_STREQ(FieldValue::KindName(K::kDate), "Date");
  EXPECT_EQ(FieldValue::Int64(1).kind(), K::kInt64);
  EXPECT_EQ(FieldValue::FromDate({2024, 1, 1}).kind(), K::kDate);
}

TEST(FieldValueTest, EqualityByKind) {
  const FieldValue null;
  const struct {
    FieldValue a, b;
    bool want;
    const char* what;
  } cases[] = {
      {null, null, true, "null and null"},
      {null, FieldValue::Text(""), false, "null and empty text"},
      {FieldValue::Int32(0), null, false, "zero and null"},
      {FieldValue::Text("A"), FieldValue::Text("A"), true, "same text"},
      {FieldValue::Text("A "), FieldValue::Text("A"), false, "trailing blank counts"},
      {FieldValue::Text("a"), FieldValue::Text("A"), false, "case counts"},
      {FieldValue::Int32(5), FieldValue::Int64(5), true, "int32 and int64"},
      {FieldValue::Int32(5), FieldValue::Double(5.0), true, "int and double"},
      {FieldValue::Int32(5), FieldValue::Double(5.5), false, "int and fraction"},
      {FieldValue::Int64(std::numeric_limits<std::int64_t>::max()),
       FieldValue::Double(9223372036854775808.0), false, "int64 max and 2^63"},
      {FieldValue::Int64(9007199254740993LL), FieldValue::Double(9007199254740992.0), false,
       "no rounding of the integer"},
      {FieldValue::Text("5"), FieldValue::Int32(5), true, "text converted to number"},
      {FieldValue::Int32(5), FieldValue::Text(" 5.0"), true, "text with decimals"},
      {FieldValue::Int64(9007199254740993LL), FieldValue::Text("9007199254740993"), true,
       "large integer text"},
      {FieldValue::Double(0.5), FieldValue::Text("0.5"), true, "double and text"},
      {FieldValue::Bool(true), FieldValue::Bool(true), true, "booleans"},
      {FieldValue::FromDate({2024, 1, 2}), FieldValue::FromDate({2024, 1, 3}), false, "dates"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(ValuesEqual(c.a, c.b), c.want);
    EXPECT_EQ(ValuesEqual(c.b, c.a), c.want);
  }
}

TEST(FieldValueTest, NumberAgainstTextThatIsNoNumberFails) {
  EXPECT_THROW_MSG(ValuesEqual(FieldValue::Int32(1), FieldValue::Text("abc")),
                   "Could not convert variant of type (String) into type (Double)");
}

}  // namespace
}  // namespace tables
