#pragma once
// The failure list (outputs/finding_list.h) as CSV (outputs/csv_writer.h), with a header row.

#include <cstdint>
#include <memory>
#include <ostream>
#include <string>
#include <string_view>

#include "outputs/csv_writer.h"
#include "outputs/finding_list.h"

namespace outputs {

class FindingsCsv : public FindingListOutput {
 public:
  static constexpr std::int64_t kUnlimited = FindingList::kUnlimited;

  // Writes the header row at once. `max_per_group`: rows per (file, field, check), kUnlimited
  // for all. `out` must outlive the writer and be opened in binary mode.
  explicit FindingsCsv(std::ostream& out, std::int64_t max_per_group = kUnlimited);
  ~FindingsCsv() override;
  FindingsCsv(const FindingsCsv&) = delete;
  FindingsCsv& operator=(const FindingsCsv&) = delete;

  // Without a cap, each worker of a walk makes the rows of the failures it finds, and the
  // walk's thread only puts them in place; with one, the few rows admitted are made there.
  std::unique_ptr<engine::FieldFindingMaker> NewMaker() override;
  void FieldFailed(const engine::FieldFinding& f) override;

 protected:
  FindingList& list() override { return list_; }

 private:
  class Rows : public FindingRowWriter {
   public:
    explicit Rows(std::ostream& out);  // with the header row
    Rows() = default;                  // in memory, without it: a worker's rows made ahead
    void Row(engine::FindingFile file, const FindingRow& row) override;
    bool Finish() override { return csv_.Finish(); }
    void Raw(std::string_view bytes) { csv_.Raw(bytes); }
    CsvWriter& csv() { return csv_; }

   private:
    CsvWriter csv_;
  };

  class RowMaker;

  // Whether NewMaker() offers a maker: only then are a finding's `made` bytes this list's rows.
  bool MakesAhead() const { return max_per_group_ == kUnlimited; }

  std::int64_t max_per_group_;
  Rows rows_;
  FindingList list_;
};

}  // namespace outputs
