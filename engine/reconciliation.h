#pragma once
#include <memory>

#include "engine/validation_run.h"
#include "engine/walk_carry.h"

namespace engine {

// Finds the company in "DadosKov.DBF", writes the company line in place of the third line, and
// the premium (with the inverted-coverage block) and claims comparison tables. The sums come
// from the walks (ctx.carry) when they gathered them for the company's period.
void Reconcile(RunContext& ctx);

// The taps of the walks (engine/walk_carry.h): the company's period is read from the totals
// file before the walk; null when there is nothing to gather.
std::unique_ptr<RecordTap> StartPremiumTally(RunContext& ctx, const tables::DbfTable& riscos);
std::unique_ptr<RecordTap> StartClaimsTally(RunContext& ctx, const tables::DbfTable& sinistros);

}  // namespace engine
