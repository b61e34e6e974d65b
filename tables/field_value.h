#pragma once
// The value of one field of one record: null, or a text, a 32-bit integer, a 64-bit integer,
// a double, a boolean or a date. Shared by the dBase reader and the in-memory keyed table.

#include <compare>
#include <cstdint>
#include <string>
#include <string_view>
#include <variant>

namespace tables {

// Numbers of the data types; the rule catalogue's TIPO column uses the same numbers.
enum class FieldType : int {
  kUnknown = 0,
  kString = 1,
  kSmallint = 2,
  kInteger = 3,
  kWord = 4,
  kBoolean = 5,
  kFloat = 6,
  kCurrency = 7,
  kBcd = 8,
  kDate = 9,
  kTime = 10,
  kDateTime = 11,
  kBytes = 12,
  kAutoInc = 14,
  kBlob = 15,
  kMemo = 16,
  kGraphic = 17,
  kLargeint = 25,
};

struct Date {
  int year = 0;
  int month = 0;
  int day = 0;
  auto operator<=>(const Date&) const = default;
};

class FieldValue {
 public:
  enum class Kind { kNull, kText, kInt32, kInt64, kDouble, kBool, kDate };

  FieldValue() = default;  // null
  static FieldValue Text(std::string text);
  static FieldValue Int32(std::int32_t value);
  static FieldValue Int64(std::int64_t value);
  static FieldValue Double(double value);
  static FieldValue Bool(bool value);
  static FieldValue FromDate(Date value);

  Kind kind() const;
  bool IsNull() const { return kind() == Kind::kNull; }
  bool IsNumber() const;  // kInt32, kInt64 or kDouble

  // REQUIRES: the matching kind.
  const std::string& text() const { return std::get<std::string>(v_); }
  std::int32_t int32() const { return std::get<std::int32_t>(v_); }
  std::int64_t int64() const { return std::get<std::int64_t>(v_); }
  double dbl() const { return std::get<double>(v_); }
  bool boolean() const { return std::get<bool>(v_); }
  Date date() const { return std::get<Date>(v_); }

  // Variant conversions. A value that cannot be converted throws TableError with
  // "Could not convert variant of type (Null) into type (String)" and the like.
  // AsString: texts unchanged; integers in decimal digits; doubles in general form with up to
  // 15 significant digits, no trailing zeros and `decimal_separator`; booleans "True"/"False";
  // dates as YYYYMMDD.
  std::string AsString(char decimal_separator = '.') const;
  std::int64_t AsInt64() const;  // texts are parsed as integers
  double AsDouble() const;       // texts are parsed as numbers with "." as decimal point

  // "Null", "String", "Integer", "Int64", "Double", "Boolean", "Date".
  static const char* KindName(Kind kind);

 private:
  std::variant<std::monostate, std::string, std::int32_t, std::int64_t, double, bool, Date> v_;
};

// Equality by kind: numbers numerically, texts exactly (length, bytes, case, trailing blanks),
// null equal only to null; a number compared with a text converts the text to a number
// (a text that is not a number throws the conversion error).
bool ValuesEqual(const FieldValue& a, const FieldValue& b);

}  // namespace tables
