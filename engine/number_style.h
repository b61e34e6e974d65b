#pragma once
// The report's number style for amounts and percentages.

#include <concepts>
#include <cstdint>
#include <string>
#include <type_traits>

#include "engine/regional.h"

namespace engine {

// `value` rounded to `decimals` with halves away from zero, taken from its decimal form to 18
// significant digits (so 0.125 with 2 decimals gives 0,13); at most 15 significant digits; digits
// grouped in threes by the thousands separator; the decimal separator before the decimals; a
// leading "-" for negative values. pt_BR: 1234567 (0) -> "1.234.567", 2.8805 (2) -> "2,88".
std::string FormatNumber(double value, int decimals, const Regional& regional);

// A count in a Portuguese sentence, grouped in threes by "." as the tables beside it show it:
// 969973 -> "969.973", -1234 -> "-1.234". Record numbers and other names of a place stay plain.
std::string CountText(std::uint64_t magnitude, bool negative);
template <std::integral Count>
std::string CountText(Count count) {
  if constexpr (std::is_signed_v<Count>) {
    // Through the unsigned magnitude, so that the smallest value has one too.
    const auto magnitude = static_cast<std::uint64_t>(count);
    if (count < 0) return CountText(0 - magnitude, true);
  }
  return CountText(static_cast<std::uint64_t>(count), false);
}

}  // namespace engine
