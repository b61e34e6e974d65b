#include "outputs/top_values.h"

#include <algorithm>
#include <bit>
#include <cstring>

namespace outputs {

TopValues::TopValues(std::size_t capacity) : capacity_(capacity == 0 ? 1 : capacity) {
  entries_.reserve(capacity_);
  hashes_.reserve(capacity_);
  slots_.assign(std::bit_ceil(2 * capacity_), kEmpty);
  mask_ = slots_.size() - 1;
}

inline std::size_t TopValues::Slot(std::string_view value, std::uint64_t hash) const {
  std::size_t i = hash & mask_;
  for (; slots_[i] != kEmpty; i = (i + 1) & mask_) {
    const std::size_t place = slots_[i] - 1;
    if (hashes_[place] == hash && entries_[place].value == value) break;
  }
  return i;
}

void TopValues::Vacate(std::size_t i) {
  slots_[i] = kEmpty;
  for (std::size_t j = (i + 1) & mask_; slots_[j] != kEmpty; j = (j + 1) & mask_) {
    // The slot's value may move back to i unless its home lies after i, up to j.
    const std::size_t home = hashes_[slots_[j] - 1] & mask_;
    if (((j - home) & mask_) >= ((j - i) & mask_)) {
      slots_[i] = slots_[j];
      slots_[j] = kEmpty;
      i = j;
    }
  }
}

void TopValues::Add(std::string_view value) {
  const std::uint64_t hash = Hash(value);
  const std::size_t slot = Slot(value, hash);
  if (slots_[slot] == kEmpty) {
    AddNew(value, hash, slot);
    return;
  }
  CountMore(slots_[slot] - 1, 1);
}

inline void TopValues::CountMore(std::size_t place, std::int64_t count) {
  Entry& entry = entries_[place];
  if (least_known_ && entry.count == least_) {
    at_least_[place / 64] &= ~(std::uint64_t{1} << (place % 64));
  }
  entry.count += count;
}

void TopValues::Append(std::string_view value, std::uint64_t hash, std::size_t slot,
                       std::int64_t count) {
  slots_[slot] = static_cast<std::uint32_t>(entries_.size() + 1);
  entries_.push_back({std::string(value), count, 0});
  hashes_.push_back(hash);
  least_known_ = false;
}

void TopValues::AddNew(std::string_view value, std::uint64_t hash, std::size_t slot) {
  if (entries_.size() < capacity_) {
    Append(value, hash, slot, 1);
    return;
  }
  // Full: the least counted value gives its place up, and its string its bytes.
  const std::size_t place = LeastCounted();
  Entry& least = entries_[place];
  at_least_[place / 64] &= ~(std::uint64_t{1} << (place % 64));
  Vacate(Slot(least.value, hashes_[place]));
  least.value.assign(value);
  least.overcount = least.count;
  ++least.count;
  hashes_[place] = hash;
  slots_[Slot(value, hash)] = static_cast<std::uint32_t>(place + 1);
}

void TopValues::AddCounted(std::span<const std::string_view> values,
                           std::span<const std::int64_t> counts,
                           std::span<const std::uint32_t> sequence) {
  std::size_t untracked = 0;
  for (const std::string_view value : values) {
    if (slots_[Slot(value, Hash(value))] == kEmpty) ++untracked;
  }
  if (entries_.size() + untracked > capacity_) {
    for (const std::uint32_t i : sequence) Add(values[i]);
    return;
  }
  // No value gives its place up: the new ones take theirs in the order they first came, and
  // the counts add up whatever the order.
  for (std::size_t i = 0; i < values.size(); ++i) {
    const std::uint64_t hash = Hash(values[i]);
    const std::size_t slot = Slot(values[i], hash);
    if (slots_[slot] == kEmpty) {
      Append(values[i], hash, slot, counts[i]);
    } else {
      CountMore(slots_[slot] - 1, counts[i]);
    }
  }
}

std::size_t TopValues::LeastCounted() {
  for (int pass = 0; pass < 2; ++pass) {
    if (least_known_) {
      for (std::size_t w = 0; w < at_least_.size(); ++w) {
        if (at_least_[w] != 0)
          return w * 64 + static_cast<std::size_t>(std::countr_zero(at_least_[w]));
      }
    }
    // Every place of the least count has been counted up since: find the new least.
    least_ = entries_.front().count;
    for (const Entry& e : entries_) least_ = std::min(least_, e.count);
    at_least_.assign((entries_.size() + 63) / 64, 0);
    for (std::size_t i = 0; i < entries_.size(); ++i) {
      if (entries_[i].count == least_) at_least_[i / 64] |= std::uint64_t{1} << (i % 64);
    }
    least_known_ = true;
  }
  return 0;  // not reached: a search always finds a place of the least count
}

std::vector<TopValues::Entry> TopValues::Top(std::size_t n) const {
  std::vector<Entry> out = entries_;
  std::sort(out.begin(), out.end(), [](const Entry& a, const Entry& b) {
    return a.count != b.count ? a.count > b.count : a.value < b.value;
  });
  if (out.size() > n) out.resize(n);
  return out;
}

}  // namespace outputs
