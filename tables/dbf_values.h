#pragma once
// Conversion of a dBase field's stored bytes into a value, by the reading rules of the reader.
// The hot paths of the engine call these on raw bytes so that no value object is built.

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <limits>
#include <optional>
#include <string_view>

#include "tables/field_value.h"

namespace tables {

struct DbfField;

// Character field: the bytes exactly as stored, up to the first NUL byte (never null).
// Inline: every key, date and text of every record passes through here, most of them a few
// bytes long, too short to pay for a library call.
inline std::string_view DbfText(std::string_view bytes) {
  constexpr std::size_t kShort = 32;
  if (bytes.size() <= kShort) {
    for (std::size_t i = 0; i < bytes.size(); ++i) {
      if (bytes[i] == '\0') return bytes.substr(0, i);
    }
    return bytes;
  }
  const void* nul = std::memchr(bytes.data(), 0, bytes.size());
  return nul == nullptr
             ? bytes
             : bytes.substr(0,
                            static_cast<std::size_t>(static_cast<const char*>(nul) - bytes.data()));
}

// Integer forms: leading blanks, optional sign, then decimal digits or a hexadecimal number
// introduced by "$", "x", "X", "0x" or "0X"; the text must end right after the last digit.
// Anything else (trailing blank, decimal point, lone sign, empty, out of range) gives nullopt.
// The same conversion serves the date check of the field checks. Inline for the usual form
// (blanks, then plain digits to the end); the others go the general way.
std::optional<std::int32_t> ParseInt32(std::string_view text);
std::optional<std::int64_t> ParseInt64(std::string_view text);

// The general way of both: every integer form, `max_magnitude` being the largest positive value
// (one more is allowed for a negative one).
std::optional<std::int64_t> ParseIntegerForms(std::string_view text, std::uint64_t max_magnitude);

// The form nearly every stored number has: blanks, then 1 to 18 plain digits to the end (which
// always fit). False for anything else, which the general way decides.
inline bool ParsePlainDigits(std::string_view text, std::uint64_t* value) {
  std::size_t i = 0;
  while (i < text.size() && text[i] == ' ') ++i;
  if (i == text.size() || text.size() - i > 18) return false;
  std::uint64_t v = 0;
  for (; i < text.size(); ++i) {
    const unsigned digit = static_cast<unsigned char>(text[i]) - unsigned{'0'};
    if (digit > 9) return false;
    v = v * 10 + digit;
  }
  *value = v;
  return true;
}

inline std::optional<std::int32_t> ParseInt32(std::string_view text) {
  constexpr std::uint64_t kMax = std::numeric_limits<std::int32_t>::max();
  std::uint64_t plain = 0;
  if (ParsePlainDigits(text, &plain)) {
    if (plain > kMax) return std::nullopt;  // out of range
    return static_cast<std::int32_t>(plain);
  }
  const std::optional<std::int64_t> value = ParseIntegerForms(text, kMax);
  if (!value) return std::nullopt;
  return static_cast<std::int32_t>(*value);
}

inline std::optional<std::int64_t> ParseInt64(std::string_view text) {
  constexpr std::uint64_t kMax = std::numeric_limits<std::int64_t>::max();
  std::uint64_t plain = 0;
  if (ParsePlainDigits(text, &plain)) return static_cast<std::int64_t>(plain);  // 18 digits fit
  return ParseIntegerForms(text, kMax);
}

// Decimal number with "." whatever the locale: leading blanks, optional sign, digits, optional
// "." and digits, optional exponent, trailing blanks, nothing else. All blanks or anything else:
// nullopt.
std::optional<double> ParseDbfFloat(std::string_view bytes);

// YYYYMMDD; all blanks or an impossible date: nullopt.
std::optional<Date> ParseDbfDate(std::string_view bytes);

// "T" true, "F" false, anything else nullopt.
std::optional<bool> ParseDbfLogical(std::string_view bytes);

// The value of `field` stored in `bytes` (exactly the field's bytes).
FieldValue DecodeField(const DbfField& field, std::string_view bytes);

}  // namespace tables
