#include <sys/mman.h>

#include <cstdlib>

#include "platform/large_buffer.h"

namespace platform {
namespace {

constexpr std::size_t kHugePage = 2u << 20;

}  // namespace

void* LargeBuffer::AllocateLarge(std::size_t bytes) {
  // An area smaller than one huge page gains nothing from one: plain memory, not 2 MiB.
  if (bytes < kHugePage) return std::malloc(bytes);
  // aligned_alloc wants a multiple of the alignment; huge pages want 2 MiB alignment.
  const std::size_t rounded = (bytes + kHugePage - 1) / kHugePage * kHugePage;
  void* data = std::aligned_alloc(kHugePage, rounded);
#ifdef MADV_HUGEPAGE
  if (data != nullptr) madvise(data, rounded, MADV_HUGEPAGE);  // advice only
#endif
  return data;
}

void LargeBuffer::FreeLarge(void* data) { std::free(data); }

}  // namespace platform
