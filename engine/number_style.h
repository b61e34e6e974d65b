#pragma once
// The report's number style for amounts and percentages.

#include <string>

#include "engine/regional.h"

namespace engine {

// `value` rounded to `decimals` with halves away from zero, taken from its decimal form to 18
// significant digits (so 0.125 with 2 decimals gives 0,13); at most 15 significant digits; digits
// grouped in threes by the thousands separator; the decimal separator before the decimals; a
// leading "-" for negative values. pt_BR: 1234567 (0) -> "1.234.567", 2.8805 (2) -> "2,88".
std::string FormatNumber(double value, int decimals, const Regional& regional);

}  // namespace engine
