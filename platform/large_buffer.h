#pragma once
// Memory for a large working area that is filled once and then read many times (the key index's
// page cache). Where the system offers it, the area is backed by huge pages, which saves one page
// fault per 4 KiB when it is first touched. The contents start undefined.

#include <cstddef>

namespace platform {

class LargeBuffer {
 public:
  LargeBuffer() = default;
  // Throws std::bad_alloc when the memory cannot be had.
  explicit LargeBuffer(std::size_t bytes);
  ~LargeBuffer();
  LargeBuffer(LargeBuffer&& other) noexcept;
  LargeBuffer& operator=(LargeBuffer&& other) noexcept;
  LargeBuffer(const LargeBuffer&) = delete;
  LargeBuffer& operator=(const LargeBuffer&) = delete;

  void* data() const { return data_; }
  std::size_t size() const { return size_; }

 private:
  // The system's side: null when the memory cannot be had.
  static void* AllocateLarge(std::size_t bytes);
  static void FreeLarge(void* data);
  void Release();
  void* data_ = nullptr;
  std::size_t size_ = 0;
};

}  // namespace platform
