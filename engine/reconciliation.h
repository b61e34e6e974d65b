#pragma once
#include <memory>

#include "engine/validation_run.h"
#include "engine/walk_taps.h"

namespace engine {

class PremiumTally;
class ClaimsTally;

// Finds the company in "DadosKov.DBF", writes the company line in place of the third line, and
// the premium (with the inverted-coverage block) and claims comparison tables. The sums come
// from the walks when its taps rode on them and summed for the company's period, else from a
// pass of its own over the file.
class Reconciliation {
 public:
  explicit Reconciliation(RunContext& ctx);
  ~Reconciliation();
  Reconciliation(const Reconciliation&) = delete;
  Reconciliation& operator=(const Reconciliation&) = delete;

  // The taps of the walks (engine/walk_taps.h), replacing those of an earlier walk of the same
  // file: the company's period is read from the totals file first; null when there is nothing
  // to gather.
  RecordTap* StartPremiums(const tables::DbfTable& riscos);
  RecordTap* StartClaimSums(const tables::DbfTable& sinistros);

  void Reconcile();

 private:
  RunContext& ctx_;
  std::unique_ptr<PremiumTally> premiums_;
  std::unique_ptr<ClaimsTally> claim_sums_;
};

// The reconciliation on its own, reading the files itself.
void Reconcile(RunContext& ctx);

}  // namespace engine
