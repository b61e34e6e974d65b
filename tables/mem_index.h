#pragma once
// The rows and the sorted indexes behind MemTable. Not used elsewhere.
//
// A row is a vector of cells, one per field. An index orders row ids by the cells of its fields
// and, among equal keys, by row id; row ids grow with every insert, so equal keys stay in
// insertion order and the key order plus the id is a strict total order.

#include <compare>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <variant>
#include <vector>

#include "tables/field_value.h"

namespace tables::mem {

// One stored value; std::monostate is null. All non-null cells of one column hold the same
// alternative (the field's storage type).
using Cell =
    std::variant<std::monostate, std::string, std::int32_t, std::int64_t, double, bool, Date>;
using Row = std::vector<Cell>;
using RowId = std::uint32_t;

// Key order of two cells: null before any value, two nulls equal; numbers numerically (NaN after
// every number); texts as unsigned bytes, so byte-equal texts are equal, case and trailing blanks
// tell texts apart, and upper-case names sort alphabetically.
std::weak_ordering CompareCells(const Cell& a, const Cell& b);

class SortedIndex {
 public:
  SortedIndex(std::string name, std::vector<int> fields);

  const std::string& name() const { return name_; }
  const std::vector<int>& fields() const { return fields_; }
  bool HasField(int field) const;

  // Places a newly posted row, whose id is above every id already in the index. A row that
  // belongs at the end goes there at once; any other waits until the order is next needed,
  // so loading rows in any order costs O(n log n), not O(n^2).
  void Add(const std::vector<Row>& rows, RowId id);
  // Takes out / puts back one row (used around an edit of one of the index's fields).
  // REQUIRES: Remove while the row still holds the key it was placed under.
  void Remove(const std::vector<Row>& rows, RowId id);
  void Insert(const std::vector<Row>& rows, RowId id);

  // All row ids in index order.
  const std::vector<RowId>& Order(const std::vector<Row>& rows);
  // Position of row `id` in Order().
  std::size_t PositionOf(const std::vector<Row>& rows, RowId id);
  // First position whose key equals `key` (one cell per index field), if any. Binary search.
  std::optional<std::size_t> Find(const std::vector<Row>& rows, std::span<const Cell> key);

  void Clear();

 private:
  std::weak_ordering CompareRowKeys(const Row& a, const Row& b) const;
  std::weak_ordering CompareRowToKey(const Row& row, std::span<const Cell> key) const;
  bool Less(const std::vector<Row>& rows, RowId a, RowId b) const;
  void Flush(const std::vector<Row>& rows);

  std::string name_;
  std::vector<int> fields_;
  std::vector<RowId> sorted_;
  std::vector<RowId> pending_;  // added rows not yet merged into sorted_
};

}  // namespace tables::mem
