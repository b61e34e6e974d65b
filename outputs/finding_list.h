#pragma once
// The failure list as rows of columns, whatever file format they go to: one row per finding,
// capped per (file, field, check) group, and at the end one note row per capped group. The rows
// go to a FindingRowWriter (CSV, workbook) as they are found; memory grows only with the number
// of groups.
//
// Columns: arquivo (riscos, sinistros); registro (physical record number, deleted records
// counted); posicao (field position); campo; verificacao; valor (the field's stored text);
// valor_relacionado (domain: the qualifying value; empresa: the run's company code;
// sem_apolice: ITEM beside APOLICE in valor; vigencia_invertida: FIM_VIG beside INICIO_VIG);
// for estrutura the expected and the found name, type code and size; then apolice, endosso and
// item of the record (stored texts, empty where the file lacks the field); mensagem (one
// sentence naming field, value and rule); exigido (domain: the allowed values; tamanho: the
// width; data: "AAAAMMDD, data existente"; empty otherwise).
//
// Beside an earlier run of the company (the history's, history/run_comparison.h) a last column
// nova follows: "S" for a failure the earlier run did not have, empty otherwise (and in the
// rows that tell what a cap left out). The list learns whether there is one when it writes its
// first row (or ends without any): without one its rows are as they always were.

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "engine/findings.h"
#include "history/run_comparison.h"
#include "outputs/xlsx_workbook.h"  // SheetCell

namespace outputs {

inline constexpr int kFindingColumns = 18;

// The header row's names, in column order.
const std::array<std::string_view, kFindingColumns>& FindingColumnNames();
// Whether the column holds numbers (record, position, the catalogue's type codes and sizes).
bool FindingColumnIsNumber(std::size_t column);

// One cell: a text, or a number written as its decimal digits (empty: no value).
using FindingCell = SheetCell;
using FindingRow = std::array<FindingCell, kFindingColumns>;

class FindingRowWriter {
 public:
  virtual ~FindingRowWriter() = default;
  // A row of `file`'s findings; the views are valid only during the call. May throw.
  virtual void Row(engine::FindingFile file, const FindingRow& row) = 0;
  // From now on every row comes through RowMarked(), and the writer adds the column nova. Told
  // at most once, before the first row.
  virtual void MarkNew() = 0;
  // A row and whether its failure is new against the earlier run.
  virtual void RowMarked(engine::FindingFile file, const FindingRow& row, bool nova) = 0;
  // After the last row. False when a write failed at any point.
  virtual bool Finish() = 0;
  // Why Finish() failed, where the writer knows more than its file's own error (a workbook:
  // the library's words); empty otherwise.
  virtual std::string ErrorText() const { return {}; }
};

// The earlier run's failures a list marks its rows against, asked once, at the list's first row
// or end (on the walk's thread): null for none.
using NewFailureSource = std::function<history::NewFailureMarker*()>;

class FindingList : public engine::FindingSink {
 public:
  static constexpr std::int64_t kUnlimited = -1;

  // `writer` must outlive the list. `max_per_group`: rows per (file, field, check), kUnlimited
  // for all.
  explicit FindingList(FindingRowWriter& writer, std::int64_t max_per_group = kUnlimited);
  ~FindingList() override;
  FindingList(const FindingList&) = delete;
  FindingList& operator=(const FindingList&) = delete;

  void FieldFailed(const engine::FieldFinding& finding) override;
  void StructureFailed(const engine::StructureFinding& finding) override;
  void CompanyFailed(engine::FindingFile file, std::uint32_t record, const engine::RecordKey& key,
                     std::string_view field, std::string_view text,
                     std::string_view expected) override;
  void ClaimWithoutPolicy(std::uint32_t record, const engine::RecordKey& key,
                          std::string_view apolice, std::string_view item) override;
  void CoverageInverted(std::uint32_t record, const engine::RecordKey& key,
                        std::string_view inicio_vig, std::string_view fim_vig) override;
  void HeaderMismatch(const engine::HeaderFinding& finding) override;

  // Ends the list: one last row per capped group telling how many of its rows were left out
  // (in the order the groups first failed), then the writer's Finish(). Further findings are
  // ignored.
  bool Finish();

  // Findings told so far (listed or not).
  std::int64_t total() const { return total_; }

  // Before the first finding: where the list learns the earlier run to mark its rows against.
  void MarkNewAgainst(NewFailureSource source) { source_ = std::move(source); }
  // Whether the rows are marked new or kept (asks the source the first time).
  bool Marking();
  // For a row of a field finding that a chunk part made (uncapped lists): whether it is new,
  // asked in the list's order. Only while Marking().
  bool IsNewField(engine::FindingFile file, int position, std::string_view field,
                  engine::FindingCheck check, std::uint64_t hash);

  // Counts `rows` field findings whose rows another list without a cap made (a walk's chunk part),
  // for the caller to write; false when this list is finished. Only for a list without a cap, as
  // their groups are not counted.
  bool AdmitUncapped(std::int64_t rows);

 private:
  struct Group {
    engine::FindingFile file;
    std::string field;
    engine::FindingCheck check;
    std::int64_t count = 0;
    std::int64_t order = 0;
    history::NewFailureMarker::Group* marks = nullptr;  // looked up at its first marked row
  };
  // Decimal digits of one number cell.
  struct Digits {
    char bytes[24];
  };

  // Counts the finding in its group; false when the group is past the cap.
  bool AdmitField(const engine::FieldFinding& f);
  // The group of a field finding, through the cache by position.
  Group& FieldGroupOf(engine::FindingFile file, int position, std::string_view field,
                      engine::FindingCheck check);
  bool Admit(engine::FindingFile file, std::string_view field, engine::FindingCheck check);
  Group& GroupOf(engine::FindingFile file, std::string_view field, engine::FindingCheck check);
  bool Count(Group& group);
  // Clears the row and fills its first five columns.
  void Begin(engine::FindingFile file, std::optional<std::int64_t> record,
             std::optional<std::int64_t> position, std::string_view field,
             engine::FindingCheck check);
  void SetNumber(int column, std::optional<std::int64_t> value);
  // Begins the row of a finding about one record, with its value, related value and key; false
  // when its group is past the cap.
  bool RecordRow(engine::FindingFile file, std::uint32_t record, std::string_view field,
                 engine::FindingCheck check, const engine::RecordKey& key, std::string_view valor,
                 std::string_view relacionado);
  // Ends the row with the sentence and the requirement built so far and writes it, marked by the
  // identity of `key` when marking.
  void Emit(engine::FindingFile file, const engine::RecordKey& key);
  bool IsNew(Group& group, std::uint64_t hash);
  void SetKey(const engine::RecordKey& key);

  FindingRowWriter& writer_;
  std::int64_t max_per_group_;
  std::string key_;                                // reused for the group lookups
  std::unordered_map<std::string, Group> groups_;  // nodes stay put: the cache points at them
  // Per file, the group of each (position, check) seen; null: not yet looked up.
  std::array<std::vector<std::array<Group*, engine::kFindingCheckCount>>, 2> by_position_;
  FindingRow row_;
  std::array<Digits, kFindingColumns> digits_;
  std::string message_;
  std::string required_;
  std::int64_t total_ = 0;
  bool finished_ = false;
  Group* current_ = nullptr;  // the group of the row being made
  NewFailureSource source_;
  history::NewFailureMarker* marker_ = nullptr;
  bool marking_known_ = false;
};

// A failure list in one file format (CSV, workbook): the sink that the run tells, passing every
// finding to its FindingList.
class FindingListOutput : public engine::FindingSink {
 public:
  void FieldFailed(const engine::FieldFinding& f) override { list().FieldFailed(f); }
  void StructureFailed(const engine::StructureFinding& f) override { list().StructureFailed(f); }
  void CompanyFailed(engine::FindingFile file, std::uint32_t record, const engine::RecordKey& key,
                     std::string_view field, std::string_view text,
                     std::string_view expected) override {
    list().CompanyFailed(file, record, key, field, text, expected);
  }
  void ClaimWithoutPolicy(std::uint32_t record, const engine::RecordKey& key,
                          std::string_view apolice, std::string_view item) override {
    list().ClaimWithoutPolicy(record, key, apolice, item);
  }
  void CoverageInverted(std::uint32_t record, const engine::RecordKey& key,
                        std::string_view inicio_vig, std::string_view fim_vig) override {
    list().CoverageInverted(record, key, inicio_vig, fim_vig);
  }
  void HeaderMismatch(const engine::HeaderFinding& f) override { list().HeaderMismatch(f); }

  // Ends the list (the cap notes last) and completes the file. False when a write failed at any
  // point, so a failed save is never reported as done.
  bool Finish() { return list().Finish(); }
  // Findings told so far (listed or not).
  std::int64_t total() { return list().total(); }
  // Before the run: the list marks its rows new or kept against what `source` gives.
  void MarkNewAgainst(NewFailureSource source) { list().MarkNewAgainst(std::move(source)); }

 protected:
  virtual FindingList& list() = 0;
};

}  // namespace outputs
