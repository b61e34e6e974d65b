#include "frontend/failure_row_cache.h"

#include <algorithm>

namespace frontend {

FailureRowCache::FailureRowCache(const FailureFileIndex& index, std::size_t capacity)
    : index_(index), capacity_(std::max<std::size_t>(capacity, 1)) {}

const std::vector<std::string>& FailureRowCache::Row(std::size_t row) {
  if (const auto it = rows_.find(row); it != rows_.end()) return it->second;
  std::vector<std::string> fields = index_.Row(row);  // may throw: the cache stays as it was
  if (order_.size() == capacity_) {
    rows_.erase(order_.front());
    order_.pop_front();
  }
  order_.push_back(row);
  return rows_.emplace(row, std::move(fields)).first->second;
}

void FailureRowCache::Clear() {
  rows_.clear();
  order_.clear();
}

}  // namespace frontend
