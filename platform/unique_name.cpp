#include "platform/unique_name.h"

#include <chrono>
#include <cstdint>
#include <random>

namespace platform {

std::string UniqueName(std::string_view stem, std::string_view extension) {
  static constexpr char kHex[] = "0123456789abcdef";
  std::random_device device;
  std::uint64_t bits =
      (std::uint64_t{device()} << 32) ^ device() ^
      static_cast<std::uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count());
  std::string name = std::string(stem) + "-";
  for (int i = 0; i < 16; ++i, bits >>= 4) name += kHex[bits & 0xF];
  return name + std::string(extension);
}

}  // namespace platform
