#include "frontend/csv_row.h"

#include <algorithm>

namespace frontend {

std::string_view WithoutTerminator(std::string_view row) {
  if (!row.empty() && row.back() == '\n') row.remove_suffix(1);
  if (!row.empty() && row.back() == '\r') row.remove_suffix(1);
  return row;
}

CsvRowReader::CsvRowReader(std::string_view row) : row_(WithoutTerminator(row)) {}

bool CsvRowReader::Next(std::string_view& field) {
  if (done_) return false;
  if (pos_ < row_.size() && row_[pos_] == '"') {
    scratch_.clear();
    std::size_t i = pos_ + 1;
    bool doubled = false;
    while (i < row_.size()) {
      const std::size_t quote = row_.find('"', i);
      if (quote == std::string_view::npos) {  // never closed: the rest of the row
        scratch_.append(row_.substr(i));
        i = row_.size();
        break;
      }
      scratch_.append(row_.substr(i, quote - i));
      if (quote + 1 < row_.size() && row_[quote + 1] == '"') {
        scratch_ += '"';
        doubled = true;
        i = quote + 2;
        continue;
      }
      i = quote + 1;
      break;
    }
    // Bytes between the closing quote and the separator belong to the field as written.
    const std::size_t end = std::min(row_.find(';', i), row_.size());
    if (end > i) {
      scratch_.append(row_.substr(i, end - i));
      field = scratch_;
    } else {
      field = doubled ? std::string_view(scratch_) : row_.substr(pos_ + 1, scratch_.size());
    }
    pos_ = end + 1;
    done_ = end >= row_.size();
    return true;
  }
  const std::size_t end = std::min(row_.find(';', pos_), row_.size());
  field = row_.substr(pos_, end - pos_);
  pos_ = end + 1;
  done_ = end >= row_.size();
  return true;
}

std::vector<std::string> SplitCsvRow(std::string_view row) {
  std::vector<std::string> fields;
  CsvRowReader reader(row);
  for (std::string_view field; reader.Next(field);) fields.emplace_back(field);
  return fields;
}

}  // namespace frontend
