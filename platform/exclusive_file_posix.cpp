#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

#include "platform/exclusive_file.h"

namespace platform {
namespace {

int AsFd(std::intptr_t handle) { return static_cast<int>(handle); }

// Locks an open descriptor or closes it. A directory opens read-only on POSIX, so it is
// refused here as it would be by the other platform.
bool LockOrClose(int fd) {
  struct stat st {};
  if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || flock(fd, LOCK_EX | LOCK_NB) != 0) {
    close(fd);
    return false;
  }
  return true;
}

}  // namespace

std::optional<ExclusiveFile> ExclusiveFile::OpenRead(const std::string& path) {
  int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0 || !LockOrClose(fd)) return std::nullopt;
  return ExclusiveFile(fd);
}

std::optional<ExclusiveFile> ExclusiveFile::CreateReadWrite(const std::string& path) {
  // Open without truncating first, so that a file another run holds is left intact.
  int fd = open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
  if (fd < 0 || !LockOrClose(fd)) return std::nullopt;
  if (ftruncate(fd, 0) != 0) {
    close(fd);
    return std::nullopt;
  }
  return ExclusiveFile(fd);
}

std::optional<ExclusiveFile> ExclusiveFile::CreateNew(const std::string& path) {
  int fd = open(path.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
  if (fd < 0 || !LockOrClose(fd)) return std::nullopt;
  return ExclusiveFile(fd);
}

std::uint64_t ExclusiveFile::Size() const {
  struct stat st {};
  if (handle_ < 0 || fstat(AsFd(handle_), &st) != 0 || st.st_size < 0) return 0;
  return static_cast<std::uint64_t>(st.st_size);
}

std::size_t ExclusiveFile::ReadAt(std::uint64_t offset, void* buffer, std::size_t n) const {
  std::size_t done = 0;
  auto* out = static_cast<char*>(buffer);
  while (done < n) {
    ssize_t got = pread(AsFd(handle_), out + done, n - done, static_cast<off_t>(offset + done));
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) break;
    done += static_cast<std::size_t>(got);
  }
  return done;
}

bool ExclusiveFile::WriteAt(std::uint64_t offset, const void* buffer, std::size_t n) {
  std::size_t done = 0;
  const auto* in = static_cast<const char*>(buffer);
  while (done < n) {
    ssize_t put = pwrite(AsFd(handle_), in + done, n - done, static_cast<off_t>(offset + done));
    if (put < 0 && errno == EINTR) continue;
    if (put <= 0) return false;
    done += static_cast<std::size_t>(put);
  }
  return true;
}

void ExclusiveFile::Close() {
  if (handle_ >= 0) {
    close(AsFd(handle_));  // releases the flock as well
    handle_ = -1;
  }
}

bool DeleteFile(const std::string& path) { return unlink(path.c_str()) == 0; }

std::string TempFolder() {
  const char* dir = std::getenv("TMPDIR");
  std::string folder = (dir != nullptr && *dir != '\0') ? dir : "/tmp";
  if (folder.back() != '/') folder += '/';
  return folder;
}

}  // namespace platform
