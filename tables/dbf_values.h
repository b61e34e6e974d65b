#pragma once
// Conversion of a dBase field's stored bytes into a value, by the reading rules of the reader.
// The hot paths of the engine call these on raw bytes so that no value object is built.

#include <algorithm>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <limits>
#include <optional>
#include <string_view>

#include "tables/field_value.h"

namespace tables {

struct DbfField;

// Word-at-a-time helpers of the readers below (little-endian hosts).
namespace swar {

inline constexpr std::uint64_t kBytes01 = 0x0101010101010101ULL;

// 0x80 in each byte of `x` that is zero, 0 in the others (no carry crosses a byte).
inline std::uint64_t ZeroBytes(std::uint64_t x) {
  constexpr std::uint64_t k7F = 0x7F7F7F7F7F7F7F7FULL;
  return ~(((x & k7F) + k7F) | x | k7F);
}

// 1 to 8 bytes as one number, the first byte lowest, placed at the top (the free low bytes are
// zero), with loads inside the text only.
inline std::uint64_t LoadTop(const char* p, std::size_t n) {
  std::uint64_t v = 0;
  if (n >= 4) {
    std::uint32_t first = 0;
    std::uint32_t last = 0;
    std::memcpy(&first, p, 4);
    std::memcpy(&last, p + n - 4, 4);
    // The two loads overlap for n < 8 on equal bytes, so OR joins them.
    return (std::uint64_t{first} << (8 * (8 - n))) | (std::uint64_t{last} << 32);
  }
  for (std::size_t k = 0; k < n; ++k) {
    v |= std::uint64_t{static_cast<unsigned char>(p[k])} << (8 * (8 - n + k));
  }
  return v;
}

// The number written by eight digit values (0 to 9, one a byte, the first byte lowest and most
// significant): joined pairwise, then by fours.
inline std::uint64_t DigitsValue(std::uint64_t w) {
  w = (w * 2561) >> 8;
  w = ((w & 0x00FF00FF00FF00FFULL) * 6553601) >> 16;
  return ((w & 0x0000FFFF0000FFFFULL) * 42949672960001ULL) >> 32;
}

}  // namespace swar

// Character field: the bytes exactly as stored, up to the first NUL byte (never null).
// Inline: every key, date and text of every record passes through here, most of them a few
// bytes long, so they are searched a word at a time rather than by a library call.
inline std::string_view DbfText(std::string_view bytes) {
  const std::size_t n = bytes.size();
  if constexpr (std::endian::native == std::endian::little) {
    if (n >= 8) {
      for (std::size_t i = 0;; i += 8) {
        // The last word may overlap bytes already found to be no NUL.
        const std::size_t at = std::min(i, n - 8);
        std::uint64_t word = 0;
        std::memcpy(&word, bytes.data() + at, 8);
        if (const std::uint64_t nul = swar::ZeroBytes(word)) {
          return bytes.substr(0, at + static_cast<std::size_t>(std::countr_zero(nul)) / 8);
        }
        if (at == n - 8) return bytes;
      }
    }
    if (n == 0) return bytes;
    // The free low bytes of the word are made no NUL.
    const std::uint64_t word =
        swar::LoadTop(bytes.data(), n) | (swar::kBytes01 & ~(~std::uint64_t{0} << (8 * (8 - n))));
    if (const std::uint64_t nul = swar::ZeroBytes(word)) {
      return bytes.substr(0, static_cast<std::size_t>(std::countr_zero(nul)) / 8 - (8 - n));
    }
    return bytes;
  }
  const void* nul = n == 0 ? nullptr : std::memchr(bytes.data(), 0, n);
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
// always fit). False for anything else, which the general way decides. A text of up to eight
// bytes is read as one word (fields of amounts are that short): no branch per byte, whatever
// the number of leading blanks.
//
// The word form: a text of 1 to 8 bytes held in the top `n` bytes of `v` (the first byte
// lowest), whatever the low bytes hold; a caller that loads the eight bytes ending where the
// field ends needs no other step.
inline bool ParsePlainDigitsWord(std::uint64_t v, std::size_t n, std::uint64_t* value) {
  constexpr std::uint64_t kBytes01 = swar::kBytes01;
  constexpr std::uint64_t kHigh = 0x80 * kBytes01;
  // Bytes before the text count as blanks.
  const std::uint64_t before = ~(~std::uint64_t{0} << (8 * (8 - n)));
  v = (v & ~before) | (0x20 * kBytes01 & before);
  // The blanks, made zeros (0x20 and 0x30 differ in one bit), must leave digits only, and
  // all come before the first digit; the last byte is a digit.
  const std::uint64_t blanks = swar::ZeroBytes(v ^ 0x20 * kBytes01);
  const std::uint64_t digits = kHigh & ~blanks;
  const std::uint64_t t = v | blanks >> 3;
  if ((t & 0xF0 * kBytes01) != 0x30 * kBytes01 ||
      ((t + 0x06 * kBytes01) & 0xF0 * kBytes01) != 0x30 * kBytes01 || (blanks >> 63) != 0 ||
      blanks != (kHigh & ((digits & (~digits + 1)) - 1))) {
    return false;
  }
  // Blanks read as leading zeros.
  *value = swar::DigitsValue(t & 0x0F * kBytes01);
  return true;
}

inline bool ParsePlainDigits(std::string_view text, std::uint64_t* value) {
  const std::size_t n = text.size();
  if constexpr (std::endian::native == std::endian::little) {
    if (n >= 1 && n <= 8) return ParsePlainDigitsWord(swar::LoadTop(text.data(), n), n, value);
  }
  std::size_t i = 0;
  while (i < n && text[i] == ' ') ++i;
  if (i == n || n - i > 18) return false;
  std::uint64_t v = 0;
  for (; i < n; ++i) {
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
