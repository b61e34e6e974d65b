#pragma once
// What the runner's whole-run tests share: a fixed clock and reading back a written file.

#include <fstream>
#include <sstream>
#include <string>

#include "platform/clock.h"

namespace cli {

inline platform::LocalDateTime FixedClock() { return {2024, 3, 15, 9, 5, 7}; }

inline std::string ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

}  // namespace cli
