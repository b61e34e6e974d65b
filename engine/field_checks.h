#pragma once
#include "engine/validation_run.h"

namespace engine {

// The record loop of one input file, right after its structure check passed: counts every
// visible record in numRegistros, runs the company check at the start of each record and the
// field checks on every field, and writes the counters back into the rule rows of zelEstrutTab.
// Returns false when a company error stopped the loop (the record that stopped it is counted).
bool WalkRecords(RunContext& ctx);

// The date check: true when `text` is a plausible date written YYYYMMDD. An impossible calendar
// date shows the invalid-date notice (with `place` when given). Years outside
// 1900..current_year+5 are false silently.
bool ValidaData(RunContext& ctx, std::string_view text, const DatePlace* place = nullptr);

}  // namespace engine
