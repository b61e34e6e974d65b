#include "tables/dbf_values.h"

#include <charconv>
#include <limits>
#include <string>
#include <system_error>

#include "tables/dbf_format.h"
#include "tables/dbf_table.h"

namespace tables {
namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

bool AllBlanks(std::string_view bytes) {
  return bytes.find_first_not_of(' ') == std::string_view::npos;
}

std::size_t SkipDigits(std::string_view s, std::size_t i) {
  while (i < s.size() && IsDigit(s[i])) ++i;
  return i;
}

bool IsLeapYear(int year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

int DaysInMonth(int year, int month) {
  static constexpr int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return month == 2 && IsLeapYear(year) ? 29 : kDays[month - 1];
}

}  // namespace

std::optional<std::int64_t> ParseIntegerForms(std::string_view text, std::uint64_t max_magnitude) {
  std::size_t i = 0;
  while (i < text.size() && text[i] == ' ') ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
    negative = text[i] == '-';
    ++i;
  }
  unsigned base = 10;
  if (i < text.size() && (text[i] == '$' || text[i] == 'x' || text[i] == 'X')) {
    base = 16;
    ++i;
  } else if (i + 1 < text.size() && text[i] == '0' && (text[i + 1] == 'x' || text[i + 1] == 'X')) {
    base = 16;
    i += 2;
  }
  if (i == text.size()) return std::nullopt;  // empty, lone sign or bare prefix
  const std::uint64_t limit = max_magnitude + (negative ? 1U : 0U);
  // Leading zeros never change the value, and 19 decimal or 16 hexadecimal significant digits
  // always fit in 64 bits, so the range is checked once at the end (no division per digit:
  // the premium fields of millions of records pass through here).
  const std::size_t max_significant = base == 10 ? 19 : 16;
  std::size_t significant = 0;
  std::uint64_t value = 0;
  for (; i < text.size(); ++i) {
    const int digit = base == 10 ? (IsDigit(text[i]) ? text[i] - '0' : -1) : HexDigit(text[i]);
    if (digit < 0) return std::nullopt;
    if (value != 0 || digit != 0) {
      if (++significant > max_significant) return std::nullopt;  // out of range
    }
    value = value * base + static_cast<std::uint64_t>(digit);
  }
  if (value > limit) return std::nullopt;  // out of range
  if (!negative) return static_cast<std::int64_t>(value);
  if (value == static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max()) + 1U) {
    return std::numeric_limits<std::int64_t>::min();
  }
  return -static_cast<std::int64_t>(value);
}

std::optional<double> ParseDbfFloat(std::string_view bytes) {
  // Check the shape first; std::from_chars then converts without regard to the locale.
  std::size_t i = 0;
  while (i < bytes.size() && bytes[i] == ' ') ++i;
  bool negative = false;
  if (i < bytes.size() && (bytes[i] == '+' || bytes[i] == '-')) {
    negative = bytes[i] == '-';
    ++i;
  }
  const std::size_t number_start = i;
  std::size_t digits = SkipDigits(bytes, i) - i;
  i += digits;
  if (i < bytes.size() && bytes[i] == '.') {
    const std::size_t after = SkipDigits(bytes, i + 1);
    digits += after - (i + 1);
    i = after;
  }
  if (digits == 0) return std::nullopt;
  if (i < bytes.size() && (bytes[i] == 'E' || bytes[i] == 'e')) {
    std::size_t j = i + 1;
    if (j < bytes.size() && (bytes[j] == '+' || bytes[j] == '-')) ++j;
    const std::size_t end = SkipDigits(bytes, j);
    if (end == j) return std::nullopt;
    i = end;
  }
  const std::size_t number_end = i;
  while (i < bytes.size() && bytes[i] == ' ') ++i;
  if (i != bytes.size()) return std::nullopt;

  double value = 0;
  const char* first = bytes.data() + number_start;
  const char* last = bytes.data() + number_end;
  const auto [ptr, ec] = std::from_chars(first, last, value, std::chars_format::general);
  // Out of range (1e999) cannot be held and reads as null like any other unusable content.
  if (ec != std::errc() || ptr != last) return std::nullopt;
  return negative ? -value : value;
}

std::optional<Date> ParseDbfDate(std::string_view bytes) {
  if (bytes.size() != dbf::kDateLength) return std::nullopt;
  for (char c : bytes) {
    if (!IsDigit(c)) return std::nullopt;  // all blanks included
  }
  auto number = [&](std::size_t at, std::size_t n) {
    int v = 0;
    for (std::size_t k = at; k < at + n; ++k) v = v * 10 + (bytes[k] - '0');
    return v;
  };
  const Date date{number(0, 4), number(4, 2), number(6, 2)};
  if (date.year < 1 || date.month < 1 || date.month > 12 || date.day < 1 ||
      date.day > DaysInMonth(date.year, date.month)) {
    return std::nullopt;
  }
  return date;
}

std::optional<bool> ParseDbfLogical(std::string_view bytes) {
  if (bytes.size() != 1) return std::nullopt;
  if (bytes[0] == 'T') return true;
  if (bytes[0] == 'F') return false;
  return std::nullopt;
}

FieldValue DecodeField(const DbfField& field, std::string_view bytes) {
  switch (field.type) {
    case FieldType::kString:
    case FieldType::kMemo:  // the memo block reference as stored; memo files are not read
      return FieldValue::Text(std::string(DbfText(bytes)));
    case FieldType::kInteger:
      if (auto v = ParseInt32(bytes)) return FieldValue::Int32(*v);
      return {};
    case FieldType::kLargeint:
      if (auto v = ParseInt64(bytes)) return FieldValue::Int64(*v);
      return {};
    case FieldType::kFloat:
      if (AllBlanks(bytes)) return {};
      if (auto v = ParseDbfFloat(bytes)) return FieldValue::Double(*v);
      return {};
    case FieldType::kDate:
      if (auto v = ParseDbfDate(bytes)) return FieldValue::FromDate(*v);
      return {};
    case FieldType::kBoolean:
      if (auto v = ParseDbfLogical(bytes)) return FieldValue::Bool(*v);
      return {};
    default:
      return {};  // the other variants' binary types are not read
  }
}

}  // namespace tables
