#include "engine/csv_writer.h"

namespace engine {
namespace {

constexpr std::size_t kFlushAt = 1 << 16;

bool NeedsQuotes(std::string_view text) {
  return text.find_first_of(";\"\r\n") != std::string_view::npos;
}

}  // namespace

CsvWriter::CsvWriter(std::ostream& out) : out_(out) { buffer_.reserve(kFlushAt + 4096); }

void CsvWriter::Field(std::string_view text) {
  if (row_started_) buffer_ += ';';
  row_started_ = true;
  if (NeedsQuotes(text)) {
    buffer_ += '"';
    for (const char c : text) {
      if (c == '"') buffer_ += '"';
      buffer_ += c;
    }
    buffer_ += '"';
  } else {
    buffer_ += text;
  }
}

void CsvWriter::EndRow() {
  buffer_ += "\r\n";
  row_started_ = false;
  if (buffer_.size() >= kFlushAt) Flush();
}

void CsvWriter::Flush() {
  if (!failed_ && !buffer_.empty()) {
    out_.write(buffer_.data(), static_cast<std::streamsize>(buffer_.size()));
    if (!out_) failed_ = true;
  }
  buffer_.clear();
}

bool CsvWriter::Finish() {
  Flush();
  out_.flush();
  if (!out_) failed_ = true;
  return !failed_;
}

}  // namespace engine
