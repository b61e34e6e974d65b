#include "engine/structure_check.h"

#include <exception>
#include <string>
#include <string_view>
#include <vector>

#include "engine/field_checks_words.h"
#include "engine/record_key.h"
#include "engine/rule_set.h"
#include "engine/text.h"
#include "tables/dbf_values.h"
#include "tables/table_error.h"

namespace engine {
namespace {

using tables::FieldValue;

constexpr std::string_view kStructureError = "Erro: estrutura incorreta na tabela ";
constexpr std::string_view kCompanyError =
    "Erro: mais de uma empresa encontrada no arquivo da tabela ";
constexpr std::string_view kCompanyField = "cod_seg";

bool IsTable(const FieldValue& tabela, int numTabela) {
  return !tabela.IsNull() && tabela.AsInt64() == numTabela;
}

// A rule's number compared with what the reader reports; an empty rule value equals no number.
bool SameNumber(const FieldValue& rule, long long reported) {
  return !rule.IsNull() && rule.AsInt64() == reported;
}

// Counts the rule rows of numTabela that find their field (same name, type code and size) at
// their position. Throws when a rule's position cannot be taken (empty ORDEM, outside the file).
// A table number without rule rows counts nothing and reports that through `rows`.
int CountMatchingFields(RunContext& ctx, int* rows) {
  tables::MemTable& rules = ctx.tables.zelEstrutTab;
  const tables::DbfTable& file = ctx.tables.tbDados;
  const char sep = ctx.regional.decimal_separator;
  int count = 0;
  *rows = 0;
  rules.First();
  while (!rules.Eof() && !IsTable(rules.GetFieldValue("tabela"), ctx.state.numTabela)) {
    rules.Next();
  }
  for (; !rules.Eof() && IsTable(rules.GetFieldValue("tabela"), ctx.state.numTabela);
       rules.Next()) {
    ++*rows;
    const std::string campo = rules.GetFieldValue("campo").AsString(sep);
    const std::int64_t position = rules.GetFieldValue("ordem").AsInt64() - 1;
    if (position < 0 || position >= file.FieldCount()) {
      tables::ThrowListIndexOutOfBounds(position);
    }
    const tables::DbfField& field = file.Fields(static_cast<int>(position));
    if (Trimmed(campo) != Trimmed(field.name)) continue;
    if (!SameNumber(rules.GetFieldValue("tipo"), static_cast<int>(field.type))) continue;
    if (!SameNumber(rules.GetFieldValue("tamanho"), field.size)) continue;
    ++count;
  }
  return count;
}

// A shape as the reader reports it.
FieldShape ShapeOf(const tables::DbfField& field) {
  return {field.name, static_cast<std::int64_t>(field.type), static_cast<std::int64_t>(field.size)};
}

}  // namespace

void DescribeStructure(RunContext& ctx, FindingSink& sink) {
  tables::MemTable& rules = ctx.tables.zelEstrutTab;
  const tables::DbfTable& file = ctx.tables.tbDados;
  const char sep = ctx.regional.decimal_separator;
  const FindingFile kind = FindingFileOf(ctx.state.numTabela);
  std::vector<bool> described(static_cast<std::size_t>(file.FieldCount()), false);
  try {
    for (rules.First(); !rules.Eof(); rules.Next()) {
      if (IsTable(rules.GetFieldValue("tabela"), ctx.state.numTabela) == false) continue;
      const FieldValue campo = rules.GetFieldValue("campo");
      const std::string name = campo.IsNull() ? std::string() : campo.AsString(sep);
      StructureFinding finding;
      finding.file = kind;
      finding.position = IntegerOf(rules.GetFieldValue("ordem"));
      finding.expected = FieldShape{Trimmed(name), IntegerOf(rules.GetFieldValue("tipo")),
                                    IntegerOf(rules.GetFieldValue("tamanho"))};
      const bool inside =
          finding.position && *finding.position >= 1 && *finding.position <= file.FieldCount();
      if (inside) {
        const auto index = static_cast<std::size_t>(*finding.position - 1);
        const tables::DbfField& field = file.Fields(static_cast<int>(index));
        described[index] = true;
        finding.found = ShapeOf(field);
        if (finding.expected->name == Trimmed(field.name) &&
            finding.expected->type == finding.found->type &&
            finding.expected->size == finding.found->size) {
          continue;
        }
      }
      sink.StructureFailed(finding);
    }
  } catch (const std::exception&) {
    // A catalogue row that cannot be read describes nothing more; the error line stands.
  }
  for (std::size_t i = 0; i < described.size(); ++i) {
    if (described[i]) continue;
    StructureFinding finding;
    finding.file = kind;
    finding.position = static_cast<std::int64_t>(i) + 1;
    finding.found = ShapeOf(file.Fields(static_cast<int>(i)));
    sink.StructureFailed(finding);
  }
}

void CaptureCompany(RunContext& ctx) {
  if (!ctx.state.codEmpresa.empty()) return;
  const tables::DbfTable& file = ctx.tables.tbDados;
  try {
    // A file without records has no value to take; the next file opened sets the code.
    if (file.Eof()) return;
    ctx.state.codEmpresa =
        file.GetFieldValue(kCompanyField).AsString(ctx.regional.decimal_separator);
  } catch (const std::exception&) {
    ctx.state.codEmpresa.clear();
  }
}

bool CheckStructure(RunContext& ctx) {
  bool pass = false;
  try {
    int rows = 0;
    const int count = CountMatchingFields(ctx, &rows);
    // A table number without rule rows (its catalogue rows were filed under an earlier run of
    // the same name) describes no layout, so no file can match it.
    pass = rows > 0 && count == ctx.tables.tbDados.FieldCount();
  } catch (const std::exception&) {
    pass = false;
  }
  if (!pass) {
    std::string line(kStructureError);
    line += ctx.state.nomeTabela;
    ctx.host.AppendLine(line);
    if (ctx.findings != nullptr) DescribeStructure(ctx, *ctx.findings);
  }
  return pass;
}

CompanyCheck::CompanyCheck(RunContext& ctx) : ctx_(ctx) {}

bool CompanyCheck::Check() {
  if (Matches()) return true;
  ReportMismatch();
  return false;
}

int CompanyCheck::Field() {
  if (field_ < 0) {
    const tables::DbfTable& file = ctx_.tables.tbDados;
    const int field = file.FieldIndex(kCompanyField);
    if (field < 0) tables::ThrowFieldNotFound(file.owner(), kCompanyField);
    PlanWord(file.Fields(field));
    field_ = field;
  }
  return field_;
}

// The stored bytes equal the code exactly when their text does, as long as the code holds no NUL
// byte and is as long as the field: a NUL in the bytes would make the text shorter than the code.
void CompanyCheck::PlanWord(const tables::DbfField& field) {
  const std::string& code = ctx_.state.codEmpresa;
  const std::size_t n = code.size();
  if (!words::kUsable || field.type != tables::FieldType::kString || field.length != n || n == 0 ||
      n > 8 || code.find('\0') != std::string::npos) {
    return;
  }
  // The word that ends where the field ends, or the record's first eight bytes.
  word_at_ = field.offset + n >= 8 ? field.offset + n - 8 : 0;
  const std::size_t shift = field.offset - word_at_;
  word_mask_ = words::LowBytes(n) << (8 * shift);
  std::memcpy(reinterpret_cast<char*>(&word_) + shift, code.data(), n);
}

bool CompanyCheck::Matches() {
  const tables::DbfTable& file = ctx_.tables.tbDados;
  const int field = Field();
  if (word_mask_ != 0 && !file.Eof() && file.Record().size() >= word_at_ + 8) {
    return SameWord(file.Record().data());
  }
  return Same(file.Fields(field), file.RawField(field));
}

bool CompanyCheck::MatchesRecord(std::string_view record) {
  const int index = Field();
  if (word_mask_ != 0 && record.size() >= word_at_ + 8) return SameWord(record.data());
  const tables::DbfField& field = ctx_.tables.tbDados.Fields(index);
  return Same(field, record.substr(field.offset, field.length));
}

bool CompanyCheck::Same(const tables::DbfField& field, std::string_view bytes) const {
  if (field.type == tables::FieldType::kString) {
    // Once per record: the stored bytes against the code, without building a value.
    return tables::DbfText(bytes) == ctx_.state.codEmpresa;
  }
  // Null equals no text; a number compares with the code converted to a number.
  return tables::ValuesEqual(tables::DecodeField(field, bytes),
                             FieldValue::Text(ctx_.state.codEmpresa));
}

void CompanyCheck::ReportMismatch() {
  const tables::DbfTable& file = ctx_.tables.tbDados;
  Field();  // resolved by a worker's check when the walk was split
  std::string line(kCompanyError);
  line += ctx_.state.nomeTabela;
  ctx_.host.AppendLine(line);
  if (ctx_.findings != nullptr) {
    ctx_.findings->CompanyFailed(FindingFileOf(ctx_.state.numTabela), file.RecNo(),
                                 RecordKeyColumns(file).Read(file), file.Fields(field_).name,
                                 tables::DbfText(file.RawField(field_)), ctx_.state.codEmpresa);
  }
}

}  // namespace engine
