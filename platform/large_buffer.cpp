#include "platform/large_buffer.h"

#include <new>

namespace platform {

LargeBuffer::LargeBuffer(std::size_t bytes) {
  if (bytes == 0) return;
  data_ = AllocateLarge(bytes);
  if (data_ == nullptr) throw std::bad_alloc();
  size_ = bytes;
}

LargeBuffer::~LargeBuffer() { Release(); }

LargeBuffer::LargeBuffer(LargeBuffer&& other) noexcept : data_(other.data_), size_(other.size_) {
  other.data_ = nullptr;
  other.size_ = 0;
}

LargeBuffer& LargeBuffer::operator=(LargeBuffer&& other) noexcept {
  if (this != &other) {
    Release();
    data_ = other.data_;
    size_ = other.size_;
    other.data_ = nullptr;
    other.size_ = 0;
  }
  return *this;
}

void LargeBuffer::Release() {
  if (data_ != nullptr) FreeLarge(data_);
  data_ = nullptr;
  size_ = 0;
}

}  // namespace platform
