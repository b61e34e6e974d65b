#pragma once
// What the suites read back from the files and folders they make.

#include <cstddef>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

namespace testing_support {

// The whole file's bytes; empty when it cannot be read.
inline std::string ReadBytes(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

inline std::size_t EntriesIn(const std::filesystem::path& folder) {
  std::size_t n = 0;
  for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(folder)) ++n;
  return n;
}

}  // namespace testing_support
