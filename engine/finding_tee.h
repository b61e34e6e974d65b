#pragma once
// Several finding sinks told as one: each finding goes to every member in turn. The members that
// offer chunk parts (engine/findings.h, ChunkPart) count the walks' field findings in them, and
// the tee's part holds one of each; only the others are told FieldFailed.

#include <memory>
#include <vector>

#include "engine/findings.h"

namespace engine {

class FindingTee final : public FindingSink {
 public:
  void Add(FindingSink* sink) { sinks_.push_back(sink); }
  bool empty() const { return sinks_.empty(); }
  // What a run is to tell: the only member itself, this tee when there are several, null when
  // none.
  FindingSink* sink();

  // The only member's part, or one holding each member's; null when no member offers one.
  std::unique_ptr<ChunkPart> NewChunkPart() override;
  // To every member, but once the members have been asked for parts, only to those that offer
  // none: the others count the walks' field findings in their parts.
  void FieldFailed(const FieldFinding& f) override;
  void StructureFailed(const StructureFinding& f) override;
  void CompanyFailed(FindingFile file, std::uint32_t record, const RecordKey& key,
                     std::string_view field, std::string_view text,
                     std::string_view expected) override;
  void ClaimWithoutPolicy(std::uint32_t record, const RecordKey& key, std::string_view apolice,
                          std::string_view item) override;
  void CoverageInverted(std::uint32_t record, const RecordKey& key, std::string_view inicio_vig,
                        std::string_view fim_vig) override;
  void HeaderMismatch(const HeaderFinding& finding) override;

 private:
  class Parts;

  std::vector<FindingSink*> sinks_;
  // Per member, whether it offers parts (each answers alike every time); empty until asked.
  std::vector<bool> parted_;
};

}  // namespace engine
