#include "platform/unique_name.h"

#include <chrono>
#include <cstdint>
#include <random>

namespace platform {
namespace {

constexpr std::size_t kDigits = 16;
constexpr char kHex[] = "0123456789abcdef";

}  // namespace

std::string UniqueName(std::string_view stem, std::string_view extension) {
  std::random_device device;
  std::uint64_t bits =
      (std::uint64_t{device()} << 32) ^ device() ^
      static_cast<std::uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count());
  std::string name = std::string(stem) + "-";
  for (std::size_t i = 0; i < kDigits; ++i, bits >>= 4) name += kHex[bits & 0xF];
  return name + std::string(extension);
}

bool IsUniqueName(std::string_view name, std::string_view stem, std::string_view extension) {
  if (name.size() != stem.size() + 1 + kDigits + extension.size()) return false;
  if (name.substr(0, stem.size()) != stem || name[stem.size()] != '-') return false;
  if (name.substr(name.size() - extension.size()) != extension) return false;
  const std::string_view digits = name.substr(stem.size() + 1, kDigits);
  return digits.find_first_not_of(kHex) == std::string_view::npos;
}

std::string_view StemThatFits(std::string_view stem, std::string_view extension,
                              std::size_t limit) {
  const std::size_t added = 1 + kDigits + extension.size();
  std::size_t keep = limit > added ? limit - added : 0;
  if (keep >= stem.size()) return stem;
  // A continuation byte (10xxxxxx) at the cut belongs to the sequence before it.
  while (keep > 0 && (static_cast<unsigned char>(stem[keep]) & 0xC0) == 0x80) --keep;
  return stem.substr(0, keep);
}

}  // namespace platform
