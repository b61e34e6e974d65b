#include "history/identity_sink.h"

#include <string>
#include <vector>

namespace history {

// One chunk's hashes by (field position, check), handed to the sink's groups at the merge.
class IdentitySink::Part final : public engine::ChunkPart {
 public:
  explicit Part(IdentitySink& owner) : owner_(owner) {}

  void Count(const engine::FieldFinding& f) override {
    const auto position = static_cast<std::size_t>(f.position < 0 ? 0 : f.position);
    const std::size_t slot =
        position * engine::kFindingCheckCount + static_cast<std::size_t>(f.check);
    if (slots_.size() <= slot) slots_.resize(slot + engine::kFindingCheckCount);
    std::vector<std::uint64_t>& hashes = slots_[slot];
    if (hashes.empty()) {
      if (names_.size() <= position) names_.resize(position + 1);
      names_[position] = f.field;
      file_ = f.file;
      used_.push_back(slot);
    }
    hashes.push_back(IdentityHash(f.Key()));
  }

  void Merge() override {
    for (const std::size_t slot : used_) {
      std::vector<std::uint64_t>& hashes = slots_[slot];
      const std::size_t position = slot / engine::kFindingCheckCount;
      const auto check = static_cast<engine::FindingCheck>(slot % engine::kFindingCheckCount);
      std::vector<std::uint64_t>& group = owner_.identities_.Of({file_, names_[position], check});
      group.insert(group.end(), hashes.begin(), hashes.end());
      hashes.clear();
    }
    used_.clear();
  }

 private:
  IdentitySink& owner_;
  engine::FindingFile file_ = engine::FindingFile::kRiscos;
  std::vector<std::string> names_;  // by field position
  std::vector<std::vector<std::uint64_t>> slots_;
  std::vector<std::size_t> used_;  // the slots holding hashes, in the order first used
};

std::unique_ptr<engine::ChunkPart> IdentitySink::NewChunkPart() {
  return std::make_unique<Part>(*this);
}

void IdentitySink::FieldFailed(const engine::FieldFinding& f) {
  Add(f.file, f.field, f.check, IdentityHash(f.Key()));
}

void IdentitySink::StructureFailed(const engine::StructureFinding& f) {
  const std::string_view field = f.expected ? f.expected->name : f.found->name;
  Add(f.file, field, engine::FindingCheck::kEstrutura, IdentityHash({}));
}

void IdentitySink::CompanyFailed(engine::FindingFile file, std::uint32_t,
                                 const engine::RecordKey& key, std::string_view field,
                                 std::string_view, std::string_view) {
  Add(file, field, engine::FindingCheck::kEmpresa, IdentityHash(key));
}

void IdentitySink::ClaimWithoutPolicy(std::uint32_t, const engine::RecordKey& key, std::string_view,
                                      std::string_view) {
  Add(engine::FindingFile::kSinistros, kClaimKeyField, engine::FindingCheck::kSemApolice,
      IdentityHash(key));
}

void IdentitySink::CoverageInverted(std::uint32_t, const engine::RecordKey& key, std::string_view,
                                    std::string_view) {
  Add(engine::FindingFile::kRiscos, kCoverageStartField, engine::FindingCheck::kVigenciaInvertida,
      IdentityHash(key));
}

void IdentitySink::HeaderMismatch(const engine::HeaderFinding& f) {
  const std::uint64_t none = IdentityHash({});
  if (f.CountDiffers()) Add(f.file, {}, engine::FindingCheck::kCabecalho, none);
  if (f.trailing_bytes > 0) Add(f.file, {}, engine::FindingCheck::kBytesFinais, none);
  if (f.HeaderShort()) Add(f.file, {}, engine::FindingCheck::kCabecalhoCurto, none);
}

FailureIdentities IdentitySink::Take() {
  identities_.Sort();
  FailureIdentities taken = std::move(identities_);
  identities_ = FailureIdentities();
  return taken;
}

}  // namespace history
