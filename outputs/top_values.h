#pragma once
// The most frequent values of a stream in bounded memory (the space-saving counter): at most
// `capacity` values are tracked; a new value, when all places are taken, replaces the least
// counted one and inherits its count as its possible overcount. While fewer than `capacity`
// distinct values have been seen, every count is exact.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <unordered_map>
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
  struct Hash {
    using is_transparent = void;
    std::size_t operator()(std::string_view s) const { return std::hash<std::string_view>{}(s); }
  };
  // The place a new value takes when all are taken: the first of the least counted.
  std::size_t LeastCounted();

  std::size_t capacity_;
  std::vector<Entry> entries_;
  // The least count and, one bit per place, the places that have it; kept while `least_known_`,
  // so that a replacement needs no search of all places.
  std::int64_t least_ = 0;
  std::vector<std::uint64_t> at_least_;
  bool least_known_ = false;
  std::unordered_map<std::string, std::size_t, Hash, std::equal_to<>> index_;
};

}  // namespace engine
