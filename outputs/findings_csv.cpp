#include "outputs/findings_csv.h"

#include <array>

namespace outputs {

FindingsCsv::Rows::Rows(std::ostream& out) : csv_(out) {
  for (const std::string_view name : FindingColumnNames()) csv_.Field(name);
  csv_.EndRow();
}

void FindingsCsv::Rows::Row(engine::FindingFile, const FindingRow& row) {
  csv_.Row(row.data(), row.size());
}

// A worker's rows: the same list and CSV rules, made in memory, one finding at a time.
class FindingsCsv::RowMaker : public engine::FieldFindingMaker {
 public:
  RowMaker() : list_(rows_) {}
  void Make(const engine::FieldFinding& finding, std::string& out) override {
    rows_.csv().clear();
    list_.FieldFailed(finding);
    out += rows_.csv().bytes();
  }

 private:
  Rows rows_;
  FindingList list_;
};

FindingsCsv::FindingsCsv(std::ostream& out, std::int64_t max_per_group)
    : max_per_group_(max_per_group), rows_(out), list_(rows_, max_per_group) {}

FindingsCsv::~FindingsCsv() = default;

std::unique_ptr<engine::FieldFindingMaker> FindingsCsv::NewMaker() {
  if (!MakesAhead()) return nullptr;
  return std::make_unique<RowMaker>();
}

void FindingsCsv::FieldFailed(const engine::FieldFinding& f) {
  // Bytes made by another sink's maker, or none made, leave the row to be made here.
  if (!MakesAhead() || f.made.empty()) {
    list_.FieldFailed(f);
  } else if (list_.AdmitField(f)) {
    rows_.Raw(f.made);
  }
}

}  // namespace outputs
