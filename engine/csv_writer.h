#pragma once
// CSV for spreadsheets set up for Brazil: ";" between fields, the bytes as given (the engine's
// Windows-1252), CR LF after every row, a field quoted (its quotes doubled) when it holds ";", a
// quote, CR or LF. Rows go out through a fixed buffer, so memory does not grow with them.

#include <cstddef>
#include <memory>
#include <ostream>
#include <string_view>

namespace engine {

class CsvWriter {
 public:
  // `out` must outlive the writer and be opened in binary mode.
  explicit CsvWriter(std::ostream& out);
  CsvWriter(const CsvWriter&) = delete;
  CsvWriter& operator=(const CsvWriter&) = delete;

  void Field(std::string_view text);
  void EndRow();
  // A whole row at once: `count` fields, then the row's end. The same bytes as Field() for each
  // and EndRow(), in one copy when no field needs quotes (the usual case).
  void Row(const std::string_view* fields, std::size_t count);
  // Row() at the start of a row, for fields that the caller knows need no quotes (see
  // NeedsQuotes): no scan.
  void PlainRow(const std::string_view* fields, std::size_t count);
  // Whether a field holds ";", a quote, CR or LF and so goes between quotes.
  static bool NeedsQuotes(std::string_view text);
  // Flushes. False when a write failed at any point, so a failed save is never reported as done.
  bool Finish();

 private:
  void Flush();
  // Room for `n` more bytes, flushing the buffer first when they do not fit.
  char* Reserve(std::size_t n);

  std::ostream& out_;
  std::unique_ptr<char[]> buffer_;
  std::size_t capacity_;
  std::size_t size_ = 0;
  bool row_started_ = false;
  bool failed_ = false;
};

}  // namespace engine
