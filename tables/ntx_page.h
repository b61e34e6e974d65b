#pragma once
// One 1024-byte page of an NTX index: writing a page during the build and reading one during a
// search. Items are kept in key order through the page's slot table; slot n (one past the last
// key) carries only the right-most child.

#include <array>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>

#include "tables/byte_order.h"
#include "tables/ntx_format.h"

namespace tables::ntx {

using PageBytes = std::array<unsigned char, kPageSize>;

// The sizes every page of one index shares.
struct PageGeometry {
  std::size_t key_size = 0;
  std::size_t item_size = 0;  // key_size + 8
  std::size_t max_items = 0;  // even, at least 2

  // nullopt-like: max_items == 0 when the key is too long for a page.
  static PageGeometry ForKeySize(std::size_t key_size);
};

// Fills a page item by item, in key order, with the slot table in identity order.
class PageBuilder {
 public:
  explicit PageBuilder(const PageGeometry& geometry);

  // REQUIRES: !Full(); `key` is exactly key_size bytes.
  void Add(std::uint32_t child, std::uint32_t recno, const unsigned char* key);
  void SetRightChild(std::uint32_t child);
  bool Full() const { return count_ == geometry_.max_items; }
  std::size_t count() const { return count_; }
  const PageBytes& bytes() const { return bytes_; }
  void Reset();

 private:
  unsigned char* Slot(std::size_t i);

  PageGeometry geometry_;
  std::size_t count_ = 0;
  PageBytes bytes_{};
};

// Reads a page. Parse() checks the count and every slot offset against the page, so the
// accessors never read outside the 1024 bytes.
class PageView {
 public:
  // False when the page is damaged (count above the maximum, a slot outside the page).
  bool Parse(const unsigned char* page, const PageGeometry& geometry);
  // A page that passed Parse() once (or that the build wrote), without checking it again.
  void Attach(const unsigned char* page) {
    page_ = page;
    count_ = GetU16(page + kCountOffset);
  }

  std::size_t count() const { return count_; }
  // i in [0, count()) for items; child(count()) is the right-most child.
  std::uint32_t child(std::size_t i) const { return GetU32(Item(i) + kItemChildOffset); }
  std::uint32_t recno(std::size_t i) const { return GetU32(Item(i) + kItemRecnoOffset); }
  const unsigned char* key(std::size_t i) const { return Item(i) + kItemKeyOffset; }

 private:
  const unsigned char* Item(std::size_t i) const {
    return page_ + GetU16(page_ + kSlotTableOffset + 2 * i);
  }

  const unsigned char* page_ = nullptr;
  std::size_t count_ = 0;
};

// Asks for every cache line of a page at once, so that a search halving through the items of a
// page that is not in the processor's caches waits for memory once rather than at every step.
inline void PrefetchPage(const unsigned char* page) {
#if defined(__GNUC__) || defined(__clang__)
  for (std::size_t at = 0; at < kPageSize; at += 64) __builtin_prefetch(page + at);
#else
  (void)page;
#endif
}

// Key order of the index: unsigned bytes over `n` positions, stopping at a NUL that both sides
// share (a NUL against another byte sorts first). Negative, zero or positive.
// REQUIRES: both hold only NULs after their first NUL (the index writes its keys so, and the
// search brings its text to that form), which makes a plain byte comparison exact.
inline int CompareKeys(const unsigned char* a, const unsigned char* b, std::size_t n) {
  if (n < 8) return n == 0 ? 0 : std::memcmp(a, b, n);
  // Eight bytes at a time as one number; the tail as the last eight bytes, which overlap bytes
  // already found equal.
  std::size_t i = 0;
  for (; i + 8 <= n; i += 8) {
    const std::uint64_t x = LoadBigEndian64(a + i);
    const std::uint64_t y = LoadBigEndian64(b + i);
    if (x != y) return x < y ? -1 : 1;
  }
  if (i < n) {
    const std::uint64_t x = LoadBigEndian64(a + n - 8);
    const std::uint64_t y = LoadBigEndian64(b + n - 8);
    if (x != y) return x < y ? -1 : 1;
  }
  return 0;
}

}  // namespace tables::ntx
