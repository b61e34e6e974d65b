#pragma once
// Little-endian decoding of the integers stored in dBase and index files. The only place that
// knows the byte order: callers pass a pointer to the bytes, never a struct laid over a buffer.
// REQUIRES: the bytes read are present (the caller checks the length first).

#include <cstdint>

namespace tables {

inline std::uint8_t DecodeFixed8(const char* p) { return static_cast<std::uint8_t>(*p); }

inline std::uint16_t DecodeFixed16(const char* p) {
  return static_cast<std::uint16_t>(DecodeFixed8(p) | (DecodeFixed8(p + 1) << 8));
}

inline std::uint32_t DecodeFixed32(const char* p) {
  return static_cast<std::uint32_t>(DecodeFixed16(p)) |
         (static_cast<std::uint32_t>(DecodeFixed16(p + 2)) << 16);
}

}  // namespace tables
