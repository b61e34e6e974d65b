#pragma once
// What the runner's whole-run tests share: a fixed clock and reading back a written file.

#include <string>

#include "platform/clock.h"
#include "support/file_bytes.h"

namespace cli {

inline platform::LocalDateTime FixedClock() { return {2024, 3, 15, 9, 5, 7}; }

using testing_support::ReadBytes;

}  // namespace cli
