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
#include "outputs/failing_values_tally.h"
#include "outputs/html_report_samples.h"
#include "outputs/top_values.h"

namespace outputs {

class FailingValues : public engine::FindingSink {
 public:
  static constexpr std::size_t kTracked = 64;  // places per field; counts are exact below it

  void FieldFailed(const engine::FieldFinding& finding) override;
  // A walk on worker threads counts the failures there, chunk by chunk, and hands each chunk's
  // counts over in file order: its thread tells none of them.
  std::unique_ptr<engine::FieldFindingTally> NewTally() override;
  void AddTally(engine::FieldFindingTally& tally) override;
  bool HearsTallied() const override { return false; }
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

  Fields fields_;                                  // nodes stay put: the cache points at them
  std::array<std::vector<Place>, 2> by_position_;  // per file, by field position
  Place spare_;  // a field past the cached positions, looked up by name each time
  HtmlReportSamples samples_;
  SampleShares shares_;  // the sample groups that have their rows, for the tallies
};

// Tells every finding to each of its sinks in turn.
class FindingTee : public engine::FindingSink {
 public:
  void Add(engine::FindingSink* sink) { sinks_.push_back(sink); }
  bool empty() const { return sinks_.empty(); }
  // The only sink, or null when there are none or several: a run can tell it directly.
  engine::FindingSink* only() const { return sinks_.size() == 1 ? sinks_.front() : nullptr; }

  // The maker of the one sink that has one, whose bytes every sink then sees; none when several
  // have one, as each reads the bytes as its own.
  std::unique_ptr<engine::FieldFindingMaker> NewMaker() override {
    return OnlyOne(&engine::FindingSink::NewMaker);
  }
  // The tally of the one sink that has one, likewise; each sink takes only its own.
  std::unique_ptr<engine::FieldFindingTally> NewTally() override {
    return OnlyOne(&engine::FindingSink::NewTally);
  }
  void AddTally(engine::FieldFindingTally& tally) override {
    for (engine::FindingSink* s : sinks_) s->AddTally(tally);
  }
  bool HearsTallied() const override {
    for (const engine::FindingSink* s : sinks_) {
      if (s->HearsTallied()) return true;
    }
    return false;
  }
  void FieldFailed(const engine::FieldFinding& f) override {
    for (engine::FindingSink* s : sinks_) s->FieldFailed(f);
  }
  void StructureFailed(const engine::StructureFinding& f) override {
    for (engine::FindingSink* s : sinks_) s->StructureFailed(f);
  }
  void CompanyFailed(engine::FindingFile file, std::uint32_t record, const engine::RecordKey& key,
                     std::string_view field, std::string_view text,
                     std::string_view expected) override {
    for (engine::FindingSink* s : sinks_)
      s->CompanyFailed(file, record, key, field, text, expected);
  }
  void ClaimWithoutPolicy(std::uint32_t record, const engine::RecordKey& key,
                          std::string_view apolice, std::string_view item) override {
    for (engine::FindingSink* s : sinks_) s->ClaimWithoutPolicy(record, key, apolice, item);
  }
  void CoverageInverted(std::uint32_t record, const engine::RecordKey& key,
                        std::string_view inicio_vig, std::string_view fim_vig) override {
    for (engine::FindingSink* s : sinks_) s->CoverageInverted(record, key, inicio_vig, fim_vig);
  }
  void HeaderMismatch(const engine::HeaderFinding& finding) override {
    for (engine::FindingSink* s : sinks_) s->HeaderMismatch(finding);
  }

 private:
  // What `offer` gives of the one sink that gives something; null when none or several do.
  template <typename T>
  std::unique_ptr<T> OnlyOne(std::unique_ptr<T> (engine::FindingSink::*offer)()) {
    std::unique_ptr<T> only;
    for (engine::FindingSink* s : sinks_) {
      if (auto offered = (s->*offer)()) {
        if (only) return nullptr;
        only = std::move(offered);
      }
    }
    return only;
  }

  std::vector<engine::FindingSink*> sinks_;
};

}  // namespace outputs
