#pragma once
#include <optional>
#include <string_view>

#include "engine/validation_run.h"
#include "engine/walk_taps.h"

namespace engine {

// The record loop of one input file, right after its structure check passed: counts every
// visible record in numRegistros, runs the company check at the start of each record and the
// field checks on every field, and writes the counters back into the rule rows of zelEstrutTab.
// Returns false when a company error stopped the loop (the record that stopped it is counted).
// The taps `riders` start (null: none) are fed every record shown, to the end of the file even
// when the company check stopped the field checks.
bool WalkRecords(RunContext& ctx, WalkRiders* riders = nullptr);

// The years a date may have: from kFirstDateYear to the run's year plus kDateYearsAhead.
inline constexpr int kFirstDateYear = 1900;
inline constexpr int kDateYearsAhead = 5;

// The year of a text written YYYYMMDD, as the date check reads it; nullopt when its year, month
// or day does not convert to a number.
std::optional<int> DateYear(std::string_view text);

// The date check: true when `text` is a plausible date written YYYYMMDD. An impossible calendar
// date shows the invalid-date notice (with `place` when given). Years outside
// kFirstDateYear..current_year+kDateYearsAhead are false silently.
bool ValidaData(RunContext& ctx, std::string_view text, const DatePlace* place = nullptr);

}  // namespace engine
