#include "tables/mem_index.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <utility>

namespace tables::mem {

namespace {

std::weak_ordering CompareDoubles(double a, double b) {
  const bool a_nan = std::isnan(a);
  const bool b_nan = std::isnan(b);
  if (a_nan || b_nan)
    return a_nan == b_nan ? std::weak_ordering::equivalent
                          : (a_nan ? std::weak_ordering::greater : std::weak_ordering::less);
  if (a < b) return std::weak_ordering::less;
  if (b < a) return std::weak_ordering::greater;
  return std::weak_ordering::equivalent;  // 0.0 and -0.0 too
}

std::weak_ordering CompareTexts(const std::string& a, const std::string& b) {
  const std::size_t n = std::min(a.size(), b.size());
  // memcmp compares as unsigned char, whatever the signedness of char.
  const int c = n == 0 ? 0 : std::memcmp(a.data(), b.data(), n);
  if (c != 0) return c < 0 ? std::weak_ordering::less : std::weak_ordering::greater;
  return a.size() <=> b.size();
}

template <typename T>
std::weak_ordering Compare(const Cell& a, const Cell& b) {
  return *std::get_if<T>(&a) <=> *std::get_if<T>(&b);
}

}  // namespace

std::weak_ordering CompareCells(const Cell& a, const Cell& b) {
  if (a.index() != b.index()) {
    // Null (index 0) first. Mixed non-null kinds do not occur within one column; numbers
    // would still compare numerically.
    const bool a_num = std::holds_alternative<std::int32_t>(a) ||
                       std::holds_alternative<std::int64_t>(a) || std::holds_alternative<double>(a);
    const bool b_num = std::holds_alternative<std::int32_t>(b) ||
                       std::holds_alternative<std::int64_t>(b) || std::holds_alternative<double>(b);
    if (a_num && b_num) {
      auto as_double = [](const Cell& c) {
        if (const auto* i = std::get_if<std::int32_t>(&c)) return static_cast<double>(*i);
        if (const auto* l = std::get_if<std::int64_t>(&c)) return static_cast<double>(*l);
        return std::get<double>(c);
      };
      return CompareDoubles(as_double(a), as_double(b));
    }
    return a.index() <=> b.index();
  }
  // A switch rather than std::visit: this is the inner loop of every sort and search.
  switch (a.index()) {
    case 1:
      return CompareTexts(*std::get_if<std::string>(&a), *std::get_if<std::string>(&b));
    case 2:
      return Compare<std::int32_t>(a, b);
    case 3:
      return Compare<std::int64_t>(a, b);
    case 4:
      return CompareDoubles(*std::get_if<double>(&a), *std::get_if<double>(&b));
    case 5:
      return Compare<bool>(a, b);
    case 6:
      return Compare<Date>(a, b);
    default:
      return std::weak_ordering::equivalent;  // two nulls
  }
}

SortedIndex::SortedIndex(std::string name, std::vector<int> fields)
    : name_(std::move(name)), fields_(std::move(fields)) {}

bool SortedIndex::HasField(int field) const {
  return std::find(fields_.begin(), fields_.end(), field) != fields_.end();
}

std::weak_ordering SortedIndex::CompareRowKeys(const Row& a, const Row& b) const {
  for (int f : fields_) {
    const auto i = static_cast<std::size_t>(f);
    const std::weak_ordering c = CompareCells(a[i], b[i]);
    if (c != 0) return c;
  }
  return std::weak_ordering::equivalent;
}

std::weak_ordering SortedIndex::CompareRowToKey(const Row& row, std::span<const Cell> key) const {
  for (std::size_t k = 0; k < fields_.size(); ++k) {
    const std::weak_ordering c = CompareCells(row[static_cast<std::size_t>(fields_[k])], key[k]);
    if (c != 0) return c;
  }
  return std::weak_ordering::equivalent;
}

bool SortedIndex::Less(const std::vector<Row>& rows, RowId a, RowId b) const {
  const std::weak_ordering c = CompareRowKeys(rows[a], rows[b]);
  return c != 0 ? c < 0 : a < b;
}

void SortedIndex::Add(const std::vector<Row>& rows, RowId id) {
  if (pending_.empty() && (sorted_.empty() || Less(rows, sorted_.back(), id))) {
    sorted_.push_back(id);
  } else {
    pending_.push_back(id);
  }
}

void SortedIndex::Flush(const std::vector<Row>& rows) {
  if (pending_.empty()) return;
  auto less = [&](RowId a, RowId b) { return Less(rows, a, b); };
  std::sort(pending_.begin(), pending_.end(), less);
  const auto middle = static_cast<std::ptrdiff_t>(sorted_.size());
  sorted_.insert(sorted_.end(), pending_.begin(), pending_.end());
  pending_.clear();
  std::inplace_merge(sorted_.begin(), sorted_.begin() + middle, sorted_.end(), less);
}

void SortedIndex::Remove(const std::vector<Row>& rows, RowId id) {
  Flush(rows);
  sorted_.erase(sorted_.begin() + static_cast<std::ptrdiff_t>(PositionOf(rows, id)));
}

void SortedIndex::Insert(const std::vector<Row>& rows, RowId id) {
  Flush(rows);
  auto at = std::upper_bound(sorted_.begin(), sorted_.end(), id,
                             [&](RowId a, RowId b) { return Less(rows, a, b); });
  sorted_.insert(at, id);
}

const std::vector<RowId>& SortedIndex::Order(const std::vector<Row>& rows) {
  Flush(rows);
  return sorted_;
}

std::size_t SortedIndex::PositionOf(const std::vector<Row>& rows, RowId id) {
  Flush(rows);
  auto at = std::lower_bound(sorted_.begin(), sorted_.end(), id,
                             [&](RowId a, RowId b) { return Less(rows, a, b); });
  return static_cast<std::size_t>(at - sorted_.begin());
}

std::optional<std::size_t> SortedIndex::Find(const std::vector<Row>& rows,
                                             std::span<const Cell> key) {
  Flush(rows);
  // Lower bound on the key alone: the first of equal keys, which is the earliest inserted.
  auto at = std::lower_bound(sorted_.begin(), sorted_.end(), key,
                             [&](RowId id, auto k) { return CompareRowToKey(rows[id], k) < 0; });
  if (at == sorted_.end() || CompareRowToKey(rows[*at], key) != 0) return std::nullopt;
  return static_cast<std::size_t>(at - sorted_.begin());
}

void SortedIndex::Clear() {
  sorted_.clear();
  pending_.clear();
}

}  // namespace tables::mem
