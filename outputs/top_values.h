#pragma once
// The most frequent values of a stream in bounded memory (the space-saving counter): at most
// `capacity` values are tracked; a new value, when all places are taken, replaces the least
// counted one and inherits its count as its possible overcount. While fewer than `capacity`
// distinct values have been seen, every count is exact.

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace outputs {

class TopValues {
 public:
  struct Entry {
    std::string value;
    std::int64_t count = 0;
    std::int64_t overcount = 0;  // the count may exceed the true one by at most this
  };

  explicit TopValues(std::size_t capacity);

  void Add(std::string_view value);
  // Add() of a part of the stream counted apart: its distinct `values` in the order they first
  // came, counts[i] of values[i], and `sequence`, the part itself as indexes into `values`. The
  // same counts as Add() of every value of the part: added at once while the values not yet
  // tracked find free places, else one by one, as a value then gives its place up.
  void AddCounted(std::span<const std::string_view> values, std::span<const std::int64_t> counts,
                  std::span<const std::uint32_t> sequence);

  // The hash Add() files a value under, a word at a time; any other counter may use it too.
  static std::uint64_t Hash(std::string_view value) {
    const char* p = value.data();
    std::size_t n = value.size();
    std::uint64_t h = 0x9E3779B97F4A7C15u ^ n;
    const auto mix = [&h](std::uint64_t word) {
      h = (h ^ word) * 0xBF58476D1CE4E5B9u;
      h ^= h >> 31;
    };
    for (; n >= 8; p += 8, n -= 8) {
      std::uint64_t word;
      std::memcpy(&word, p, 8);
      mix(word);
    }
    if (n > 0) {
      std::uint64_t word = 0;
      std::memcpy(&word, p, n);
      mix(word);
    }
    return h * 0x94D049BB133111EBu ^ (h >> 29);
  }

  // The `n` most counted values, most counted first, equal counts by value.
  std::vector<Entry> Top(std::size_t n) const;

 private:
  static constexpr std::uint32_t kEmpty = 0;

  // `count` more of the value at `place`.
  void CountMore(std::size_t place, std::int64_t count);
  // A new place for `value`, counted `count` times, filed at its empty `slot`. REQUIRES: a place
  // free.
  void Append(std::string_view value, std::uint64_t hash, std::size_t slot, std::int64_t count);
  // Add() of a value not tracked, whose hash is `hash` and whose empty slot is `slot`. Apart,
  // so that the usual case, a value already tracked, stays short.
  [[gnu::noinline]] void AddNew(std::string_view value, std::uint64_t hash, std::size_t slot);
  // The place a new value takes when all are taken: the first of the least counted.
  std::size_t LeastCounted();
  // The slot that holds `value` (its place + 1 there), or the empty slot where it would go.
  std::size_t Slot(std::string_view value, std::uint64_t hash) const;
  // Empties slot `i`, moving later slots of the same run back so that no search stops short.
  void Vacate(std::size_t i);

  std::size_t capacity_;
  std::vector<Entry> entries_;
  // The least count and, one bit per place, the places that have it; kept while `least_known_`,
  // so that a replacement needs no search of all places.
  std::int64_t least_ = 0;
  std::vector<std::uint64_t> at_least_;
  bool least_known_ = false;
  // The places by value: an open-addressing table of place + 1 (kEmpty: none), twice as many
  // slots as places, with each place's hash kept beside it. A value of the stream is hashed
  // once and found in a slot or two, without allocating.
  std::vector<std::uint64_t> hashes_;  // by place
  std::vector<std::uint32_t> slots_;
  std::size_t mask_ = 0;
};

}  // namespace outputs
