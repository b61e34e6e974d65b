#include <cstdlib>

#include "platform/large_buffer.h"

namespace platform {

void* LargeBuffer::AllocateLarge(std::size_t bytes) { return std::malloc(bytes); }

void LargeBuffer::FreeLarge(void* data) { std::free(data); }

}  // namespace platform
