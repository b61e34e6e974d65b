#pragma once
// A field's bytes read a machine word at a time for the record loop of the field checks: where
// the text starts and ends once the bytes of code 32 or below around it are left out (what
// Trimmed() keeps), a short key packed as the domain tables hold it, and eight date digits read
// at once. Little-endian hosts only; the record loop takes its byte-wise way elsewhere.

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>

#include "tables/dbf_values.h"

namespace engine::words {

inline constexpr bool kUsable = std::endian::native == std::endian::little;

inline constexpr std::uint64_t kOnes = 0x0101010101010101ULL;
inline constexpr std::uint64_t kHigh = 0x8080808080808080ULL;

inline std::uint64_t Load8(const char* p) {
  std::uint64_t v = 0;
  std::memcpy(&v, p, 8);
  return v;
}

// The low `n` (0 to 8) bytes of a word.
inline std::uint64_t LowBytes(std::size_t n) {
  return n >= 8 ? ~std::uint64_t{0} : (std::uint64_t{1} << (8 * n)) - 1;
}

// 0x80 in each byte above 32, 0 in the others. No borrow crosses a byte: each byte of v | kHigh
// is at least 128 before 33 is taken from it.
inline std::uint64_t AboveBlank(std::uint64_t v) {
  return (((v | kHigh) - 33 * kOnes) | v) & kHigh;
}

// The text kept between [*begin, *end) of a field of up to eight bytes held in the low bytes of
// `v` (the bytes above it zero); begin == end when nothing is kept.
inline void TrimWord(std::uint64_t v, std::size_t* begin, std::size_t* end) {
  const std::uint64_t kept = AboveBlank(v);
  if (kept == 0) {
    *begin = *end = 0;
    return;
  }
  *begin = static_cast<std::size_t>(std::countr_zero(kept)) / 8;
  *end = static_cast<std::size_t>(64 - std::countl_zero(kept)) / 8;
}

// The same for a field of eight bytes or more, read in words that never leave it; the last word
// of each direction overlaps bytes already found blank.
inline void TrimLong(const char* p, std::size_t n, std::size_t* begin, std::size_t* end) {
  std::size_t at = 0;
  std::uint64_t kept = 0;
  for (;; at += 8) {
    if (at > n - 8) at = n - 8;
    kept = AboveBlank(Load8(p + at));
    if (kept != 0) break;
    if (at == n - 8) {
      *begin = *end = 0;
      return;
    }
  }
  *begin = at + static_cast<std::size_t>(std::countr_zero(kept)) / 8;
  for (at = n - 8;; at = at >= 8 ? at - 8 : 0) {
    kept = AboveBlank(Load8(p + at));
    if (kept != 0) break;  // found at the latest where the forward search stopped
  }
  *end = at + static_cast<std::size_t>(64 - std::countl_zero(kept)) / 8;
}

// FieldDomain::Pack(text, 8) of the text at [begin, end) of `v`, cut to `cut` bytes.
// REQUIRES: begin < 8.
inline std::uint64_t PackKey(std::uint64_t v, std::size_t begin, std::size_t end, std::size_t cut) {
  const std::size_t n = end - begin < cut ? end - begin : cut;
  const std::uint64_t low = LowBytes(n);
  return ((v >> (8 * begin)) & low) | (0x20 * kOnes & ~low);
}

// Trimmed() of the report helpers, byte by byte for the general way: every character of code 32
// or below removed from both ends.
inline std::string_view TrimControls(std::string_view text) {
  std::size_t begin = 0;
  std::size_t end = text.size();
  while (begin < end && static_cast<unsigned char>(text[begin]) <= 32) ++begin;
  while (end > begin && static_cast<unsigned char>(text[end - 1]) <= 32) --end;
  return text.substr(begin, end - begin);
}

// From the end: a number is stored right-aligned, so its last byte decides at once.
inline bool AllBlank(std::string_view bytes) {
  for (std::size_t i = bytes.size(); i > 0; --i) {
    if (bytes[i - 1] != ' ') return false;
  }
  return true;
}

// The key text a one-byte character field gives, as the field's text trimmed: a view of its byte
// where it lies in the record (taken by its address, so that no copy of the byte can be passed
// and left behind once the view is used).
inline std::string_view OneByteKey(const char* byte) {
  return static_cast<unsigned char>(*byte) <= 32 ? std::string_view() : std::string_view(byte, 1);
}

// The eight bytes as a date written YYYYMMDD when all are digits.
inline bool EightDigits(std::uint64_t v, int* year, int* month, int* day) {
  using tables::swar::ZeroBytes;
  const std::uint64_t digits = ZeroBytes((v & 0xF0 * kOnes) ^ 0x30 * kOnes) &
                               ZeroBytes(((v & 0x0F * kOnes) + 0x06 * kOnes) & 0xF0 * kOnes);
  if (digits != kHigh) return false;
  // Byte j of the product is digit j + 1 plus ten times digit j: the pairs 19|74|09|25.
  const std::uint64_t pairs = ((v & 0x0F * kOnes) * 2561) >> 8;
  *year = static_cast<int>((pairs & 0xFF) * 100 + ((pairs >> 16) & 0xFF));
  *month = static_cast<int>((pairs >> 32) & 0xFF);
  *day = static_cast<int>((pairs >> 48) & 0xFF);
  return true;
}

}  // namespace engine::words
