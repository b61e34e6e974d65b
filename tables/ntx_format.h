#pragma once
// The byte layout of an NTX index file: constants, plus the little-endian helpers the index
// pages use (decoding goes through byte_order.h). The file is a sequence of 1024-byte pages; page 0
// is the header. docs/ntx.md describes the layout in prose.

#include <cstddef>
#include <cstdint>

#include "tables/byte_order.h"

namespace tables::ntx {

inline constexpr std::size_t kPageSize = 1024;

// Header page.
inline constexpr std::size_t kSignatureOffset = 0;     // 2 bytes
inline constexpr std::size_t kVersionOffset = 2;       // 2 bytes
inline constexpr std::size_t kRootOffset = 4;          // 4 bytes, file offset of the root page
inline constexpr std::size_t kFreePageOffset = 8;      // 4 bytes, 0 when no free page
inline constexpr std::size_t kItemSizeOffset = 12;     // 2 bytes, key size + 8
inline constexpr std::size_t kKeySizeOffset = 14;      // 2 bytes
inline constexpr std::size_t kKeyDecimalsOffset = 16;  // 2 bytes
inline constexpr std::size_t kMaxItemsOffset = 18;     // 2 bytes
inline constexpr std::size_t kHalfPageOffset = 20;     // 2 bytes
inline constexpr std::size_t kExpressionOffset = 22;   // 256 bytes, NUL-terminated
inline constexpr std::size_t kExpressionSize = 256;
inline constexpr std::size_t kUniqueOffset = 278;      // 1 byte
inline constexpr std::size_t kDescendingOffset = 280;  // 1 byte
inline constexpr std::size_t kForOffset = 282;         // 256 bytes, NUL-terminated
inline constexpr std::size_t kForSize = 256;
inline constexpr std::size_t kOrderNameOffset = 538;  // 8 bytes, NUL-padded
inline constexpr std::size_t kOrderNameSize = 8;

inline constexpr std::uint16_t kSignature = 6;
inline constexpr std::uint16_t kIndexingVersion = 1;

// Index pages: a count, then (maximum + 1) slot offsets, then the item slots. An item is the
// child page offset (0 in a leaf), the record number and the key bytes.
inline constexpr std::size_t kCountOffset = 0;
inline constexpr std::size_t kSlotTableOffset = 2;
inline constexpr std::size_t kItemChildOffset = 0;
inline constexpr std::size_t kItemRecnoOffset = 4;
inline constexpr std::size_t kItemKeyOffset = 8;
inline constexpr std::size_t kItemOverhead = 8;

// Half page = floor((1020 - item size) / (item size + 2) / 2); the maximum is twice that, so it
// is always even (item size 34: half 13, maximum 26). 0 when an item does not fit twice.
constexpr std::size_t HalfPage(std::size_t item_size) {
  return item_size >= 1020 ? 0 : (1020 - item_size) / (item_size + 2) / 2;
}
constexpr std::size_t MaxItems(std::size_t item_size) { return 2 * HalfPage(item_size); }
// Where the item slots start in a page of this geometry.
constexpr std::size_t FirstSlotOffset(std::size_t max_items) {
  return kSlotTableOffset + 2 * (max_items + 1);
}

static_assert(HalfPage(34) == 13 && MaxItems(34) == 26);
static_assert(FirstSlotOffset(26) + 27 * 34 <= kPageSize);

// A probe entry (tables/key_index.h, KeyProbe): the text in the keys' form (key size bytes),
// then its length in two bytes, high byte first, so that entries sort by their key bytes.
inline constexpr std::size_t kProbeLengthSize = 2;
inline std::size_t ProbeTextLength(const unsigned char* entry, std::size_t key_size) {
  return (std::size_t{entry[key_size]} << 8) | entry[key_size + 1];
}
inline void PutProbeTextLength(unsigned char* entry, std::size_t key_size, std::size_t length) {
  entry[key_size] = static_cast<unsigned char>(length >> 8);
  entry[key_size + 1] = static_cast<unsigned char>(length & 0xFF);
}

// Little-endian integers in a byte buffer.
inline std::uint16_t GetU16(const unsigned char* p) {
  return DecodeFixed16(reinterpret_cast<const char*>(p));
}
inline std::uint32_t GetU32(const unsigned char* p) {
  return DecodeFixed32(reinterpret_cast<const char*>(p));
}
inline void PutU16(unsigned char* p, std::uint16_t v) {
  p[0] = static_cast<unsigned char>(v & 0xFF);
  p[1] = static_cast<unsigned char>(v >> 8);
}
inline void PutU32(unsigned char* p, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = static_cast<unsigned char>((v >> (8 * i)) & 0xFF);
}

}  // namespace tables::ntx
