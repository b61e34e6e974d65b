#pragma once
// The sink that gathers the identity of every failure of a run (history/failure_identities.h),
// the failure list's rows one for one. Field findings are hashed on the walk's workers in chunk
// parts (engine/findings.h, ChunkPart) and only appended to their groups on the walk's thread.

#include <map>
#include <memory>
#include <vector>

#include "engine/findings.h"
#include "history/failure_identities.h"

namespace history {

class IdentitySink final : public engine::FindingSink {
 public:
  std::unique_ptr<engine::ChunkPart> NewChunkPart() override;

  void FieldFailed(const engine::FieldFinding& f) override;
  void StructureFailed(const engine::StructureFinding& f) override;
  void CompanyFailed(engine::FindingFile file, std::uint32_t record, const engine::RecordKey& key,
                     std::string_view field, std::string_view text,
                     std::string_view expected) override;
  void ClaimWithoutPolicy(std::uint32_t record, const engine::RecordKey& key,
                          std::string_view apolice, std::string_view item) override;
  void CoverageInverted(std::uint32_t record, const engine::RecordKey& key,
                        std::string_view inicio_vig, std::string_view fim_vig) override;
  void HeaderMismatch(const engine::HeaderFinding& f) override;

  // The identities gathered, sorted on `threads` threads; the sink is empty afterwards.
  FailureIdentities Take(int threads = 1);

 private:
  class Part;

  void Add(engine::FindingFile file, std::string_view field, engine::FindingCheck check,
           std::uint64_t hash) {
    Append(blocks_[{file, std::string(field), check}], &hash, 1);
  }

  // Hashes into their group's blocks of kBlock: a group grown as one array would copy its hashes
  // over and over and hold up to twice their memory, at the end of the walk, its busiest. A
  // block's room is memory only once written; most groups fit one, and are read as one run.
  using Blocks = std::vector<std::vector<std::uint64_t>>;
  static void Append(Blocks& blocks, const std::uint64_t* hashes, std::size_t n);
  static constexpr std::size_t kBlock = 65536;

  std::map<FailureGroup, Blocks> blocks_;
};

}  // namespace history
