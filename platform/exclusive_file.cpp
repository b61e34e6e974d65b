// The parts of ExclusiveFile that do not depend on the system; the rest is in
// exclusive_file_posix.cpp and exclusive_file_windows.cpp.
#include "platform/exclusive_file.h"

namespace platform {

ExclusiveFile::ExclusiveFile(ExclusiveFile&& other) noexcept : handle_(other.handle_) {
  other.handle_ = -1;
}

ExclusiveFile& ExclusiveFile::operator=(ExclusiveFile&& other) noexcept {
  if (this != &other) {
    Close();
    handle_ = other.handle_;
    other.handle_ = -1;
  }
  return *this;
}

ExclusiveFile::~ExclusiveFile() { Close(); }

}  // namespace platform
