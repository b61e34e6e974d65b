#include "engine/finding_tee.h"

#include <utility>

namespace engine {

// One part per member that offers parts, told and merged together.
class FindingTee::Parts final : public ChunkPart {
 public:
  Parts(std::vector<std::unique_ptr<ChunkPart>> parts, bool hears_each)
      : parts_(std::move(parts)), hears_each_(hears_each) {}
  void Count(const FieldFinding& finding) override {
    for (const auto& part : parts_) part->Count(finding);
  }
  void Merge() override {
    for (const auto& part : parts_) part->Merge();
  }
  bool SinkHearsEach() const override { return hears_each_; }

 private:
  std::vector<std::unique_ptr<ChunkPart>> parts_;
  bool hears_each_;  // a member offers no part
};

FindingSink* FindingTee::sink() {
  if (sinks_.empty()) return nullptr;
  return sinks_.size() == 1 ? sinks_.front() : this;
}

std::unique_ptr<ChunkPart> FindingTee::NewChunkPart() {
  std::vector<std::unique_ptr<ChunkPart>> parts;
  std::vector<bool> parted(sinks_.size());
  bool hears_each = false;
  for (std::size_t i = 0; i < sinks_.size(); ++i) {
    if (std::unique_ptr<ChunkPart> part = sinks_[i]->NewChunkPart()) {
      parts.push_back(std::move(part));
      parted[i] = true;
    } else {
      hears_each = true;
    }
  }
  parted_ = std::move(parted);
  if (parts.empty()) return nullptr;
  if (parts.size() == 1 && !hears_each) return std::move(parts.front());
  return std::make_unique<Parts>(std::move(parts), hears_each);
}

void FindingTee::FieldFailed(const FieldFinding& f) {
  for (std::size_t i = 0; i < sinks_.size(); ++i) {
    if (i >= parted_.size() || !parted_[i]) sinks_[i]->FieldFailed(f);
  }
}

void FindingTee::StructureFailed(const StructureFinding& f) {
  for (FindingSink* s : sinks_) s->StructureFailed(f);
}

void FindingTee::CompanyFailed(FindingFile file, std::uint32_t record, const RecordKey& key,
                               std::string_view field, std::string_view text,
                               std::string_view expected) {
  for (FindingSink* s : sinks_) s->CompanyFailed(file, record, key, field, text, expected);
}

void FindingTee::ClaimWithoutPolicy(std::uint32_t record, const RecordKey& key,
                                    std::string_view apolice, std::string_view item) {
  for (FindingSink* s : sinks_) s->ClaimWithoutPolicy(record, key, apolice, item);
}

void FindingTee::CoverageInverted(std::uint32_t record, const RecordKey& key,
                                  std::string_view inicio_vig, std::string_view fim_vig) {
  for (FindingSink* s : sinks_) s->CoverageInverted(record, key, inicio_vig, fim_vig);
}

void FindingTee::HeaderMismatch(const HeaderFinding& finding) {
  for (FindingSink* s : sinks_) s->HeaderMismatch(finding);
}

}  // namespace engine
