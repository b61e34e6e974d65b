#pragma once
// The most frequent values of a stream in bounded memory (the space-saving counter): at most
// `capacity` values are tracked; a new value, when all places are taken, replaces the least
// counted one and inherits its count as its possible overcount. While fewer than `capacity`
// distinct values have been seen, every count is exact.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace engine {

class TopValues {
 public:
  struct Entry {
    std::string value;
    std::int64_t count = 0;
    std::int64_t overcount = 0;  // the count may exceed the true one by at most this
  };

  explicit TopValues(std::size_t capacity);

  void Add(std::string_view value);

  // The `n` most counted values, most counted first, equal counts by value.
  std::vector<Entry> Top(std::size_t n) const;

 private:
  static constexpr std::uint32_t kEmpty = 0;

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

}  // namespace engine
