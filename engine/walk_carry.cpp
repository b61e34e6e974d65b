#include "engine/walk_carry.h"

#include "engine/claims_policy.h"
#include "engine/findings.h"
#include "engine/reconciliation.h"
#include "engine/validation_run.h"

namespace engine {

std::vector<RecordTap*> StartTaps(RunContext& ctx) {
  std::vector<RecordTap*> taps;
  if (ctx.carry == nullptr) return taps;
  WalkCarry& carry = *ctx.carry;
  const tables::DbfTable& file = ctx.tables.tbDados;
  if (FindingFileOf(ctx.state.numTabela) == FindingFile::kRiscos) {
    carry.index.reset();  // built from the keys about to be replaced
    carry.policy_keys = StartPolicyKeys(ctx, file);
    carry.premiums = StartPremiumTally(ctx, file);
    for (RecordTap* tap : {carry.policy_keys.get(), carry.premiums.get()}) {
      if (tap != nullptr) taps.push_back(tap);
    }
  } else {
    carry.claim_keys = StartClaimKeys(ctx, file);
    carry.claim_sums = StartClaimsTally(ctx, file);
    for (RecordTap* tap : {carry.claim_keys.get(), carry.claim_sums.get()}) {
      if (tap != nullptr) taps.push_back(tap);
    }
  }
  return taps;
}

}  // namespace engine
