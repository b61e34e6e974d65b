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
  const auto slot = static_cast<std::size_t>(least - entries_.begin());
  index_.erase(least->value);
  least->value.assign(value);
  least->overcount = least->count;
  ++least->count;
  index_.emplace(least->value, slot);
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
