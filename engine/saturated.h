#pragma once
// The run's counters are 32-bit, as the catalogue's fields and the report's state hold them; a
// count that cannot grow further stays at its maximum rather than wrap.

#include <algorithm>
#include <cstdint>
#include <limits>

namespace engine {

inline std::int32_t Saturated(std::int64_t value) {
  return static_cast<std::int32_t>(std::clamp<std::int64_t>(
      value, std::numeric_limits<std::int32_t>::min(), std::numeric_limits<std::int32_t>::max()));
}

// Adds `more` (never negative) to `count`, stopping at the maximum.
inline void CountUp(std::int32_t& count, std::int64_t more) {
  count = Saturated(std::int64_t{count} + more);
}

}  // namespace engine
