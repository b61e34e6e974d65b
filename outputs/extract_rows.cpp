#include "outputs/extract_rows.h"

#include <charconv>
#include <cstring>
#include <utility>

#include "tables/dbf_values.h"

namespace outputs {
namespace {

// Records between two failing ones read through rather than jumped over: a jump reads one
// record alone, the walk a whole block.
constexpr std::uint32_t kStepLimit = 64;

}  // namespace

ExtractRows::ExtractRows(engine::FindingFile file, tables::DbfTable& table,
                         const std::vector<std::string>& labels, CsvWriter* csv, XlsxWorkbook* book,
                         std::size_t sheet, std::vector<std::size_t> sheet_order)
    : table_(table),
      labels_(labels),
      csv_(csv),
      book_(book),
      sheet_(sheet),
      at_(table.Eof() ? 0 : table.RecNo()),
      row_(table.FieldList().size() + 3),
      sheet_order_(std::move(sheet_order)),
      cells_(sheet_order_.size()),
      spans_(table.FieldList().size()) {
  row_[0] = engine::FindingFileName(file);
  for (std::size_t c = 0; c < cells_.size(); ++c) {
    if (sheet_order_[c] >= row_.size()) sheet_order_[c] = 0;  // a caller's slip: never past
    cells_[c].number = sheet_order_[c] == 1;                  // the record number
  }
}

bool ExtractRows::Write(std::uint32_t record, const std::vector<std::uint32_t>& first,
                        const std::vector<std::uint32_t>* more) {
  if (!Seek(record)) return false;
  Number(record);
  JoinFailures(first, more);
  const std::string_view bytes = table_.Record();
  PlaceFields(bytes.size());
  if (!WritePlain(bytes)) WriteFields(bytes);
  return true;
}

// The table shows deleted records too, so Next() goes one physical record on.
bool ExtractRows::Seek(std::uint32_t record) {
  if (at_ != 0 && at_ <= record && record - at_ <= kStepLimit) {
    for (; at_ < record && !table_.Eof(); ++at_) table_.Next();
  } else {
    table_.GoTo(record);
    at_ = record;
  }
  if (table_.Eof()) at_ = 0;
  return !table_.Eof();
}

void ExtractRows::Number(std::uint32_t record) {
  const auto end = std::to_chars(number_, number_ + sizeof number_, record).ptr;
  row_[1] = std::string_view(number_, static_cast<std::size_t>(end - number_));
}

void ExtractRows::JoinFailures(const std::vector<std::uint32_t>& first,
                               const std::vector<std::uint32_t>* more) {
  falhas_.clear();
  for (const auto* list : {&first, more}) {
    if (list == nullptr) continue;
    for (const std::uint32_t label : *list) {
      if (!falhas_.empty()) falhas_ += ' ';
      falhas_ += labels_[label];
    }
  }
  row_.back() = falhas_;
}

void ExtractRows::PlaceFields(std::size_t size) {
  if (size == spans_for_) return;
  spans_for_ = size;
  const std::vector<tables::DbfField>& fields = table_.FieldList();
  for (std::size_t i = 0; i < fields.size(); ++i) {
    const bool inside = fields[i].offset + fields[i].length <= size;
    spans_[i] =
        inside ? CsvWriter::Span{fields[i].offset, fields[i].length} : CsvWriter::Span{0, 0};
  }
}

// The usual record has no NUL and nothing to quote: one scan of it settles both.
bool ExtractRows::WritePlain(std::string_view bytes) {
  if (csv_ == nullptr || std::memchr(bytes.data(), 0, bytes.size()) != nullptr ||
      CsvWriter::NeedsQuotes(bytes) || CsvWriter::NeedsQuotes(falhas_)) {
    return false;
  }
  csv_->PlainRecordRow(row_.data(), 2, bytes, spans_, falhas_);
  return true;
}

void ExtractRows::WriteFields(std::string_view bytes) {
  for (std::size_t i = 0; i < spans_.size(); ++i) {
    row_[i + 2] = tables::DbfText(bytes.substr(spans_[i].offset, spans_[i].length));
  }
  if (csv_ != nullptr) {
    csv_->Row(row_.data(), row_.size());
    return;
  }
  for (std::size_t c = 0; c < cells_.size(); ++c) cells_[c].text = row_[sheet_order_[c]];
  book_->Row(sheet_, cells_.data(), cells_.size());
}

}  // namespace outputs
