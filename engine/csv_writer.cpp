#include "engine/csv_writer.h"

#include <array>

namespace engine {
namespace {

constexpr std::size_t kFlushAt = 1 << 16;

// One table look-up per byte: find_first_of searches the set again for every byte.
constexpr std::array<bool, 256> kSpecial = [] {
  std::array<bool, 256> special{};
  for (const char c : {';', '"', '\r', '\n'}) special[static_cast<unsigned char>(c)] = true;
  return special;
}();

bool NeedsQuotes(std::string_view text) {
  bool any = false;
  for (const char c : text) any |= kSpecial[static_cast<unsigned char>(c)];
  return any;
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

void CsvWriter::Row(const std::string_view* fields, std::size_t count) {
  std::size_t size = buffer_.size() + count + 1;  // separators and CR LF
  bool plain = !row_started_;
  for (std::size_t i = 0; i < count && plain; ++i) {
    plain = !NeedsQuotes(fields[i]);
    size += fields[i].size();
  }
  if (!plain) {
    for (std::size_t i = 0; i < count; ++i) Field(fields[i]);
    EndRow();
    return;
  }
  std::size_t at = buffer_.size();
  buffer_.resize(size);
  char* out = buffer_.data();
  for (std::size_t i = 0; i < count; ++i) {
    if (i > 0) out[at++] = ';';
    fields[i].copy(out + at, fields[i].size());
    at += fields[i].size();
  }
  out[at++] = '\r';
  out[at++] = '\n';
  buffer_.resize(at);
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
