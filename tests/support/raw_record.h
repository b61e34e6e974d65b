#pragma once
// A dBase record read from the file's bytes alone, independently of the table reader, so that
// tests can hold the engine's outputs against the file itself.

#include <cstdint>
#include <map>
#include <string>

#include "support/file_bytes.h"

namespace testing_support {

// The fields of physical record `n` (from 1) of a dBase file, read from its bytes alone.
inline std::map<std::string, std::string> RecordFields(const std::string& path, std::uint32_t n) {
  const std::string bytes = ReadBytes(path);
  const auto u16 = [&](std::size_t at) {
    return static_cast<std::size_t>(static_cast<unsigned char>(bytes[at]) |
                                    static_cast<unsigned char>(bytes[at + 1]) << 8);
  };
  const std::size_t record = u16(8) + (n - 1) * u16(10);
  std::map<std::string, std::string> fields;
  std::size_t offset = 1;
  for (std::size_t d = 32; bytes[d] != '\x0D'; d += 32) {
    const std::string name = bytes.substr(d, bytes.find('\0', d) - d);
    const auto length = static_cast<unsigned char>(bytes[d + 16]);
    fields[name] = bytes.substr(record + offset, length);
    offset += length;
  }
  return fields;
}

}  // namespace testing_support
