#include "tables/field_value.h"

#include <cmath>
#include <cstdio>
#include <limits>

#include "tables/dbf_values.h"
#include "tables/table_error.h"

namespace tables {
namespace {

// Days from 1899-12-30 (day 0 of the date serial that variant conversions use).
std::int64_t DateSerial(Date d) {
  // Days from civil, proleptic Gregorian (Howard Hinnant's algorithm).
  const int y = d.year - (d.month <= 2 ? 1 : 0);
  const int era = (y >= 0 ? y : y - 399) / 400;
  const int yoe = y - era * 400;
  const int mp = (d.month + 9) % 12;
  const int doy = (153 * mp + 2) / 5 + d.day - 1;
  const int doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  const std::int64_t days_from_1970 = static_cast<std::int64_t>(era) * 146097 + doe - 719468;
  return days_from_1970 + 25569;  // 1899-12-30 is 25569 days before 1970-01-01
}

std::string TwoDigits(int v) {
  return {static_cast<char>('0' + v / 10 % 10), static_cast<char>('0' + v % 10)};
}

// General form: up to 15 significant digits, no trailing zeros; fixed notation unless the
// number needs more than 15 integer digits or is below 1e-5, then d.dddE[-]x.
std::string FormatGeneral(double value, char decimal_separator) {
  if (std::isnan(value)) return "NAN";
  if (std::isinf(value)) return value > 0 ? "INF" : "-INF";
  if (value == 0) return "0";
  char buf[40];
  std::snprintf(buf, sizeof buf, "%.14e", value);  // d.dddddddddddddde[+-]xx
  std::string s(buf);
  const bool negative = s[0] == '-';
  if (negative) s.erase(0, 1);
  const std::size_t e = s.find('e');
  const int exponent = std::atoi(s.c_str() + e + 1);
  std::string digits = s.substr(0, 1) + s.substr(2, e - 2);
  while (digits.size() > 1 && digits.back() == '0') digits.pop_back();

  std::string out = negative ? "-" : "";
  if (exponent >= 15 || exponent < -5) {
    out += digits[0];
    if (digits.size() > 1) {
      out += decimal_separator;
      out.append(digits, 1);
    }
    out += 'E';
    out += std::to_string(exponent);
    return out;
  }
  if (exponent < 0) {
    out += '0';
    out += decimal_separator;
    out.append(static_cast<std::size_t>(-exponent - 1), '0');
    out += digits;
    return out;
  }
  const auto int_digits = static_cast<std::size_t>(exponent) + 1;
  if (digits.size() <= int_digits) {
    out += digits;
    out.append(int_digits - digits.size(), '0');
    return out;
  }
  out.append(digits, 0, int_digits);
  out += decimal_separator;
  out.append(digits, int_digits);
  return out;
}

// Numbers compare numerically, an integer and a double without rounding the integer.
bool NumbersEqual(const FieldValue& a, const FieldValue& b) {
  const bool a_double = a.kind() == FieldValue::Kind::kDouble;
  const bool b_double = b.kind() == FieldValue::Kind::kDouble;
  if (a_double && b_double) return a.dbl() == b.dbl();
  if (!a_double && !b_double) return a.AsInt64() == b.AsInt64();
  const double d = a_double ? a.dbl() : b.dbl();
  const std::int64_t i = a_double ? b.AsInt64() : a.AsInt64();
  // 2^63 as a double; anything at or beyond it is not an int64.
  constexpr double kTwo63 = 9223372036854775808.0;
  if (!(d >= -kTwo63 && d < kTwo63) || std::trunc(d) != d) return false;
  return static_cast<std::int64_t>(d) == i;
}

}  // namespace

FieldValue FieldValue::Text(std::string text) {
  FieldValue v;
  v.v_ = std::move(text);
  return v;
}
FieldValue FieldValue::Int32(std::int32_t value) {
  FieldValue v;
  v.v_ = value;
  return v;
}
FieldValue FieldValue::Int64(std::int64_t value) {
  FieldValue v;
  v.v_ = value;
  return v;
}
FieldValue FieldValue::Double(double value) {
  FieldValue v;
  v.v_ = value;
  return v;
}
FieldValue FieldValue::Bool(bool value) {
  FieldValue v;
  v.v_ = value;
  return v;
}
FieldValue FieldValue::FromDate(Date value) {
  FieldValue v;
  v.v_ = value;
  return v;
}

FieldValue::Kind FieldValue::kind() const {
  // The alternatives are declared in the order of Kind.
  return static_cast<Kind>(v_.index());
}

bool FieldValue::IsNumber() const {
  const Kind k = kind();
  return k == Kind::kInt32 || k == Kind::kInt64 || k == Kind::kDouble;
}

const char* FieldValue::KindName(Kind kind) {
  switch (kind) {
    case Kind::kNull:
      return "Null";
    case Kind::kText:
      return "String";
    case Kind::kInt32:
      return "Integer";
    case Kind::kInt64:
      return "Int64";
    case Kind::kDouble:
      return "Double";
    case Kind::kBool:
      return "Boolean";
    case Kind::kDate:
      return "Date";
  }
  return "Unknown";
}

std::string FieldValue::AsString(char decimal_separator) const {
  switch (kind()) {
    case Kind::kNull:
      break;
    case Kind::kText:
      return text();
    case Kind::kInt32:
      return std::to_string(int32());
    case Kind::kInt64:
      return std::to_string(int64());
    case Kind::kDouble:
      return FormatGeneral(dbl(), decimal_separator);
    case Kind::kBool:
      return boolean() ? "True" : "False";
    case Kind::kDate: {
      const Date d = date();
      return TwoDigits(d.year / 100) + TwoDigits(d.year % 100) + TwoDigits(d.month) +
             TwoDigits(d.day);
    }
  }
  ThrowConversion(KindName(kind()), KindName(Kind::kText));
}

std::int64_t FieldValue::AsInt64() const {
  switch (kind()) {
    case Kind::kNull:
      break;
    case Kind::kText:
      if (auto v = ParseInt64(text())) return *v;
      break;
    case Kind::kInt32:
      return int32();
    case Kind::kInt64:
      return int64();
    case Kind::kDouble: {
      // Halves to even, as the variant conversion rounds.
      const double r = std::nearbyint(dbl());
      if (r >= -9223372036854775808.0 && r < 9223372036854775808.0) {
        return static_cast<std::int64_t>(r);
      }
      break;
    }
    case Kind::kBool:
      return boolean() ? -1 : 0;  // a true variant is -1
    case Kind::kDate:
      return DateSerial(date());
  }
  ThrowConversion(KindName(kind()), KindName(Kind::kInt64));
}

double FieldValue::AsDouble() const {
  switch (kind()) {
    case Kind::kNull:
      break;
    case Kind::kText:
      if (auto v = ParseDbfFloat(text())) return *v;
      break;
    case Kind::kInt32:
      return int32();
    case Kind::kInt64:
      return static_cast<double>(int64());
    case Kind::kDouble:
      return dbl();
    case Kind::kBool:
      return boolean() ? -1.0 : 0.0;
    case Kind::kDate:
      return static_cast<double>(DateSerial(date()));
  }
  ThrowConversion(KindName(kind()), KindName(Kind::kDouble));
}

bool ValuesEqual(const FieldValue& a, const FieldValue& b) {
  using Kind = FieldValue::Kind;
  if (a.IsNull() || b.IsNull()) return a.IsNull() && b.IsNull();
  if (a.kind() == Kind::kText && b.kind() == Kind::kText) return a.text() == b.text();
  if (a.IsNumber() && b.IsNumber()) return NumbersEqual(a, b);
  if (a.kind() == b.kind()) {
    return a.kind() == Kind::kBool ? a.boolean() == b.boolean() : a.date() == b.date();
  }
  // A number (or a boolean or a date) against a text: the text is converted to a number.
  if (a.kind() == Kind::kText || b.kind() == Kind::kText) {
    const FieldValue& text = a.kind() == Kind::kText ? a : b;
    const FieldValue& other = a.kind() == Kind::kText ? b : a;
    if (other.kind() == Kind::kInt32 || other.kind() == Kind::kInt64) {
      if (auto i = ParseInt64(text.text())) return *i == other.AsInt64();
    }
    const double t = text.AsDouble();
    if (other.IsNumber()) return NumbersEqual(other, FieldValue::Double(t));
    return other.AsDouble() == t;
  }
  return a.AsDouble() == b.AsDouble();
}

}  // namespace tables
