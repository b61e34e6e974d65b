#pragma once
#include "engine/validation_run.h"

namespace engine {

// Finds the company in "DadosKov.DBF", writes the company line in place of the third line, and
// the premium (with the inverted-coverage block) and claims comparison tables.
void Reconcile(RunContext& ctx);

}  // namespace engine
