#pragma once
// CSV for spreadsheets set up for Brazil: ";" between fields, the bytes as given (the engine's
// Windows-1252), CR LF after every row, a field quoted (its quotes doubled) when it holds ";", a
// quote, CR or LF. Rows go out in blocks of 1 MiB, written on a second thread while the next
// block is made (outputs/block_writer.h), so memory does not grow with them.

#include <cstddef>
#include <memory>
#include <optional>
#include <ostream>
#include <string_view>
#include <vector>

#include "outputs/block_writer.h"
#include "outputs/xlsx_workbook.h"  // SheetCell

namespace outputs {

class CsvWriter {
 public:
  // `out` must outlive the writer and be opened in binary mode; from the first 1 MiB on it is
  // written by another thread until Finish() (see outputs/block_writer.h).
  explicit CsvWriter(std::ostream& out);
  // Rows made in memory instead, for bytes() to take: a failure list's rows made ahead on the
  // walk's workers, each put in its file later with Raw().
  CsvWriter();
  CsvWriter(const CsvWriter&) = delete;
  CsvWriter& operator=(const CsvWriter&) = delete;

  void Field(std::string_view text);
  void EndRow();
  // A whole row at once: `count` fields, then the row's end. The same bytes as Field() for each
  // and EndRow(), in one copy when no field needs quotes (the usual case).
  void Row(const std::string_view* fields, std::size_t count);
  // The same of cells' texts (a failure list's row as it is made), without a copy of the views.
  void Row(const SheetCell* cells, std::size_t count);
  // Where a field lies in a stored record.
  struct Span {
    std::size_t offset = 0;
    std::size_t length = 0;
  };
  // The row of a stored record: the `lead` fields, the record's bytes at each of `spans` (inside
  // it), then `last`, none needing quotes (the caller has scanned the record as a whole). Each
  // field is copied with one move of 16 bytes where it fits, rather than a call per field.
  void PlainRecordRow(const std::string_view* lead, std::size_t lead_count, std::string_view record,
                      const std::vector<Span>& spans, std::string_view last);
  // Bytes of whole rows made by another writer in memory, as they are.
  void Raw(std::string_view bytes);
  // In memory: the rows made since the last clear().
  std::string_view bytes() const { return {buffer_.get(), size_}; }
  void clear() { size_ = 0; }
  // Whether a field holds ";", a quote, CR or LF and so goes between quotes.
  static bool NeedsQuotes(std::string_view text);
  // Flushes. False when a write failed at any point, so a failed save is never reported as done.
  bool Finish();

 private:
  template <typename Cell>
  void RowOf(const Cell* fields, std::size_t count);
  // Hands the block over to be written and goes on in the other one.
  void Flush();
  // Room for `n` more bytes, flushing the block first when they do not fit.
  char* Reserve(std::size_t n);

  std::ostream* out_;               // null: in memory
  std::unique_ptr<char[]> buffer_;  // being filled
  std::size_t capacity_;
  std::size_t size_ = 0;
  std::unique_ptr<char[]> spare_;  // being written, or free
  std::size_t spare_capacity_;
  std::vector<char> padded_;           // PlainRecordRow's record, with room to read past a field
  std::optional<BlockWriter> writer_;  // but in memory
  bool row_started_ = false;
  bool failed_ = false;
};

}  // namespace outputs
