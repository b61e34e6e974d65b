#pragma once
// Row-level findings of a run: every failure that the report only counts, told one by one to a
// FindingSink when one is attached to the run (ValidationRun::SetFindingSink). Without a sink the
// phases do no extra work beyond a pointer test at each failure.
//
// Texts are Windows-1252 bytes as the engine holds them; views are valid only during the call.
// A sink may throw (a full disk): the exception ends the run like any other error of the run.

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace tables {
class DbfTable;
}  // namespace tables

namespace engine {

// The input file a finding belongs to.
enum class FindingFile { kRiscos, kSinistros };

// What failed. The four field checks add to the rule counters (nulo to erroNulo, the other three
// to erroDom); the others are the report's error lines and cross-file counts.
enum class FindingCheck {
  kNulo,
  kTamanho,
  kData,
  kDominio,
  kEstrutura,
  kEmpresa,
  kSemApolice,
  kVigenciaInvertida,
  kCabecalho,
  kBytesFinais,
  kCabecalhoCurto,
};
inline constexpr int kFindingCheckCount = 11;
// The field checks come first, in the order above: the outputs keep arrays of kFieldCheckCount
// per field indexed by the check's number, and arrays of kFindingCheckCount per field position.
inline constexpr int kFieldCheckCount = 4;
static_assert(static_cast<int>(FindingCheck::kNulo) == 0 &&
                  static_cast<int>(FindingCheck::kTamanho) == 1 &&
                  static_cast<int>(FindingCheck::kData) == 2 &&
                  static_cast<int>(FindingCheck::kDominio) == 3 &&
                  static_cast<int>(FindingCheck::kEstrutura) == kFieldCheckCount,
              "nulo, tamanho, data and dominio are the checks numbered 0 to kFieldCheckCount - 1");
static_assert(static_cast<int>(FindingCheck::kCabecalhoCurto) + 1 == kFindingCheckCount,
              "kFindingCheckCount counts every check");

// Nulo, tamanho, data or dominio: a check of one field's value.
constexpr bool IsFieldCheck(FindingCheck check) {
  return static_cast<int>(check) >= 0 && static_cast<int>(check) < kFieldCheckCount;
}

// Table number 1 is the risks file, every other number the claims file.
inline FindingFile FindingFileOf(int numTabela) {
  return numTabela == 1 ? FindingFile::kRiscos : FindingFile::kSinistros;
}

// "riscos", "sinistros".
std::string_view FindingFileName(FindingFile file);
// "nulo", "tamanho", "data", "dominio", "estrutura", "empresa", "sem_apolice",
// "vigencia_invertida", "cabecalho", "bytes_finais", "cabecalho_curto".
std::string_view FindingCheckName(FindingCheck check);

// The record's APOLICE, ENDOSSO and ITEM as stored (empty where the file has no such field), so
// that the record can be found in the system that produced the file.
struct RecordKey {
  std::string_view apolice;
  std::string_view endosso;
  std::string_view item;
  // The table positioned on the record, for a sink that wants all its fields; null: none.
  const tables::DbfTable* table = nullptr;
};

// What a sink may ask of a field finding beyond its own fields, worked out only when asked:
// most findings need neither (the HTML page keeps the key of 20 records per field and check, and
// no allowed values at all). Answers are valid only during the sink's call.
class FieldFindingDetails {
 public:
  // The record's APOLICE, ENDOSSO and ITEM.
  virtual RecordKey Key() const = 0;
  // Domain check: the values allowed for the finding's qualifier, ", " between them, cut after
  // 20 by "…"; empty for the other checks.
  virtual std::string_view Allowed() const = 0;

 protected:
  ~FieldFindingDetails() = default;
};

// Details known up front, for a finding made by hand rather than by the walk.
struct KnownFindingDetails final : FieldFindingDetails {
  RecordKey key;
  std::string_view allowed;
  KnownFindingDetails(RecordKey k, std::string_view a = {}) : key(k), allowed(a) {}
  RecordKey Key() const override { return key; }
  std::string_view Allowed() const override { return allowed; }
};

// One failed field check of one record.
struct FieldFinding {
  FindingFile file = FindingFile::kRiscos;
  std::uint32_t record = 0;  // physical record number, from 1, deleted records counted
  int position = 0;          // field position, from 1
  std::string_view field;    // the field's name as the reader reports it
  FindingCheck check = FindingCheck::kNulo;
  std::string_view text;       // the field's stored text (up to a NUL byte)
  std::string_view qualifier;  // domain check: the qualifying field's value used in the key
  std::string_view depende;    // domain check: the qualifying field's name; empty: none
  // The open table of the finding's file (its name, identity and layout; it need not stand on
  // the record); null: none.
  const tables::DbfTable* table = nullptr;
  std::optional<std::int64_t> width;             // width check: the width the catalogue requires
  int latest_year = 0;                           // date check: the last year a date may have
  const FieldFindingDetails* details = nullptr;  // null: the key and allowed values are empty
  RecordKey Key() const { return details != nullptr ? details->Key() : RecordKey{}; }
  std::string_view Allowed() const { return details != nullptr ? details->Allowed() : ""; }
};

// A field layout as the catalogue expects it or as the file has it.
struct FieldShape {
  std::string_view name;
  std::optional<std::int64_t> type;  // type code; nullopt when the catalogue leaves it empty
  std::optional<std::int64_t> size;
};

// One position of a failed structure check: a catalogue row whose field is not at its position
// (found empty when the file has no such position) or a field of the file that no catalogue row
// describes (expected empty).
struct StructureFinding {
  FindingFile file = FindingFile::kRiscos;
  std::optional<std::int64_t> position;  // nullopt: the catalogue row has no position
  std::optional<FieldShape> expected;
  std::optional<FieldShape> found;
};

// An input file whose header disagrees with its bytes: it announces another number of records
// than the file holds, stray bytes follow the last whole record, or the header length points
// inside the field descriptors. Most likely cut short in transfer or damaged. The run still
// reads it by the file's length, from the header length on. Only the count is a reason to reject
// the file: with the others every announced record is there.
struct HeaderFinding {
  FindingFile file = FindingFile::kRiscos;
  std::uint32_t header_records = 0;
  std::uint64_t file_records = 0;
  std::uint64_t trailing_bytes = 0;  // after the last whole record, one 0x1A right after it aside
  std::uint32_t header_length = 0;
  std::uint64_t descriptors_end = 0;  // the header bytes the field descriptors need
  bool CountDiffers() const { return header_records != file_records; }
  bool HeaderShort() const { return header_length < descriptors_end; }
};

// A sink's share of the field checks' work, done where the findings are made. A walk of a file
// asks its sink for a part per chunk of records it checks (NewChunkPart). For each field finding
// of the chunk, in the chunk's order, the part is told it on the thread that checks the chunk (a
// worker, beside the other chunks' parts; or the walk's own): it may use only its own state and
// what its sink shares for reading, and the finding's views are valid only during the call, as
// everywhere else. Then, on the walk's thread, chunk after chunk in file order, the part is merged
// into its sink: after the chunk's findings and before the row of a company mismatch that stops
// the walk there. A merged part is ready to count another chunk.
//
// A walk whose sink offers parts tells that sink no field finding with FieldFailed, unless the
// part says the sink still hears each one (a tee some of whose members offer none).
class ChunkPart {
 public:
  virtual ~ChunkPart() = default;
  virtual void Count(const FieldFinding& finding) = 0;
  virtual void Merge() = 0;
  virtual bool SinkHearsEach() const { return false; }
};

class FindingSink {
 public:
  virtual ~FindingSink() = default;

  // The one worker-side hook: a part for one chunk of a walk (see ChunkPart), or null (the
  // default): the sink is told every field finding with FieldFailed. Asked on the walk's thread;
  // a sink answers alike every time.
  virtual std::unique_ptr<ChunkPart> NewChunkPart() { return nullptr; }

  virtual void FieldFailed(const FieldFinding& finding) = 0;
  virtual void StructureFailed(const StructureFinding& finding) = 0;
  // The record whose company code differs from the run's, which stopped the file's walk.
  virtual void CompanyFailed(FindingFile file, std::uint32_t record, const RecordKey& key,
                             std::string_view field, std::string_view text,
                             std::string_view expected) = 0;
  // A claim whose APOLICE+ITEM key the risks file lacks (`apolice`, `item`: the key's texts).
  virtual void ClaimWithoutPolicy(std::uint32_t record, const RecordKey& key,
                                  std::string_view apolice, std::string_view item) = 0;
  // A risk whose coverage ends before it starts.
  virtual void CoverageInverted(std::uint32_t record, const RecordKey& key,
                                std::string_view inicio_vig, std::string_view fim_vig) = 0;
  // An input file's header disagrees with its bytes; told once per file per run. A sink with
  // no use for it (no record is concerned) leaves it out.
  virtual void HeaderMismatch(const HeaderFinding&) {}
};

}  // namespace engine
