// The parts of ExclusiveFile that do not depend on the system; the rest is in
// exclusive_file_posix.cpp and exclusive_file_windows.cpp.
#include "platform/exclusive_file.h"

#include <algorithm>
#include <cstring>

namespace platform {

ExclusiveFile::ExclusiveFile(ExclusiveFile&& other) noexcept
    : handle_(other.handle_),
      memory_(other.memory_),
      in_memory_(other.in_memory_),
      last_error_(other.last_error_) {
  other.handle_ = -1;
  other.memory_ = {};
  other.in_memory_ = false;
}

ExclusiveFile& ExclusiveFile::operator=(ExclusiveFile&& other) noexcept {
  if (this != &other) {
    Close();
    handle_ = other.handle_;
    memory_ = other.memory_;
    in_memory_ = other.in_memory_;
    last_error_ = other.last_error_;
    other.handle_ = -1;
    other.memory_ = {};
    other.in_memory_ = false;
  }
  return *this;
}

std::optional<ExclusiveFile> ExclusiveFile::OpenRead(const std::string& path, bool* in_use) {
  OpenFailure failure;
  std::optional<ExclusiveFile> file = OpenRead(path, &failure);
  if (in_use != nullptr) *in_use = failure.in_use;
  return file;
}

ExclusiveFile ExclusiveFile::InMemory(std::string_view bytes) {
  ExclusiveFile file(-1);
  file.memory_ = bytes;
  file.in_memory_ = true;
  return file;
}

std::size_t ExclusiveFile::ReadMemory(std::uint64_t offset, void* buffer, std::size_t n) const {
  if (offset >= memory_.size()) return 0;
  const std::size_t got =
      static_cast<std::size_t>(std::min<std::uint64_t>(n, memory_.size() - offset));
  if (got > 0) std::memcpy(buffer, memory_.data() + offset, got);
  return got;
}

std::string ExclusiveFile::ErrorText() const {
  return last_error_ == 0 ? std::string() : SystemErrorText(last_error_);
}

ExclusiveFile::~ExclusiveFile() { Close(); }

}  // namespace platform
