#include "outputs/record_extract.h"

#include <algorithm>
#include <exception>
#include <optional>

#include "engine/open_reader.h"
#include "engine/scratch_file.h"
#include "engine/text.h"
#include "outputs/csv_writer.h"
#include "outputs/extract_rows.h"
#include "tables/ascii.h"
#include "tables/table_error.h"

namespace outputs {
namespace {

constexpr std::string_view kClaimKey = "APOLICE+ITEM";
constexpr std::string_view kCoverageStart = "INICIO_VIG";
constexpr std::size_t kBlockWords = 1 << 18;  // 1 MiB of a pass in memory at a time
constexpr std::size_t kCopyBytes = 1 << 20;   // moving a pass to the next folder
// Positions cached for the field labels; a file with more fields looks the rest up by name.
constexpr int kCachedPositions = 4096;

// The record's key: found by these in the system that made the file, so never cut.
bool IsKeyField(std::string_view name) {
  using tables::EqualsIgnoringCase;
  return EqualsIgnoringCase(name, "APOLICE") || EqualsIgnoringCase(name, "ENDOSSO") ||
         EqualsIgnoringCase(name, "ITEM");
}

// The header in words (Windows-1252) of column `c` of `columns` (RecordExtract::HeaderColumns());
// a field other than the key keeps the file's name for it.
std::string SheetTitle(std::size_t c, const std::vector<SheetColumn>& columns) {
  using tables::EqualsIgnoringCase;
  if (c == 0) return "Arquivo";
  if (c == 1) return "Registro";
  if (c + 1 == columns.size()) return "Falhas";
  const std::string_view name = columns[c].name;
  if (EqualsIgnoringCase(name, "APOLICE")) return engine::Ansi("Apólice");
  if (EqualsIgnoringCase(name, "ENDOSSO")) return "Endosso";
  if (EqualsIgnoringCase(name, "ITEM")) return "Item";
  return std::string(name);
}

// Whether the open table lays its records out as the run's table did.
bool SameLayout(const tables::DbfTable& a, const tables::DbfTable& b) {
  const auto& x = a.FieldList();
  const auto& y = b.FieldList();
  if (x.size() != y.size() || a.RecordLength() != b.RecordLength()) return false;
  for (std::size_t i = 0; i < x.size(); ++i) {
    if (x[i].name != y[i].name || x[i].offset != y[i].offset || x[i].length != y[i].length) {
      return false;
    }
  }
  return true;
}

}  // namespace

bool RecordExtract::Pass::Create(std::vector<std::string> folders) {
  folders_ = std::move(folders);
  block_.reserve(kBlockWords + 2);
  return MoveTo(0);
}

bool RecordExtract::Pass::MoveTo(std::size_t first) {
  std::vector<char> copy;
  for (folder_ = first; folder_ < folders_.size(); ++folder_) {
    std::string reason;
    std::optional<platform::ExclusiveFile> next =
        engine::CreateScratchFileIn(folders_[folder_], "extrato", &reason);
    for (std::uint64_t at = 0; next && at < size_;) {
      copy.resize(kCopyBytes);
      const auto n = static_cast<std::size_t>(std::min<std::uint64_t>(kCopyBytes, size_ - at));
      if (file_->ReadAt(at, copy.data(), n) != n) return false;  // nothing whole to move
      if (!next->WriteAt(at, copy.data(), n)) {
        reason = next->ErrorText();
        next.reset();
      }
      at += n;
    }
    if (next) {
      file_ = std::move(next);
      return true;
    }
    failures_.push_back({folders_[folder_], reason});
  }
  return false;
}

void RecordExtract::Pass::Add(std::uint32_t record, std::uint32_t label) {
  if (!labels_.empty() && record != record_) Close();
  record_ = record;
  labels_.push_back(label);
}

void RecordExtract::Pass::Close() {
  if (labels_.empty()) return;
  if (block_.size() + labels_.size() + 2 > kBlockWords) Flush();
  ++records_;
  block_.push_back(record_);
  block_.push_back(static_cast<std::uint32_t>(labels_.size()));
  block_.insert(block_.end(), labels_.begin(), labels_.end());
  labels_.clear();
}

bool RecordExtract::Pass::Flush() {
  if (!file_) failed_ = true;
  const std::size_t bytes = block_.size() * sizeof block_[0];
  while (!failed_ && bytes > 0 && !file_->WriteAt(size_, block_.data(), bytes)) {
    failures_.push_back({folders_[folder_], file_->ErrorText()});
    if (!MoveTo(folder_ + 1)) failed_ = true;
  }
  if (!failed_) size_ += bytes;
  block_.clear();
  return !failed_;
}

bool RecordExtract::Pass::Rewind() {
  Close();
  Flush();
  read_pos_ = 0;
  read_at_ = 0;
  return !failed_;
}

bool RecordExtract::Pass::Fill(std::size_t wanted) {
  if (block_.size() - read_at_ >= wanted) return true;
  block_.erase(block_.begin(), block_.begin() + static_cast<std::ptrdiff_t>(read_at_));
  read_at_ = 0;
  const std::size_t had = block_.size();
  const std::uint64_t left = (size_ - read_pos_) / sizeof block_[0];
  const auto take =
      static_cast<std::size_t>(std::min<std::uint64_t>(std::max(kBlockWords, wanted) - had, left));
  block_.resize(had + take);
  const std::size_t bytes = take * sizeof block_[0];
  if (file_->ReadAt(read_pos_, block_.data() + had, bytes) != bytes) {
    failed_ = true;
    block_.resize(had);
    return false;
  }
  read_pos_ += bytes;
  return block_.size() >= wanted;
}

bool RecordExtract::Pass::Next(std::uint32_t* record, std::vector<std::uint32_t>* labels,
                               bool* failed) {
  if (!Fill(2)) {
    if (block_.size() != read_at_ || failed_) *failed = true;
    return false;
  }
  const std::uint32_t count = block_[read_at_ + 1];
  if (!Fill(2 + std::size_t{count})) {
    *failed = true;  // the file ends inside a record: it was not written whole
    return false;
  }
  *record = block_[read_at_];
  const auto first = block_.begin() + static_cast<std::ptrdiff_t>(read_at_ + 2);
  labels->assign(first, first + count);
  read_at_ += 2 + std::size_t{count};
  return true;
}

RecordExtract::RecordExtract(std::ostream& risks, std::ostream& claims,
                             const std::string& catalogue_folder) {
  files_[0].out = &risks;
  files_[1].out = &claims;
  CreatePasses(catalogue_folder);
}

RecordExtract::RecordExtract(const std::string& workbook_path, const std::string& catalogue_folder,
                             std::uint32_t rows_per_sheet)
    : book_(std::make_unique<XlsxWorkbook>(workbook_path, XlsxWorkbook::Texts::kWindows1252,
                                           rows_per_sheet, catalogue_folder)) {
  CreatePasses(catalogue_folder);
}

void RecordExtract::CreatePasses(const std::string& catalogue_folder) {
  const std::vector<std::string> folders = engine::ScratchFolders(catalogue_folder);
  for (FileState& f : files_) {
    for (Pass& p : f.passes) {
      if (!failed_ && !p.Create(folders)) {
        failed_ = true;
        scratch_failures_ = p.failures();
      }
    }
  }
}

RecordExtract::~RecordExtract() = default;

bool RecordExtract::ok() const { return !failed_ && (!book_ || book_->ok()); }

std::string RecordExtract::WorkbookError() const { return book_ ? book_->ErrorText() : ""; }

std::string RecordExtract::ClaimsPath(const std::string& path) {
  const std::size_t slash = path.find_last_of("/\\");
  const std::size_t dot = path.rfind('.');
  const bool has_suffix = dot != std::string::npos && (slash == std::string::npos || dot > slash);
  std::string out = path;
  out.insert(has_suffix ? dot : path.size(), "-sinistros");
  return out;
}

std::uint32_t RecordExtract::Label(std::string_view field, engine::FindingCheck check) {
  key_.assign(field);
  key_ += ':';
  key_ += engine::FindingCheckName(check);
  const auto [it, added] =
      label_numbers_.try_emplace(key_, static_cast<std::uint32_t>(labels_.size()));
  if (added) {
    labels_.push_back(key_);
    label_fields_.emplace_back(field);
  }
  return it->second;
}

std::uint32_t RecordExtract::FieldLabel(int position, std::string_view field,
                                        engine::FindingCheck check) {
  if (position < 1 || position > kCachedPositions) return Label(field, check);
  const auto p = static_cast<std::size_t>(position);
  if (by_position_.size() <= p) by_position_.resize(p + 1);
  std::uint32_t& cached = by_position_[p][static_cast<std::size_t>(check)];
  // The name is compared as well: both files share the cache, with other fields at a position.
  if (cached == 0 || label_fields_[cached - 1] != field) cached = Label(field, check) + 1;
  return cached - 1;
}

void RecordExtract::FieldFailed(const engine::FieldFinding& f) {
  if (finished_ || failed_ || f.table == nullptr) return;
  Tell(f.file, 0, f.record, *f.table, FieldLabel(f.position, f.field, f.check));
}

void RecordExtract::CompanyFailed(engine::FindingFile file, std::uint32_t record,
                                  const engine::RecordKey& key, std::string_view field,
                                  std::string_view, std::string_view) {
  if (finished_ || failed_ || key.table == nullptr) return;
  Tell(file, 0, record, *key.table, Label(field, engine::FindingCheck::kEmpresa));
}

void RecordExtract::ClaimWithoutPolicy(std::uint32_t record, const engine::RecordKey& key,
                                       std::string_view, std::string_view) {
  if (finished_ || failed_ || key.table == nullptr) return;
  Tell(engine::FindingFile::kSinistros, 1, record, *key.table,
       Label(kClaimKey, engine::FindingCheck::kSemApolice));
}

void RecordExtract::CoverageInverted(std::uint32_t record, const engine::RecordKey& key,
                                     std::string_view, std::string_view) {
  if (finished_ || failed_ || key.table == nullptr) return;
  Tell(engine::FindingFile::kRiscos, 1, record, *key.table,
       Label(kCoverageStart, engine::FindingCheck::kVigenciaInvertida));
}

bool RecordExtract::Attach(FileState& state, const tables::DbfTable& run_table) {
  // The very file the run reads, through another handle on it: never the name again, which may
  // name another file by now.
  auto table = std::make_unique<tables::DbfTable>("tbExtrato", /*set_deleted=*/false);
  try {
    engine::HeldInput::OpenTableLike(*table, run_table);
  } catch (const std::exception&) {  // no handle to be had
    return false;
  }
  if (!SameLayout(*table, run_table)) return false;
  state.table = std::move(table);
  return true;
}

void RecordExtract::Tell(engine::FindingFile file, int pass_index, std::uint32_t record,
                         const tables::DbfTable& run_table, std::uint32_t label) {
  FileState& state = files_[file == engine::FindingFile::kRiscos ? 0 : 1];
  if (!state.table && !Attach(state, run_table)) {
    failed_ = true;
    return;
  }
  state.passes[static_cast<std::size_t>(pass_index)].Add(record, label);
}

// Each file's passes are read back, merged by record number, and each record's row written
// from its input file; a file without a failure gets its header alone.
bool RecordExtract::WriteFile(engine::FindingFile which) {
  FileState& state = files_[which == engine::FindingFile::kRiscos ? 0 : 1];
  RewindPasses(state);
  const std::vector<SheetColumn> columns = HeaderColumns(state.table.get());
  std::optional<CsvWriter> csv;
  std::size_t sheet = 0;
  std::vector<std::size_t> order;
  if (book_) {
    order = SheetOrder(columns);
    std::vector<std::string> titles;  // Windows-1252, as the workbook's texts
    for (const std::size_t c : order) titles.push_back(SheetTitle(c, columns));
    std::vector<SheetColumn> sheet_columns;
    for (std::size_t c = 0; c < order.size(); ++c) {
      sheet_columns.push_back({titles[c], columns[order[c]].width, columns[order[c]].whole});
    }
    sheet = book_->AddSizedSheet(engine::FindingFileName(which), sheet_columns);
  } else {
    csv.emplace(*state.out);
    for (const SheetColumn& column : columns) csv->Field(column.name);
    csv->EndRow();
  }
  if (state.table) {
    ExtractRows rows(which, *state.table, labels_, csv ? &*csv : nullptr, book_.get(), sheet,
                     order);
    MergePasses(state, rows);
  }
  return (csv ? csv->Finish() : true) && !failed_;
}

void RecordExtract::RewindPasses(FileState& state) {
  for (Pass& pass : state.passes) {
    if (!pass.Rewind()) {
      failed_ = true;
      if (scratch_failures_.empty()) scratch_failures_ = pass.failures();
    }
  }
}

std::vector<SheetColumn> RecordExtract::HeaderColumns(const tables::DbfTable* table) {
  std::vector<SheetColumn> columns = {{"arquivo"}, {"registro"}};
  if (table != nullptr) {
    for (const tables::DbfField& f : table->FieldList()) {
      columns.push_back({f.name, f.length, IsKeyField(f.name)});
    }
  }
  columns.push_back({"falhas"});
  return columns;
}

std::vector<std::size_t> RecordExtract::SheetOrder(const std::vector<SheetColumn>& columns) {
  std::vector<std::size_t> order;
  for (const std::string_view key : {"APOLICE", "ENDOSSO", "ITEM"}) {
    for (std::size_t c = 2; c + 1 < columns.size(); ++c) {
      if (tables::EqualsIgnoringCase(columns[c].name, key)) {
        order.push_back(c);
        break;
      }
    }
  }
  order.push_back(1);  // registro
  for (std::size_t c = 2; c + 1 < columns.size(); ++c) {
    if (std::find(order.begin(), order.end(), c) == order.end()) order.push_back(c);
  }
  order.push_back(columns.size() - 1);  // falhas
  order.push_back(0);                   // arquivo: the sheet names it already
  return order;
}

// Both passes are in record order: a merge joins the rows of a record found by both.
void RecordExtract::MergePasses(FileState& state, ExtractRows& rows) {
  Pass& walk = state.passes[0];
  Pass& later = state.passes[1];
  std::uint32_t a = 0;
  std::uint32_t b = 0;
  std::vector<std::uint32_t> a_labels;
  std::vector<std::uint32_t> b_labels;
  bool read_failed = false;
  bool has_a = walk.Next(&a, &a_labels, &read_failed);
  bool has_b = later.Next(&b, &b_labels, &read_failed);
  while ((has_a || has_b) && !failed_) {
    records_read_ += has_a && has_b && a == b ? 2 : 1;
    // Told every so many records: a record's row costs far less than a look at the clock.
    if (progress_ && (++rows_since_told_ & 1023) == 0) progress_(records_read_, records_total_);
    if (has_a && (!has_b || a < b)) {
      if (!rows.Write(a, a_labels, nullptr)) failed_ = true;
      has_a = walk.Next(&a, &a_labels, &read_failed);
    } else if (has_b && (!has_a || b < a)) {
      if (!rows.Write(b, b_labels, nullptr)) failed_ = true;
      has_b = later.Next(&b, &b_labels, &read_failed);
    } else {
      if (!rows.Write(a, a_labels, &b_labels)) failed_ = true;
      has_a = walk.Next(&a, &a_labels, &read_failed);
      has_b = later.Next(&b, &b_labels, &read_failed);
    }
  }
  if (read_failed) failed_ = true;
}

bool RecordExtract::Finish() {
  if (finished_) return !failed_;
  finished_ = true;
  if (failed_) return false;
  records_total_ = 0;
  for (FileState& f : files_) {
    for (Pass& p : f.passes) records_total_ += p.records();
  }
  const bool risks = WriteFile(engine::FindingFile::kRiscos);
  const bool claims = WriteFile(engine::FindingFile::kSinistros);
  for (FileState& f : files_) f.table.reset();
  const bool book = !book_ || book_->Finish();
  return risks && claims && book && !failed_;
}

}  // namespace outputs
