#include "engine/findings_csv.h"

#include <algorithm>
#include <charconv>
#include <vector>

#include "engine/text.h"

namespace engine {
namespace {

constexpr std::string_view kHeader =
    "arquivo;registro;posicao;campo;verificacao;valor;valor_relacionado;esperado_nome;"
    "esperado_tipo;esperado_tamanho;encontrado_nome;encontrado_tipo;encontrado_tamanho";
constexpr int kColumns = 13;
constexpr std::size_t kFlushAt = 1 << 16;
constexpr std::int64_t kNone = -1;  // an empty number column
constexpr std::string_view kClaimKey = "APOLICE+ITEM";
constexpr std::string_view kCoverageStart = "INICIO_VIG";

bool NeedsQuotes(std::string_view text) {
  return text.find_first_of(";\"\r\n") != std::string_view::npos;
}

}  // namespace

FindingsCsv::FindingsCsv(std::ostream& out, std::int64_t max_per_group)
    : out_(out), max_per_group_(max_per_group) {
  buffer_.reserve(kFlushAt + 4096);
  buffer_ += kHeader;
  buffer_ += "\r\n";
}

FindingsCsv::~FindingsCsv() = default;

bool FindingsCsv::Admit(FindingFile file, std::string_view field, FindingCheck check) {
  if (finished_) return false;
  ++total_;
  key_.clear();
  key_ += static_cast<char>('0' + static_cast<int>(file));
  key_ += static_cast<char>('0' + static_cast<int>(check));
  key_ += field;
  auto it = groups_.find(key_);
  if (it == groups_.end()) {
    Group group{file, std::string(field), check, 0, static_cast<std::int64_t>(groups_.size())};
    it = groups_.emplace(key_, std::move(group)).first;
  }
  const std::int64_t count = ++it->second.count;
  return max_per_group_ < 0 || count <= max_per_group_;
}

void FindingsCsv::BeginRow(FindingFile file, std::int64_t record, std::int64_t position,
                           std::string_view field, FindingCheck check) {
  Field(FindingFileName(file));
  Number(record);
  Number(position);
  Field(field);
  Field(FindingCheckName(check));
}

void FindingsCsv::Field(std::string_view text) {
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
  buffer_ += ';';
  ++columns_;
}

void FindingsCsv::Number(std::int64_t value) {
  if (value != kNone) {
    char digits[24];
    const auto result = std::to_chars(digits, digits + sizeof digits, value);
    buffer_.append(digits, result.ptr);
  }
  buffer_ += ';';
  ++columns_;
}

void FindingsCsv::Optional(const std::optional<std::int64_t>& value) {
  if (value) {
    // A negative number is a catalogue value like any other; only the absent one is empty.
    char digits[24];
    const auto result = std::to_chars(digits, digits + sizeof digits, *value);
    buffer_.append(digits, result.ptr);
  }
  buffer_ += ';';
  ++columns_;
}

// Every row has all the columns: the empty ones are filled in, the last separator dropped.
void FindingsCsv::EndRow() {
  for (; columns_ < kColumns; ++columns_) buffer_ += ';';
  columns_ = 0;
  buffer_.back() = '\r';
  buffer_ += '\n';
  if (buffer_.size() >= kFlushAt) Flush();
}

void FindingsCsv::Flush() {
  if (!failed_ && !buffer_.empty()) {
    out_.write(buffer_.data(), static_cast<std::streamsize>(buffer_.size()));
    if (!out_) failed_ = true;
  }
  buffer_.clear();
}

void FindingsCsv::FieldFailed(const FieldFinding& f) {
  if (!Admit(f.file, f.field, f.check)) return;
  BeginRow(f.file, f.record, f.position, f.field, f.check);
  Field(f.text);
  Field(f.qualifier);
  EndRow();
}

void FindingsCsv::StructureFailed(const StructureFinding& f) {
  const std::string_view field = f.expected ? f.expected->name : f.found->name;
  if (!Admit(f.file, field, FindingCheck::kEstrutura)) return;
  Field(FindingFileName(f.file));
  Field({});
  Optional(f.position);
  Field(field);
  Field(FindingCheckName(FindingCheck::kEstrutura));
  Field({});
  Field({});
  for (const std::optional<FieldShape>* shape : {&f.expected, &f.found}) {
    Field(*shape ? (*shape)->name : std::string_view());
    Optional(*shape ? (*shape)->type : std::nullopt);
    Optional(*shape ? (*shape)->size : std::nullopt);
  }
  EndRow();
}

void FindingsCsv::CompanyFailed(FindingFile file, std::uint32_t record, std::string_view field,
                                std::string_view text, std::string_view expected) {
  if (!Admit(file, field, FindingCheck::kEmpresa)) return;
  BeginRow(file, record, kNone, field, FindingCheck::kEmpresa);
  Field(text);
  Field(expected);
  EndRow();
}

void FindingsCsv::ClaimWithoutPolicy(std::uint32_t record, std::string_view apolice,
                                     std::string_view item) {
  if (!Admit(FindingFile::kSinistros, kClaimKey, FindingCheck::kSemApolice)) return;
  BeginRow(FindingFile::kSinistros, record, kNone, kClaimKey, FindingCheck::kSemApolice);
  Field(apolice);
  Field(item);
  EndRow();
}

void FindingsCsv::CoverageInverted(std::uint32_t record, std::string_view inicio_vig,
                                   std::string_view fim_vig) {
  if (!Admit(FindingFile::kRiscos, kCoverageStart, FindingCheck::kVigenciaInvertida)) return;
  BeginRow(FindingFile::kRiscos, record, kNone, kCoverageStart, FindingCheck::kVigenciaInvertida);
  Field(inicio_vig);
  Field(fim_vig);
  EndRow();
}

bool FindingsCsv::Finish() {
  if (finished_) return !failed_;
  finished_ = true;
  if (max_per_group_ >= 0) {
    std::vector<const Group*> capped;
    for (const auto& [key, group] : groups_) {
      if (group.count > max_per_group_) capped.push_back(&group);
    }
    std::sort(capped.begin(), capped.end(),
              [](const Group* a, const Group* b) { return a->order < b->order; });
    for (const Group* g : capped) {
      BeginRow(g->file, kNone, kNone, g->field, g->check);
      Field(std::to_string(g->count - max_per_group_) + Ansi(" falhas não listadas (limite de ") +
            std::to_string(max_per_group_) + Ansi(" por campo e verificação, total ") +
            std::to_string(g->count) + ")");
      EndRow();
    }
  }
  Flush();
  out_.flush();
  if (!out_) failed_ = true;
  return !failed_;
}

}  // namespace engine
