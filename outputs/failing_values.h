#pragma once
// A finding sink that keeps, per file and field, the most frequent failing values of the field
// checks (outputs/top_values.h), and the records the page shows as examples
// (outputs/html_report_samples.h), for the HTML report. Memory is bounded by the number of fields.

#include <array>
#include <cstddef>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "engine/findings.h"
#include "outputs/failing_values_part.h"
#include "outputs/html_report_samples.h"
#include "outputs/top_values.h"

namespace outputs {

class FailingValues : public engine::FindingSink {
 public:
  static constexpr std::size_t kTracked = 64;  // places per field; counts are exact below it

  void FieldFailed(const engine::FieldFinding& finding) override;
  // A walk counts the failures in parts, chunk by chunk, where it checks them, and merges each
  // into this in file order: it tells none of them.
  std::unique_ptr<engine::ChunkPart> NewChunkPart() override;
  // What a part counted of one chunk, in file order; the part is then cleared.
  void Add(FailingValuesPart& part);
  void StructureFailed(const engine::StructureFinding&) override {}
  void CompanyFailed(engine::FindingFile, std::uint32_t, const engine::RecordKey&, std::string_view,
                     std::string_view, std::string_view) override {}
  void ClaimWithoutPolicy(std::uint32_t record, const engine::RecordKey& key,
                          std::string_view apolice, std::string_view item) override {
    samples_.ClaimWithoutPolicy(record, key, apolice, item);
  }
  void CoverageInverted(std::uint32_t record, const engine::RecordKey& key,
                        std::string_view inicio_vig, std::string_view fim_vig) override {
    samples_.CoverageInverted(record, key, inicio_vig, fim_vig);
  }

  // The `n` most frequent failing values of `field` in `file` (trailing blanks trimmed); empty
  // when the field never failed.
  std::vector<TopValues::Entry> Top(engine::FindingFile file, const std::string& field,
                                    std::size_t n) const;
  const HtmlReportSamples& samples() const { return samples_; }

 private:
  using Fields = std::map<std::pair<engine::FindingFile, std::string>, TopValues>;
  // What a field position of a file was last found to be: its counter and its sample group per
  // field check (null: not yet looked up), as a file repeats the same few failures many times.
  struct Place {
    Fields::value_type* field = nullptr;
    std::array<SampleGroup*, engine::kFieldCheckCount> groups{};
  };
  [[gnu::always_inline]] inline Place& PlaceOf(engine::FindingFile file, int position,
                                               std::string_view field);
  // Sets `place` to the field's, made on first use.
  [[gnu::noinline]] void Find(Place& place, engine::FindingFile file, std::string_view field);

  // The field of a record whose value was counted last: a record tells its field's checks
  // one after the other.
  struct Told {
    engine::FindingFile file = engine::FindingFile::kRiscos;
    std::uint32_t record = 0;  // 0: none yet
    int position = 0;
    bool operator==(const Told&) const = default;
  };
  Told last_told_;
  Fields fields_;                                  // nodes stay put: the cache points at them
  std::array<std::vector<Place>, 2> by_position_;  // per file, by field position
  Place spare_;  // a field past the cached positions, looked up by name each time
  HtmlReportSamples samples_;
  SampleShares shares_;  // the sample groups that have their rows, for the parts
};

}  // namespace outputs
