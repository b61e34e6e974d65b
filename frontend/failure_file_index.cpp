#include "frontend/failure_file_index.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <filesystem>
#include <limits>
#include <system_error>
#include <utility>

#include "frontend/csv_row.h"
#include "frontend/failure_list_error.h"
#include "platform/system_path.h"

namespace frontend {
namespace {

constexpr std::size_t kReadBlock = 4u << 20;
// Row numbers travel as 32-bit values (filter results, the keys' ids).
constexpr std::size_t kMaxRows = std::numeric_limits<std::uint32_t>::max() - 1;

}  // namespace

FailureFileIndex::FailureFileIndex(std::string path, const std::function<bool()>& cancelled)
    : path_(std::move(path)) {
  in_.open(platform::FileSystemPath(path_), std::ios::binary);
  if (!in_) ThrowCannotRead(path_);
  Scan(cancelled);
  offsets_.shrink_to_fit();
  keys_.Finish();
}

// One pass: a row ends at a LF outside quotes. Quotes are counted, not parsed, between LFs, so
// the scan runs at memchr speed; only the key columns of each row are split.
void FailureFileIndex::Scan(const std::function<bool()>& cancelled) {
  std::string buffer;
  std::uint64_t base = 0;     // file offset of buffer[0]
  std::size_t row_start = 0;  // in buffer
  std::size_t scan = 0;       // bytes before this are scanned
  bool in_quotes = false;
  bool at_end = false;
  bool first_block = true;
  while (!at_end) {
    if (cancelled && cancelled()) throw FailureListCancelled();
    buffer.erase(0, row_start);
    base += row_start;
    scan -= row_start;
    row_start = 0;
    const std::size_t kept = buffer.size();
    buffer.resize(kept + kReadBlock);
    in_.read(buffer.data() + kept, static_cast<std::streamsize>(kReadBlock));
    const auto got = static_cast<std::size_t>(in_.gcount());
    buffer.resize(kept + got);
    if (got < kReadBlock) {
      if (in_.bad()) ThrowCannotRead(path_);
      at_end = true;
    }
    const char* data = buffer.data();
    while (scan < buffer.size()) {
      const void* found = std::memchr(data + scan, '\n', buffer.size() - scan);
      const std::size_t end =
          found ? static_cast<std::size_t>(static_cast<const char*>(found) - data) : buffer.size();
      if (std::count(data + scan, data + end, '"') % 2 != 0) in_quotes = !in_quotes;
      if (!found) {
        scan = end;
        break;
      }
      scan = end + 1;
      if (in_quotes) continue;
      AddRow(base + row_start, std::string_view(data + row_start, scan - row_start));
      row_start = scan;
    }
    if (first_block) {
      first_block = false;
      ReserveFor(base + row_start);
    }
    if (buffer.size() - row_start > kMaxRowBytes)
      ThrowRowTooLong(path_, PendingLine(), kMaxRowBytes);
  }
  if (row_start < buffer.size()) {  // the last row has no terminator
    AddRow(base + row_start, std::string_view(buffer).substr(row_start));
  }
  if (header_.empty()) ThrowMissingColumn(path_, "arquivo");
  offsets_.push_back(base + buffer.size());
  in_.clear();
}

// Room for the rows the whole file is likely to hold, judged from the rows of its first `read`
// bytes, so that the arrays of a large list do not double (and copy) their way up.
void FailureFileIndex::ReserveFor(std::uint64_t read) {
  if (offsets_.empty() || read == 0) return;
  std::error_code error;
  const std::uintmax_t size = std::filesystem::file_size(platform::FileSystemPath(path_), error);
  if (error || size <= read) return;
  const double estimate = static_cast<double>(offsets_.size()) * static_cast<double>(size) /
                          static_cast<double>(read) * 1.05;
  const auto rows = static_cast<std::size_t>(std::min(estimate, static_cast<double>(kMaxRows)));
  offsets_.reserve(rows + 1);
  keys_.Reserve(rows);
}

// The line number of the row being read, the header being line 1.
std::uint64_t FailureFileIndex::PendingLine() const {
  return header_.empty() ? 1 : offsets_.size() + 2;
}

void FailureFileIndex::AddRow(std::uint64_t offset, std::string_view row) {
  if (row.size() > kMaxRowBytes) ThrowRowTooLong(path_, PendingLine(), kMaxRowBytes);
  if (header_.empty()) {
    header_ = SplitCsvRow(row);
    header_end_ = offset + row.size();
    col_arquivo_ = ColumnIndex("arquivo");
    col_registro_ = ColumnIndex("registro");
    col_campo_ = ColumnIndex("campo");
    col_verificacao_ = ColumnIndex("verificacao");
    col_apolice_ = ColumnIndex("apolice");
    col_nova_ = ColumnIndex("nova");
    if (col_nova_ >= 0) keys_.MarkNew();
    for (const auto& [column, name] :
         {std::pair{col_arquivo_, "arquivo"}, std::pair{col_registro_, "registro"},
          std::pair{col_campo_, "campo"}, std::pair{col_verificacao_, "verificacao"}}) {
      if (column < 0) {
        header_.clear();
        ThrowMissingColumn(path_, name);
      }
    }
    last_key_column_ =
        std::max({col_arquivo_, col_registro_, col_campo_, col_verificacao_, col_apolice_});
    return;
  }
  if (offsets_.size() >= kMaxRows) ThrowTooManyRows(path_);
  offsets_.push_back(offset);
  // arquivo, registro, campo, verificacao, apolice: views into the row, or copies of the fields
  // the reader had to undouble (its buffer is reused by the next field).
  std::array<std::string_view, 5> key;
  std::array<std::string, 5> undoubled;
  const std::array<int, 5> columns = {col_arquivo_, col_registro_, col_campo_, col_verificacao_,
                                      col_apolice_};
  CsvRowReader reader(row);
  std::string_view field;
  for (int column = 0; column <= last_key_column_ && reader.Next(field); ++column) {
    for (std::size_t k = 0; k < columns.size(); ++k) {
      if (columns[k] != column) continue;
      const bool in_row = field.data() >= row.data() && field.data() <= row.data() + row.size();
      key[k] = in_row ? field : undoubled[k].assign(field);
    }
  }
  keys_.Add(key[0], key[2], key[3], key[1], key[4], col_nova_ >= 0 && IsNew(row));
}

// The list writes nova last, "S" or empty: the row's end tells, without splitting the message
// and the other long columns before it. A list with nova elsewhere is split up to it.
bool FailureFileIndex::IsNew(std::string_view row) const {
  if (col_nova_ + 1 == static_cast<int>(header_.size())) {
    while (!row.empty() && (row.back() == '\n' || row.back() == '\r')) row.remove_suffix(1);
    return row.ends_with(";S");
  }
  CsvRowReader reader(row);
  std::string_view field;
  for (int column = 0; reader.Next(field); ++column) {
    if (column == col_nova_) return field == "S";
  }
  return false;
}

std::string FailureFileIndex::RawHeader() const { return ReadSpan(0, header_end_); }

int FailureFileIndex::ColumnIndex(std::string_view name) const {
  const auto it = std::find(header_.begin(), header_.end(), name);
  return it == header_.end() ? -1 : static_cast<int>(it - header_.begin());
}

std::vector<std::string> FailureFileIndex::Row(std::size_t row) const {
  std::vector<std::string> fields = SplitCsvRow(RawRows(row, 1));
  if (fields.size() < header_.size()) fields.resize(header_.size());
  return fields;
}

std::string FailureFileIndex::RawRows(std::size_t first, std::size_t count) const {
  return ReadSpan(offsets_[first], offsets_[first + count]);
}

std::string FailureFileIndex::ReadSpan(std::uint64_t begin, std::uint64_t end) const {
  std::string bytes(static_cast<std::size_t>(end - begin), '\0');
  const std::lock_guard lock(in_mutex_);
  in_.clear();
  in_.seekg(static_cast<std::streamoff>(begin));
  in_.read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  if (static_cast<std::size_t>(in_.gcount()) != bytes.size()) ThrowChanged(path_);
  return bytes;
}

std::size_t FailureFileIndex::MemoryBytes() const {
  return offsets_.capacity() * sizeof(std::uint64_t) + keys_.MemoryBytes();
}

}  // namespace frontend
