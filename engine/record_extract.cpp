#include "engine/record_extract.h"

#include "engine/csv_writer.h"
#include "tables/dbf_table.h"
#include "tables/dbf_values.h"

namespace engine {
namespace {

constexpr std::string_view kClaimKey = "APOLICE+ITEM";
constexpr std::string_view kCoverageStart = "INICIO_VIG";

bool PutNumber(std::FILE* file, std::uint32_t value) {
  return std::fwrite(&value, sizeof value, 1, file) == 1;
}
bool GetNumber(std::FILE* file, std::uint32_t* value) {
  return std::fread(value, sizeof *value, 1, file) == 1;
}
bool PutText(std::FILE* file, std::string_view text) {
  return PutNumber(file, static_cast<std::uint32_t>(text.size())) &&
         std::fwrite(text.data(), 1, text.size(), file) == text.size();
}
bool GetText(std::FILE* file, std::string* text) {
  std::uint32_t size = 0;
  if (!GetNumber(file, &size)) return false;
  text->resize(size);
  return std::fread(text->data(), 1, size, file) == size;
}

}  // namespace

RecordExtract::RecordExtract(std::ostream& risks, std::ostream& claims) {
  files_[0].out = &risks;
  files_[1].out = &claims;
  for (FileState& f : files_) {
    for (Pass& p : f.passes) {
      p.file.reset(std::tmpfile());  // removed when closed, whatever ends the run
      if (!p.file) failed_ = true;
    }
  }
}

RecordExtract::~RecordExtract() = default;

bool RecordExtract::ok() const { return !failed_; }

std::string RecordExtract::ClaimsPath(const std::string& path) {
  const std::size_t slash = path.find_last_of("/\\");
  const std::size_t dot = path.rfind('.');
  const bool has_suffix = dot != std::string::npos && (slash == std::string::npos || dot > slash);
  std::string out = path;
  out.insert(has_suffix ? dot : path.size(), "-sinistros");
  return out;
}

void RecordExtract::FieldFailed(const FieldFinding& f) {
  Tell(f.file, 0, f.record, f.key, f.field, f.check);
}

void RecordExtract::CompanyFailed(FindingFile file, std::uint32_t record, const RecordKey& key,
                                  std::string_view field, std::string_view, std::string_view) {
  Tell(file, 0, record, key, field, FindingCheck::kEmpresa);
}

void RecordExtract::ClaimWithoutPolicy(std::uint32_t record, const RecordKey& key, std::string_view,
                                       std::string_view) {
  Tell(FindingFile::kSinistros, 1, record, key, kClaimKey, FindingCheck::kSemApolice);
}

void RecordExtract::CoverageInverted(std::uint32_t record, const RecordKey& key, std::string_view,
                                     std::string_view) {
  Tell(FindingFile::kRiscos, 1, record, key, kCoverageStart, FindingCheck::kVigenciaInvertida);
}

void RecordExtract::Tell(FindingFile file, int pass_index, std::uint32_t record,
                         const RecordKey& key, std::string_view field, FindingCheck check) {
  if (finished_ || failed_ || key.table == nullptr) return;
  FileState& state = files_[file == FindingFile::kRiscos ? 0 : 1];
  Pass& pass = state.passes[static_cast<std::size_t>(pass_index)];
  if (!pass.has_current || pass.current.number != record) {
    if (pass.has_current) Store(pass);
    const tables::DbfTable& table = *key.table;
    if (state.names.empty()) {
      for (const auto& f : table.FieldList()) {
        state.names.push_back(f.name);
        state.spans.emplace_back(f.offset, f.length);
      }
    }
    pass.current.number = record;
    pass.current.bytes.assign(table.Record());
    pass.current.falhas.clear();
    pass.has_current = true;
  }
  std::string& falhas = pass.current.falhas;
  if (!falhas.empty()) falhas += ' ';
  falhas += field;
  falhas += ':';
  falhas += FindingCheckName(check);
}

void RecordExtract::Store(Pass& pass) {
  std::FILE* file = pass.file.get();
  const bool written = PutNumber(file, pass.current.number) && PutText(file, pass.current.bytes) &&
                       PutText(file, pass.current.falhas);
  if (!written) failed_ = true;
  pass.has_current = false;
}

bool RecordExtract::Load(std::FILE* file, Record* record) {
  return GetNumber(file, &record->number) && GetText(file, &record->bytes) &&
         GetText(file, &record->falhas);
}

bool RecordExtract::WriteFile(FindingFile which) {
  FileState& state = files_[which == FindingFile::kRiscos ? 0 : 1];
  for (Pass& pass : state.passes) {
    if (pass.has_current) Store(pass);
    if (std::fflush(pass.file.get()) != 0) failed_ = true;
    std::rewind(pass.file.get());
  }
  CsvWriter csv(*state.out);
  csv.Field("arquivo");
  csv.Field("registro");
  for (const std::string& name : state.names) csv.Field(name);
  csv.Field("falhas");
  csv.EndRow();
  std::vector<std::string_view> row;
  std::string number;
  std::string falhas;
  const auto write = [&](const Record& r, const std::string& more) {
    number = std::to_string(r.number);
    row.assign({FindingFileName(which), number});
    // The fields as stored; a field past the end of a short record reads as empty.
    const std::string_view bytes = r.bytes;
    for (const auto& [offset, length] : state.spans) {
      row.push_back(offset + length <= bytes.size() ? tables::DbfText(bytes.substr(offset, length))
                                                    : std::string_view());
    }
    falhas = r.falhas;
    if (!more.empty()) falhas += ' ' + more;
    row.push_back(falhas);
    csv.Row(row.data(), row.size());
  };
  // Both passes are in record order: a merge joins the rows of a record found by both.
  Record a;
  Record b;
  bool has_a = Load(state.passes[0].file.get(), &a);
  bool has_b = Load(state.passes[1].file.get(), &b);
  while (has_a || has_b) {
    if (has_a && (!has_b || a.number < b.number)) {
      write(a, {});
      has_a = Load(state.passes[0].file.get(), &a);
    } else if (has_b && (!has_a || b.number < a.number)) {
      write(b, {});
      has_b = Load(state.passes[1].file.get(), &b);
    } else {
      write(a, b.falhas);
      has_a = Load(state.passes[0].file.get(), &a);
      has_b = Load(state.passes[1].file.get(), &b);
    }
  }
  return csv.Finish();
}

bool RecordExtract::Finish() {
  if (finished_) return !failed_;
  finished_ = true;
  const bool risks = WriteFile(FindingFile::kRiscos);
  const bool claims = WriteFile(FindingFile::kSinistros);
  return risks && claims && !failed_;
}

}  // namespace engine
