#pragma once
// The failure list (engine/finding_list.h) as CSV (engine/csv_writer.h), with a header row.

#include <cstdint>
#include <ostream>

#include "engine/csv_writer.h"
#include "engine/finding_list.h"

namespace engine {

class FindingsCsv : public FindingSink {
 public:
  static constexpr std::int64_t kUnlimited = FindingList::kUnlimited;

  // Writes the header row at once. `max_per_group`: rows per (file, field, check), kUnlimited
  // for all. `out` must outlive the writer and be opened in binary mode.
  explicit FindingsCsv(std::ostream& out, std::int64_t max_per_group = kUnlimited);
  ~FindingsCsv() override;
  FindingsCsv(const FindingsCsv&) = delete;
  FindingsCsv& operator=(const FindingsCsv&) = delete;

  void FieldFailed(const FieldFinding& f) override { list_.FieldFailed(f); }
  void StructureFailed(const StructureFinding& f) override { list_.StructureFailed(f); }
  void CompanyFailed(FindingFile file, std::uint32_t record, const RecordKey& key,
                     std::string_view field, std::string_view text,
                     std::string_view expected) override {
    list_.CompanyFailed(file, record, key, field, text, expected);
  }
  void ClaimWithoutPolicy(std::uint32_t record, const RecordKey& key, std::string_view apolice,
                          std::string_view item) override {
    list_.ClaimWithoutPolicy(record, key, apolice, item);
  }
  void CoverageInverted(std::uint32_t record, const RecordKey& key, std::string_view inicio_vig,
                        std::string_view fim_vig) override {
    list_.CoverageInverted(record, key, inicio_vig, fim_vig);
  }

  // Ends the list (the cap notes last) and flushes. False when a write failed at any point.
  bool Finish() { return list_.Finish(); }
  // Findings told so far (listed or not).
  std::int64_t total() const { return list_.total(); }

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
