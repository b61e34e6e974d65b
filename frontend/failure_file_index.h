#pragma once
// A failure list (the CSV the engine writes) opened for a view that shows millions of rows: one
// pass records where each row starts (8 bytes a row) and the few columns the filters need
// (failure_keys.h); a row's fields are read from the file when asked for, never kept. The
// header row names the columns, so a list with more columns than today's reads the same way;
// the notes the writer adds after a capped group are rows like the others.
//
// The file stays open for reading while the index lives (destroy the index before removing the
// file: Windows refuses to delete an open file). Reads may come from any thread.

#include <cstddef>
#include <cstdint>
#include <fstream>
#include <functional>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "frontend/failure_keys.h"

namespace frontend {

class FailureFileIndex {
 public:
  // A row longer than this is not one the engine writes; refusing it bounds the memory a row
  // read takes.
  static constexpr std::uint64_t kMaxRowBytes = 16u << 20;

  // Reads the whole file once. Throws FailureListError when it cannot be read, lacks one of the
  // columns arquivo, registro, campo, verificacao, or has a row over kMaxRowBytes.
  // `cancelled`, when given, is asked after every few MiB; when it answers true the reading
  // stops with FailureListCancelled (a panel closed while its list was being read).
  explicit FailureFileIndex(std::string path, const std::function<bool()>& cancelled = {});
  FailureFileIndex(const FailureFileIndex&) = delete;
  FailureFileIndex& operator=(const FailureFileIndex&) = delete;

  const std::string& path() const { return path_; }
  // Rows after the header; rows are numbered from 0 in file order.
  std::size_t RowCount() const { return offsets_.size() - 1; }
  const std::vector<std::string>& Header() const { return header_; }
  // The header row's bytes, terminator included.
  std::string RawHeader() const;
  // Position of the column named `name` (exact, as the header has it), -1 when absent.
  int ColumnIndex(std::string_view name) const;
  // Whether the list has the apolice column that the policy search looks in (lists written
  // before the key columns existed have not).
  bool HasApolice() const { return col_apolice_ >= 0; }
  // Whether the list marks its rows new against the company's earlier run (column nova).
  bool HasNova() const { return col_nova_ >= 0; }

  // The row's fields, one per header column (a short row filled with empty fields; a longer one
  // keeps its extra fields). Throws FailureListError when the file no longer holds the row.
  // REQUIRES: row < RowCount().
  std::vector<std::string> Row(std::size_t row) const;
  // The bytes of `count` consecutive rows from `first`, terminators included, in one read.
  // REQUIRES: first + count <= RowCount().
  std::string RawRows(std::size_t first, std::size_t count) const;
  // Bytes of the row, terminator included.
  std::size_t RowLength(std::size_t row) const {
    return static_cast<std::size_t>(offsets_[row + 1] - offsets_[row]);
  }

  const FailureKeys& keys() const { return keys_; }
  // Memory held by the index (offsets and keys).
  std::size_t MemoryBytes() const;

 private:
  void Scan(const std::function<bool()>& cancelled);
  void AddRow(std::uint64_t offset, std::string_view row);
  // Whether the row is marked new (column nova).
  bool IsNew(std::string_view row) const;
  std::uint64_t PendingLine() const;
  void ReserveFor(std::uint64_t read);
  std::string ReadSpan(std::uint64_t begin, std::uint64_t end) const;

  std::string path_;
  mutable std::ifstream in_;
  mutable std::mutex in_mutex_;
  std::vector<std::string> header_;
  std::uint64_t header_end_ = 0;
  // Start of every row, and one more: the end of the last.
  std::vector<std::uint64_t> offsets_;
  FailureKeys keys_;
  int col_arquivo_ = -1, col_registro_ = -1, col_campo_ = -1, col_verificacao_ = -1;
  int col_apolice_ = -1;  // absent in lists written before the key columns
  int col_nova_ = -1;     // only beside an earlier run of the company
  int last_key_column_ = 0;
};

}  // namespace frontend
