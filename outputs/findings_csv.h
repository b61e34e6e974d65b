#pragma once
// The failure list (outputs/finding_list.h) as CSV (outputs/csv_writer.h), with a header row.

#include <cstdint>
#include <ostream>

#include "outputs/csv_writer.h"
#include "outputs/finding_list.h"

namespace engine {

class FindingsCsv : public FindingListOutput {
 public:
  static constexpr std::int64_t kUnlimited = FindingList::kUnlimited;

  // Writes the header row at once. `max_per_group`: rows per (file, field, check), kUnlimited
  // for all. `out` must outlive the writer and be opened in binary mode.
  explicit FindingsCsv(std::ostream& out, std::int64_t max_per_group = kUnlimited);
  ~FindingsCsv() override;
  FindingsCsv(const FindingsCsv&) = delete;
  FindingsCsv& operator=(const FindingsCsv&) = delete;

 protected:
  FindingList& list() override { return list_; }

 private:
  class Rows : public FindingRowWriter {
   public:
    explicit Rows(std::ostream& out);
    void Row(FindingFile file, const FindingRow& row) override;
    bool Finish() override { return csv_.Finish(); }

   private:
    CsvWriter csv_;
  };

  Rows rows_;
  FindingList list_;
};

}  // namespace engine
