#pragma once
// The records the HTML report shows as examples, so that an analyst can go from a counter to the
// policies behind it: per file, field and check the first kPerGroup failing records in file order,
// and the first kPerGroup claims without a policy and inverted coverages. Memory is bounded by
// the number of fields, whatever the number of findings.

#include <array>
#include <cstddef>
#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <tuple>
#include <vector>

#include "engine/findings.h"

namespace outputs {

// One record shown. Texts are Windows-1252 as stored, trailing blanks trimmed.
struct RecordSample {
  std::uint32_t record = 0;  // physical record number, from 1
  std::string apolice;
  std::string endosso;
  std::string item;
  // A field's failure: the value and the failure list's sentence. A claim without a policy: its
  // D_OCORR and D_AVI. An inverted coverage: INICIO_VIG and FIM_VIG.
  std::string first;
  std::string second;
};

// The samples of one kind of failure.
struct SampleGroup {
  std::vector<RecordSample> rows;  // the first kPerGroup, in file order
  std::int64_t count = 0;          // every failure told
};

class HtmlReportSamples : public engine::FindingSink {
 public:
  static constexpr std::size_t kPerGroup = 20;

  void FieldFailed(const engine::FieldFinding& finding) override;
  void StructureFailed(const engine::StructureFinding&) override {}
  void CompanyFailed(engine::FindingFile, std::uint32_t, const engine::RecordKey&, std::string_view,
                     std::string_view, std::string_view) override {}
  // Reads the claim's dates from key.table, which stands on the claim's record.
  void ClaimWithoutPolicy(std::uint32_t record, const engine::RecordKey& key,
                          std::string_view apolice, std::string_view item) override;
  void CoverageInverted(std::uint32_t record, const engine::RecordKey& key,
                        std::string_view inicio_vig, std::string_view fim_vig) override;

  // The group of `field`'s `check` in `file`, made on first use; it stays put for the samples'
  // life, so a caller may keep it and Add() to it directly.
  SampleGroup& Group(engine::FindingFile file, std::string_view field, engine::FindingCheck check);
  // FieldFailed() for a finding of `group`'s file, field and check. Most come after the group
  // has its share and are only counted.
  void Add(SampleGroup& group, const engine::FieldFinding& finding) {
    if (group.rows.size() >= kPerGroup) {
      ++group.count;
      return;
    }
    AddSample(group, finding);
  }

  // Adds a part of a group counted apart, in file order after what the group holds: `count`
  // failures, whose first ones are `rows` (all of them, or at least those the group still takes).
  static void AddCounted(SampleGroup& group, std::int64_t count, std::vector<RecordSample>& rows);
  // The sample of a field's failure.
  static RecordSample Row(const engine::FieldFinding& finding);

  // The samples of `field`'s `check` in `file`; empty when it never failed.
  const SampleGroup& Field(engine::FindingFile file, const std::string& field,
                           engine::FindingCheck check) const;
  const SampleGroup& claims() const { return claims_; }
  const SampleGroup& coverages() const { return coverages_; }

 private:
  using Key = std::tuple<engine::FindingFile, std::string, engine::FindingCheck>;
  using Groups = std::map<Key, SampleGroup>;

  void AddSample(SampleGroup& group, const engine::FieldFinding& finding);
  // Counts a failure in `group`; the sample to fill in, or null when the group has its share.
  static RecordSample* Admit(SampleGroup& group, std::uint32_t record);
  static void SetKey(RecordSample& sample, const engine::RecordKey& key);

  Groups groups_;  // nodes stay put
  SampleGroup claims_;
  SampleGroup coverages_;
};

}  // namespace outputs
