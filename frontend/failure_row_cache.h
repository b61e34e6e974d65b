#pragma once
// The rows a view is showing, kept parsed: a list view asks for every cell, often several times
// per paint, and each miss here is a read of the file. Holds at most `capacity` rows; the oldest
// leaves first. Not thread-safe: one cache per view, used on the view's thread.

#include <cstddef>
#include <deque>
#include <string>
#include <unordered_map>
#include <vector>

#include "frontend/failure_file_index.h"

namespace frontend {

class FailureRowCache {
 public:
  // `index` must outlive the cache.
  explicit FailureRowCache(const FailureFileIndex& index, std::size_t capacity = 1024);

  // The fields of `row`, as FailureFileIndex::Row. The reference stays valid until the next
  // call. Throws as FailureFileIndex::Row.
  const std::vector<std::string>& Row(std::size_t row);
  void Clear();

 private:
  const FailureFileIndex& index_;
  std::size_t capacity_;
  std::unordered_map<std::size_t, std::vector<std::string>> rows_;
  std::deque<std::size_t> order_;  // row numbers, oldest first
};

}  // namespace frontend
