#pragma once
#include <cstddef>
#include <cstdint>
#include <memory>

#include "engine/validation_run.h"
#include "engine/walk_taps.h"

namespace tables {
class KeyIndex;
}  // namespace tables

namespace engine {

class PolicyKeys;
class ClaimKeys;
class IndexBuild;

// Claims without a matching policy: builds the temporary key index over the risks file, looks
// every claim up and appends the result block. The index file never outlives the check. The
// keys come from the walks of both files when the check's taps rode on them, else the check
// reads the files itself.
class ClaimsPolicyCheck {
 public:
  explicit ClaimsPolicyCheck(RunContext& ctx);
  ~ClaimsPolicyCheck();
  ClaimsPolicyCheck(const ClaimsPolicyCheck&) = delete;
  ClaimsPolicyCheck& operator=(const ClaimsPolicyCheck&) = delete;

  // The taps of the walks (engine/walk_taps.h), replacing those of an earlier walk of the same
  // file: the risks' policy keys, and the claims' keys once the policy keys tell their size.
  // Null when the file cannot give them, and the check then reads the file itself.
  RecordTap* StartPolicyKeys(const tables::DbfTable& riscos);
  RecordTap* StartClaimKeys(const tables::DbfTable& sinistros);
  // Starts building the index on a thread of its own from the policy keys, once the risks walk
  // gathered them all; the check then waits for it. Raises nothing: what the build meets is
  // raised by the check, where its own build would.
  void StartIndexBuild();

  void Check();

 private:
  ClaimKeys* WalkedClaims() const;  // the claims walk's keys, when gathered whole
  // Looks every claim up and tells each one missing; how many were.
  std::int64_t TellMissing(tables::KeyIndex& index);
  std::unique_ptr<ClaimKeys> GatherClaimKeys(std::size_t key_size);
  void AppendResult(std::int64_t misses);

  RunContext& ctx_;
  std::unique_ptr<PolicyKeys> policy_keys_;
  std::unique_ptr<ClaimKeys> claim_keys_;
  std::unique_ptr<IndexBuild> early_;  // last: it reads the policy keys until it is gone
};

// The check on its own, reading both files itself.
void CheckClaimsWithoutPolicy(RunContext& ctx);

}  // namespace engine
