#pragma once
// CSV for spreadsheets set up for Brazil: ";" between fields, the bytes as given (the engine's
// Windows-1252), CR LF after every row, a field quoted (its quotes doubled) when it holds ";", a
// quote, CR or LF. Rows go out through a fixed buffer, so memory does not grow with them.

#include <ostream>
#include <string>
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
  // Flushes. False when a write failed at any point, so a failed save is never reported as done.
  bool Finish();

 private:
  void Flush();

  std::ostream& out_;
  std::string buffer_;
  bool row_started_ = false;
  bool failed_ = false;
};

}  // namespace engine
