#include "outputs/finding_list.h"

#include <algorithm>
#include <charconv>
#include <vector>

#include "engine/number_style.h"
#include "engine/text.h"
#include "outputs/finding_message.h"

namespace outputs {
namespace {

enum Column {
  kArquivo,
  kRegistro,
  kPosicao,
  kCampo,
  kVerificacao,
  kValor,
  kRelacionado,
  kEsperadoNome,
  kEsperadoTipo,
  kEsperadoTamanho,
  kEncontradoNome,
  kEncontradoTipo,
  kEncontradoTamanho,
  kApolice,
  kEndosso,
  kItem,
  kMensagem,
  kExigido,
};

constexpr std::array<std::string_view, kFindingColumns> kNames = {"arquivo",
                                                                  "registro",
                                                                  "posicao",
                                                                  "campo",
                                                                  "verificacao",
                                                                  "valor",
                                                                  "valor_relacionado",
                                                                  "esperado_nome",
                                                                  "esperado_tipo",
                                                                  "esperado_tamanho",
                                                                  "encontrado_nome",
                                                                  "encontrado_tipo",
                                                                  "encontrado_tamanho",
                                                                  "apolice",
                                                                  "endosso",
                                                                  "item",
                                                                  "mensagem",
                                                                  "exigido"};
constexpr std::string_view kClaimKey = "APOLICE+ITEM";
constexpr std::string_view kCoverageStart = "INICIO_VIG";

}  // namespace

const std::array<std::string_view, kFindingColumns>& FindingColumnNames() { return kNames; }

bool FindingColumnIsNumber(std::size_t column) {
  switch (column) {
    case kRegistro:
    case kPosicao:
    case kEsperadoNome + 1:
    case kEsperadoNome + 2:
    case kEncontradoNome + 1:
    case kEncontradoNome + 2:
      return true;
    default:
      return false;
  }
}

FindingList::FindingList(FindingRowWriter& writer, std::int64_t max_per_group)
    : writer_(writer), max_per_group_(max_per_group) {
  message_.reserve(256);
  required_.reserve(256);
}

FindingList::~FindingList() = default;

FindingList::Group& FindingList::GroupOf(engine::FindingFile file, std::string_view field,
                                         engine::FindingCheck check) {
  key_.clear();
  key_ += static_cast<char>('0' + static_cast<int>(file));
  key_ += static_cast<char>('0' + static_cast<int>(check));
  key_ += field;
  auto it = groups_.find(key_);
  if (it == groups_.end()) {
    Group group{file, std::string(field), check, 0, static_cast<std::int64_t>(groups_.size())};
    it = groups_.emplace(key_, std::move(group)).first;
  }
  return it->second;
}

bool FindingList::Count(Group& group) {
  ++total_;
  current_ = &group;
  const std::int64_t count = ++group.count;
  return max_per_group_ < 0 || count <= max_per_group_;
}

bool FindingList::Admit(engine::FindingFile file, std::string_view field,
                        engine::FindingCheck check) {
  if (finished_) return false;
  return Count(GroupOf(file, field, check));
}

bool FindingList::AdmitUncapped(std::int64_t rows) {
  if (finished_) return false;
  total_ += rows;
  return true;
}

bool FindingList::AdmitField(const engine::FieldFinding& f) {
  if (finished_) return false;
  return Count(FieldGroupOf(f.file, f.position, f.field, f.check));
}

FindingList::Group& FindingList::FieldGroupOf(engine::FindingFile file, int position,
                                              std::string_view field, engine::FindingCheck check) {
  constexpr int kCachedPositions = 4096;  // a file with more fields looks the rest up by name
  if (position < 1 || position > kCachedPositions) return GroupOf(file, field, check);
  auto& positions = by_position_[file == engine::FindingFile::kRiscos ? 0 : 1];
  const auto p = static_cast<std::size_t>(position);
  if (positions.size() <= p) positions.resize(p + 1);
  Group*& cached = positions[p][static_cast<std::size_t>(check)];
  // The name is compared too: the group is the field's, whatever its position.
  if (cached == nullptr || cached->field != field) cached = &GroupOf(file, field, check);
  return *cached;
}

bool FindingList::Marking() {
  if (!marking_known_) {
    marking_known_ = true;
    marker_ = source_ ? source_() : nullptr;
    if (marker_ != nullptr) writer_.MarkNew();
  }
  return marker_ != nullptr;
}

bool FindingList::IsNew(Group& group, std::uint64_t hash) {
  if (group.marks == nullptr) group.marks = &marker_->Of({group.file, group.field, group.check});
  return group.marks->IsNew(hash);
}

bool FindingList::IsNewField(engine::FindingFile file, int position, std::string_view field,
                             engine::FindingCheck check, std::uint64_t hash) {
  return IsNew(FieldGroupOf(file, position, field, check), hash);
}

void FindingList::Begin(engine::FindingFile file, std::optional<std::int64_t> record,
                        std::optional<std::int64_t> position, std::string_view field,
                        engine::FindingCheck check) {
  row_.fill(FindingCell{});
  message_.clear();
  required_.clear();
  row_[kArquivo].text = engine::FindingFileName(file);
  SetNumber(kRegistro, record);
  SetNumber(kPosicao, position);
  row_[kCampo].text = field;
  row_[kVerificacao].text = engine::FindingCheckName(check);
}

void FindingList::SetNumber(int column, std::optional<std::int64_t> value) {
  const auto c = static_cast<std::size_t>(column);
  row_[c].number = true;
  if (!value) return;
  char* begin = digits_[c].bytes;
  const auto result = std::to_chars(begin, begin + sizeof digits_[c].bytes, *value);
  row_[c].text = std::string_view(begin, static_cast<std::size_t>(result.ptr - begin));
}

void FindingList::SetKey(const engine::RecordKey& key) {
  row_[kApolice].text = key.apolice;
  row_[kEndosso].text = key.endosso;
  row_[kItem].text = key.item;
}

void FindingList::FieldFailed(const engine::FieldFinding& f) {
  if (!AdmitField(f)) return;
  Begin(f.file, f.record, f.position, f.field, f.check);
  row_[kValor].text = f.text;
  row_[kRelacionado].text = f.qualifier;
  const engine::RecordKey key = f.Key();
  SetKey(key);
  AppendFieldMessage(message_, f);
  AppendFieldRequirement(required_, f);
  Emit(f.file, key);
}

void FindingList::StructureFailed(const engine::StructureFinding& f) {
  const std::string_view field = f.expected ? f.expected->name : f.found->name;
  if (!Admit(f.file, field, engine::FindingCheck::kEstrutura)) return;
  Begin(f.file, std::nullopt, f.position, field, engine::FindingCheck::kEstrutura);
  int column = kEsperadoNome;
  for (const std::optional<engine::FieldShape>* shape : {&f.expected, &f.found}) {
    row_[static_cast<std::size_t>(column)].text = *shape ? (*shape)->name : std::string_view();
    // A negative number is a catalogue value like any other; only the absent one is empty.
    SetNumber(column + 1, *shape ? (*shape)->type : std::nullopt);
    SetNumber(column + 2, *shape ? (*shape)->size : std::nullopt);
    column += 3;
  }
  AppendStructureMessage(message_, f);
  Emit(f.file, {});
}

bool FindingList::RecordRow(engine::FindingFile file, std::uint32_t record, std::string_view field,
                            engine::FindingCheck check, const engine::RecordKey& key,
                            std::string_view valor, std::string_view relacionado) {
  if (!Admit(file, field, check)) return false;
  Begin(file, record, std::nullopt, field, check);
  row_[kValor].text = valor;
  row_[kRelacionado].text = relacionado;
  SetKey(key);
  return true;
}

void FindingList::Emit(engine::FindingFile file, const engine::RecordKey& key) {
  row_[kMensagem].text = message_;
  row_[kExigido].text = required_;
  if (Marking()) {
    writer_.RowMarked(file, row_, IsNew(*current_, history::IdentityHash(key)));
  } else {
    writer_.Row(file, row_);
  }
}

void FindingList::CompanyFailed(engine::FindingFile file, std::uint32_t record,
                                const engine::RecordKey& key, std::string_view field,
                                std::string_view text, std::string_view expected) {
  if (!RecordRow(file, record, field, engine::FindingCheck::kEmpresa, key, text, expected)) return;
  AppendCompanyMessage(message_, field, text, expected);
  Emit(file, key);
}

void FindingList::ClaimWithoutPolicy(std::uint32_t record, const engine::RecordKey& key,
                                     std::string_view apolice, std::string_view item) {
  const engine::FindingFile file = engine::FindingFile::kSinistros;
  if (!RecordRow(file, record, kClaimKey, engine::FindingCheck::kSemApolice, key, apolice, item))
    return;
  AppendClaimWithoutPolicyMessage(message_, apolice, item);
  Emit(file, key);
}

void FindingList::CoverageInverted(std::uint32_t record, const engine::RecordKey& key,
                                   std::string_view inicio_vig, std::string_view fim_vig) {
  const engine::FindingFile file = engine::FindingFile::kRiscos;
  if (!RecordRow(file, record, kCoverageStart, engine::FindingCheck::kVigenciaInvertida, key,
                 inicio_vig, fim_vig)) {
    return;
  }
  AppendCoverageInvertedMessage(message_, inicio_vig, fim_vig);
  Emit(file, key);
}

void FindingList::HeaderMismatch(const engine::HeaderFinding& f) {
  // Counts and byte counts fit in 63 bits: a file holds fewer than 2^63 bytes.
  if (f.CountDiffers() && Admit(f.file, {}, engine::FindingCheck::kCabecalho)) {
    Begin(f.file, std::nullopt, std::nullopt, {}, engine::FindingCheck::kCabecalho);
    SetNumber(kValor, f.header_records);
    SetNumber(kRelacionado, static_cast<std::int64_t>(f.file_records));
    AppendHeaderMessage(message_, f);
    Emit(f.file, {});
  }
  if (f.trailing_bytes > 0 && Admit(f.file, {}, engine::FindingCheck::kBytesFinais)) {
    Begin(f.file, std::nullopt, std::nullopt, {}, engine::FindingCheck::kBytesFinais);
    SetNumber(kValor, static_cast<std::int64_t>(f.trailing_bytes));
    AppendTrailingBytesMessage(message_, f);
    Emit(f.file, {});
  }
  if (f.HeaderShort() && Admit(f.file, {}, engine::FindingCheck::kCabecalhoCurto)) {
    Begin(f.file, std::nullopt, std::nullopt, {}, engine::FindingCheck::kCabecalhoCurto);
    SetNumber(kValor, f.header_length);
    SetNumber(kRelacionado, static_cast<std::int64_t>(f.descriptors_end));
    AppendShortHeaderMessage(message_, f);
    Emit(f.file, {});
  }
}

bool FindingList::Finish() {
  if (finished_) return writer_.Finish();
  finished_ = true;
  const bool marking = Marking();  // a list without rows still has the column
  if (max_per_group_ >= 0) {
    std::vector<const Group*> capped;
    for (const auto& [key, group] : groups_) {
      if (group.count > max_per_group_) capped.push_back(&group);
    }
    std::sort(capped.begin(), capped.end(),
              [](const Group* a, const Group* b) { return a->order < b->order; });
    for (const Group* g : capped) {
      Begin(g->file, std::nullopt, std::nullopt, g->field, g->check);
      message_ =
          engine::CountText(g->count - max_per_group_) +
          engine::Ansi(" falhas não listadas (limite de ") + engine::CountText(max_per_group_) +
          engine::Ansi(" por campo e verificação, total ") + engine::CountText(g->count) + ")";
      row_[kValor].text = message_;
      if (marking) {
        writer_.RowMarked(g->file, row_, false);
      } else {
        writer_.Row(g->file, row_);
      }
    }
  }
  return writer_.Finish();
}

}  // namespace outputs
