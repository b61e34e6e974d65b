#pragma once
// Little-endian decoding of the integers stored in dBase and index files, and the big-endian
// reading that compares bytes in order eight at a time. The only place that knows the byte
// order: callers pass a pointer to the bytes, never a struct laid over a buffer.
// REQUIRES: the bytes read are present (the caller checks the length first).

#include <bit>
#include <cstdint>
#include <cstring>

#if defined(_MSC_VER)
#include <stdlib.h>  // _byteswap_uint64
#endif

namespace tables {

inline std::uint8_t DecodeFixed8(const char* p) { return static_cast<std::uint8_t>(*p); }

inline std::uint16_t DecodeFixed16(const char* p) {
  return static_cast<std::uint16_t>(DecodeFixed8(p) | (DecodeFixed8(p + 1) << 8));
}

inline std::uint32_t DecodeFixed32(const char* p) {
  return static_cast<std::uint32_t>(DecodeFixed16(p)) |
         (static_cast<std::uint32_t>(DecodeFixed16(p + 2)) << 16);
}

// Eight bytes as one big-endian number, so that comparing two such numbers compares the bytes
// in order as unsigned codes: one load and a byte swap where the compiler offers one (a byte
// loop in the index's key comparison cost a fifth of a whole validation run).
inline std::uint64_t LoadBigEndian64(const unsigned char* p) {
  std::uint64_t v = 0;
  if constexpr (std::endian::native == std::endian::little) {
    std::memcpy(&v, p, sizeof v);
#if defined(__GNUC__) || defined(__clang__)
    return __builtin_bswap64(v);
#elif defined(_MSC_VER)
    return _byteswap_uint64(v);
#else
    v = 0;
#endif
  }
  for (int i = 0; i < 8; ++i) v = (v << 8) | p[i];
  return v;
}

}  // namespace tables
