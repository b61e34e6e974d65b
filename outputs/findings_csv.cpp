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

// A chunk's rows: the same list and CSV rules, made in memory, one finding at a time.
class FindingsCsv::Part : public engine::ChunkPart {
 public:
  explicit Part(FindingsCsv& owner) : owner_(owner), list_(rows_) {}
  void Count(const engine::FieldFinding& finding) override {
    list_.FieldFailed(finding);
    ++rows_made_;
  }
  void Merge() override {
    if (owner_.list_.AdmitUncapped(rows_made_)) owner_.rows_.Raw(rows_.csv().bytes());
    rows_.csv().clear();
    rows_made_ = 0;
  }

 private:
  FindingsCsv& owner_;
  Rows rows_;
  FindingList list_;
  std::int64_t rows_made_ = 0;
};

FindingsCsv::FindingsCsv(std::ostream& out, std::int64_t max_per_group)
    : max_per_group_(max_per_group), rows_(out), list_(rows_, max_per_group) {}

FindingsCsv::~FindingsCsv() = default;

std::unique_ptr<engine::ChunkPart> FindingsCsv::NewChunkPart() {
  if (max_per_group_ != kUnlimited) return nullptr;
  return std::make_unique<Part>(*this);
}

}  // namespace outputs
