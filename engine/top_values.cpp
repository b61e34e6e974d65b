#include "engine/top_values.h"

#include <algorithm>

namespace engine {

TopValues::TopValues(std::size_t capacity) : capacity_(capacity == 0 ? 1 : capacity) {
  entries_.reserve(capacity_);
}

void TopValues::Add(std::string_view value) {
  const auto it = index_.find(value);
  if (it != index_.end()) {
    ++entries_[it->second].count;
    return;
  }
  if (entries_.size() < capacity_) {
    index_.emplace(std::string(value), entries_.size());
    entries_.push_back({std::string(value), 1, 0});
    return;
  }
  // Full: the least counted value gives its place up. A linear search, as places are few.
  const auto least =
      std::min_element(entries_.begin(), entries_.end(),
                       [](const Entry& a, const Entry& b) { return a.count < b.count; });
  // The index node is reused: no allocation per replacement.
  auto node = index_.extract(least->value);
  node.key().assign(value);
  index_.insert(std::move(node));
  least->value.assign(value);
  least->overcount = least->count;
  ++least->count;
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
