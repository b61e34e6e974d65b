#include "history/identity_sink.h"

#include <algorithm>
#include <string>
#include <utility>
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
    if (slots_.size() <= slot) {
      slots_.resize(slot + engine::kFindingCheckCount);
      targets_.resize(slots_.size());
    }
    std::vector<std::uint64_t>& hashes = slots_[slot];
    if (hashes.empty()) {
      if (names_.size() <= position) names_.resize(position + 1);
      names_[position] = f.field;
      file_ = f.file;
      used_.push_back(slot);
    }
    // A failing record fails in several fields most often: its key is hashed once.
    if (f.record != record_ || !hashed_) {
      record_ = f.record;
      hash_ = IdentityHash(f.Key());
      hashed_ = true;
    }
    hashes.push_back(hash_);
  }

  void Merge() override {
    for (const std::size_t slot : used_) {
      std::vector<std::uint64_t>& hashes = slots_[slot];
      Blocks*& blocks = targets_[slot];
      if (blocks == nullptr) {  // the sink's map is looked up once per part and slot
        const std::size_t position = slot / engine::kFindingCheckCount;
        const auto check = static_cast<engine::FindingCheck>(slot % engine::kFindingCheckCount);
        blocks = &owner_.blocks_[{file_, names_[position], check}];
      }
      Append(*blocks, hashes.data(), hashes.size());
      hashes.clear();
    }
    used_.clear();
    hashed_ = false;
  }

 private:
  IdentitySink& owner_;
  engine::FindingFile file_ = engine::FindingFile::kRiscos;
  std::vector<std::string> names_;  // by field position
  std::vector<std::vector<std::uint64_t>> slots_;
  std::vector<Blocks*> targets_;   // by slot: the group's blocks in the sink, once looked up
  std::vector<std::size_t> used_;  // the slots holding hashes, in the order first used
  std::uint32_t record_ = 0;       // the record whose key hash_ is
  std::uint64_t hash_ = 0;
  bool hashed_ = false;
};

void IdentitySink::Append(Blocks& blocks, const std::uint64_t* hashes, std::size_t n) {
  while (n > 0) {
    if (blocks.empty() || blocks.back().size() == kBlock) blocks.emplace_back().reserve(kBlock);
    std::vector<std::uint64_t>& block = blocks.back();
    const std::size_t taken = std::min(kBlock - block.size(), n);
    block.insert(block.end(), hashes, hashes + taken);
    hashes += taken;
    n -= taken;
  }
}

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

FailureIdentities IdentitySink::Take(int threads) {
  // Each block is sorted where it lies and becomes one of its group's runs.
  return FailureIdentities(std::exchange(blocks_, {}), threads);
}

}  // namespace history
