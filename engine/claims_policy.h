#pragma once
#include "engine/validation_run.h"

namespace engine {

// Claims without a matching policy: builds the temporary key index over the risks file, looks
// every claim up and appends the result block. The index file never outlives the call.
void CheckClaimsWithoutPolicy(RunContext& ctx);

}  // namespace engine
