#pragma once
#include <memory>

#include "engine/validation_run.h"
#include "engine/walk_carry.h"

namespace engine {

// Claims without a matching policy: builds the temporary key index over the risks file, looks
// every claim up and appends the result block. The index file never outlives the call. The keys
// come from the walks of both files (ctx.carry) when they were gathered there.
void CheckClaimsWithoutPolicy(RunContext& ctx);

// Starts building the index of the risks file on a thread of its own (ctx.carry->index) from the
// policy keys its walk gathered, when they are complete; the claims check then waits for it.
// Raises nothing: what the build meets is raised by the check, where its own build would.
void StartIndexBuild(RunContext& ctx);

// The taps of the walks (engine/walk_carry.h); null when the file cannot give them, and the
// check then reads the file itself.
std::unique_ptr<RecordTap> StartPolicyKeys(RunContext& ctx, const tables::DbfTable& riscos);
std::unique_ptr<RecordTap> StartClaimKeys(RunContext& ctx, const tables::DbfTable& sinistros);

}  // namespace engine
