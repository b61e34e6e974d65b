#pragma once
// The failure list (outputs/finding_list.h) as CSV (outputs/csv_writer.h), with a header row,
// written with the first row (or at the end): only then is it known whether the column nova
// follows.

#include <array>
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

  // `max_per_group`: rows per (file, field, check), kUnlimited
  // for all. `out` must outlive the writer and be opened in binary mode.
  explicit FindingsCsv(std::ostream& out, std::int64_t max_per_group = kUnlimited);
  ~FindingsCsv() override;
  FindingsCsv(const FindingsCsv&) = delete;
  FindingsCsv& operator=(const FindingsCsv&) = delete;

  // Without a cap, a walk's parts make the rows of the failures of their chunks where they are
  // checked, and their merge only puts them in place; with one, the few rows admitted are made
  // on the walk's thread.
  std::unique_ptr<engine::ChunkPart> NewChunkPart() override;

 protected:
  FindingList& list() override { return list_; }

 private:
  class Rows : public FindingRowWriter {
   public:
    explicit Rows(std::ostream& out);  // with the header row
    Rows() = default;                  // in memory, without it: a part's rows
    void Row(engine::FindingFile file, const FindingRow& row) override;
    void MarkNew() override { marked_ = true; }
    void RowMarked(engine::FindingFile file, const FindingRow& row, bool nova) override;
    bool Finish() override;
    void Raw(std::string_view bytes) {
      Header();
      csv_.Raw(bytes);
    }
    CsvWriter& csv() { return csv_; }

   private:
    // The header row, before the first row written to the file.
    void Header() {
      if (header_pending_) WriteHeader();
    }
    void WriteHeader();

    CsvWriter csv_;
    bool header_pending_ = false;
    bool marked_ = false;
    std::array<FindingCell, kFindingColumns + 1> marked_row_{};
  };

  class Part;

  std::int64_t max_per_group_;
  Rows rows_;
  FindingList list_;
};

}  // namespace outputs
