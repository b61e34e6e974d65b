#include "outputs/findings_csv.h"

#include <algorithm>
#include <array>
#include <string>
#include <vector>

#include "history/failure_identities.h"

namespace outputs {

namespace {

constexpr std::string_view kNova = "nova";
constexpr std::string_view kNew = "S";

}  // namespace

FindingsCsv::Rows::Rows(std::ostream& out) : csv_(out), header_pending_(true) {}

void FindingsCsv::Rows::WriteHeader() {
  header_pending_ = false;
  for (const std::string_view name : FindingColumnNames()) csv_.Field(name);
  if (marked_) csv_.Field(kNova);
  csv_.EndRow();
}

void FindingsCsv::Rows::Row(engine::FindingFile, const FindingRow& row) {
  Header();
  csv_.Row(row.data(), row.size());
}

void FindingsCsv::Rows::RowMarked(engine::FindingFile, const FindingRow& row, bool nova) {
  Header();
  std::copy(row.begin(), row.end(), marked_row_.begin());
  marked_row_.back() = {nova ? kNew : std::string_view()};
  csv_.Row(marked_row_.data(), marked_row_.size());
}

bool FindingsCsv::Rows::Finish() {
  Header();
  return csv_.Finish();
}

// A chunk's rows: the same list and CSV rules, made in memory, one finding at a time. Marked
// rows are made without their last column, which the merge adds in the list's order.
class FindingsCsv::Part : public engine::ChunkPart {
 public:
  Part(FindingsCsv& owner, bool marking) : owner_(owner), list_(rows_), marking_(marking) {}
  void Count(const engine::FieldFinding& finding) override {
    list_.FieldFailed(finding);
    ++rows_made_;
    if (!marking_) return;
    const auto position = static_cast<std::size_t>(finding.position < 0 ? 0 : finding.position);
    if (names_.size() <= position) names_.resize(position + 1);
    if (names_[position] != finding.field) names_[position] = finding.field;
    file_ = finding.file;
    marks_.push_back({history::IdentityHash(finding.Key()), rows_.csv().bytes().size(),
                      finding.position, finding.check});
  }
  void Merge() override {
    if (owner_.list_.AdmitUncapped(rows_made_)) {
      if (marking_) {
        MergeMarked();
      } else {
        owner_.rows_.Raw(rows_.csv().bytes());
      }
    }
    rows_.csv().clear();
    rows_made_ = 0;
    marks_.clear();
  }

 private:
  struct Mark {
    std::uint64_t hash;
    std::size_t end;  // where the row ends in the part's bytes, after its CR LF
    int position;
    engine::FindingCheck check;
  };

  // Each row without its CR LF, then the column nova and the row's end.
  void MergeMarked() {
    static constexpr std::string_view kNewEnd = ";S\r\n";
    static constexpr std::string_view kKeptEnd = ";\r\n";
    const std::string_view bytes = rows_.csv().bytes();
    std::size_t start = 0;
    for (const Mark& m : marks_) {
      const auto position = static_cast<std::size_t>(m.position < 0 ? 0 : m.position);
      const bool nova =
          owner_.list_.IsNewField(file_, m.position, names_[position], m.check, m.hash);
      owner_.rows_.Raw(bytes.substr(start, m.end - 2 - start));
      owner_.rows_.Raw(nova ? kNewEnd : kKeptEnd);
      start = m.end;
    }
  }

  FindingsCsv& owner_;
  Rows rows_;
  FindingList list_;
  std::int64_t rows_made_ = 0;
  bool marking_;
  engine::FindingFile file_ = engine::FindingFile::kRiscos;
  std::vector<std::string> names_;  // by field position
  std::vector<Mark> marks_;
};

FindingsCsv::FindingsCsv(std::ostream& out, std::int64_t max_per_group)
    : max_per_group_(max_per_group), rows_(out), list_(rows_, max_per_group) {}

FindingsCsv::~FindingsCsv() = default;

std::unique_ptr<engine::ChunkPart> FindingsCsv::NewChunkPart() {
  if (max_per_group_ != kUnlimited) return nullptr;
  return std::make_unique<Part>(*this, list_.Marking());
}

}  // namespace outputs
