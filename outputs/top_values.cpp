#include "outputs/top_values.h"

#include <algorithm>
#include <bit>

namespace engine {

TopValues::TopValues(std::size_t capacity) : capacity_(capacity == 0 ? 1 : capacity) {
  entries_.reserve(capacity_);
}

void TopValues::Add(std::string_view value) {
  const auto it = index_.find(value);
  if (it != index_.end()) {
    Entry& entry = entries_[it->second];
    if (least_known_ && entry.count == least_) {
      at_least_[it->second / 64] &= ~(std::uint64_t{1} << (it->second % 64));
    }
    ++entry.count;
    return;
  }
  if (entries_.size() < capacity_) {
    index_.emplace(std::string(value), entries_.size());
    entries_.push_back({std::string(value), 1, 0});
    least_known_ = false;
    return;
  }
  // Full: the least counted value gives its place up.
  const std::size_t place = LeastCounted();
  Entry& least = entries_[place];
  at_least_[place / 64] &= ~(std::uint64_t{1} << (place % 64));
  // The index node is reused: no allocation per replacement.
  auto node = index_.extract(least.value);
  node.key().assign(value);
  node.mapped() = place;
  index_.insert(std::move(node));
  least.value.assign(value);
  least.overcount = least.count;
  ++least.count;
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

}  // namespace engine
