#pragma once
// The fields of one row of the failure list: ";" between fields, a field in quotes when it holds
// ";", a quote, CR or LF, its quotes doubled inside. The row may end with CR LF (or LF); the
// terminator is not part of the last field. A quote inside an unquoted field is taken as a
// character, and a quoted field that never closes runs to the end of the row, so any bytes give
// fields and never an error.

#include <string>
#include <string_view>
#include <vector>

namespace frontend {

class CsvRowReader {
 public:
  explicit CsvRowReader(std::string_view row);

  // The next field's text; false after the last one. The view stays valid until the next call.
  bool Next(std::string_view& field);

 private:
  std::string_view row_;
  std::size_t pos_ = 0;
  bool done_ = false;
  std::string scratch_;  // a quoted field with doubled quotes, undoubled
};

// Every field of the row.
std::vector<std::string> SplitCsvRow(std::string_view row);

// The row without its CR LF or LF.
std::string_view WithoutTerminator(std::string_view row);

}  // namespace frontend
