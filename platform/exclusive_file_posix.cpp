#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "platform/exclusive_file.h"
#include "platform/path_separator.h"
#include "platform/still_named_posix.h"

namespace platform {
namespace {

int AsFd(std::intptr_t handle) { return static_cast<int>(handle); }

void SetReason(std::string* reason, int code) {
  if (reason != nullptr) *reason = SystemErrorText(static_cast<unsigned long>(code));
}

// Locks an open descriptor (`lock` is LOCK_EX or LOCK_SH) or closes it, saying why in `*failure`
// (in_use when the lock is refused because another holds the file). Only regular files pass: a
// directory opens read-only on POSIX and a FIFO or device would block on the first read, so both
// are refused here as the other platform refuses them. The open was non-blocking so that a FIFO
// got this far at once.
bool LockOrClose(int fd, int lock = LOCK_EX, ExclusiveFile::OpenFailure* failure = nullptr) {
  struct stat st {};
  if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    if (failure != nullptr) {
      failure->reason = S_ISDIR(st.st_mode) ? std::strerror(EISDIR) : "not a regular file";
    }
    close(fd);
    return false;
  }
  if (flock(fd, lock | LOCK_NB) != 0) {
    if (failure != nullptr) {
      failure->in_use = errno == EWOULDBLOCK;
      failure->reason = std::strerror(errno);
    }
    close(fd);
    return false;
  }
  const int flags = fcntl(fd, F_GETFL);
  if (flags >= 0) fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
  return true;
}

}  // namespace

std::optional<ExclusiveFile> ExclusiveFile::OpenRead(const std::string& path,
                                                     OpenFailure* failure) {
  *failure = OpenFailure{};
  int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
  if (fd < 0) {
    failure->missing = errno == ENOENT;
    failure->reason = std::strerror(errno);
    return std::nullopt;
  }
  if (!LockOrClose(fd, LOCK_SH, failure)) return std::nullopt;
  return ExclusiveFile(fd);
}

std::optional<ExclusiveFile> ExclusiveFile::CreateReadWrite(const std::string& path) {
  // Open without truncating first, so that a file another run holds is left intact.
  int fd = open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NONBLOCK | O_NOCTTY, 0644);
  if (fd < 0 || !LockOrClose(fd)) return std::nullopt;
  if (ftruncate(fd, 0) != 0) {
    close(fd);
    return std::nullopt;
  }
  return ExclusiveFile(fd);
}

std::optional<ExclusiveFile> ExclusiveFile::CreateNew(const std::string& path,
                                                      std::string* reason) {
  int fd = open(path.c_str(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
  if (fd < 0) {
    SetReason(reason, errno);
    return std::nullopt;
  }
  if (!LockOrClose(fd)) {  // another took the lock between create and lock
    SetReason(reason, EWOULDBLOCK);
    return std::nullopt;
  }
  if (!StillNamed(fd, path)) {
    close(fd);
    SetReason(reason, EWOULDBLOCK);
    return std::nullopt;
  }
  return ExclusiveFile(fd);
}

bool RemoveUnheldLeftover(const std::string& path, std::string* reason) {
  struct stat st {};
  if (lstat(path.c_str(), &st) != 0) return true;
  if (S_ISLNK(st.st_mode)) {
    unlink(path.c_str());  // the link itself; its target is never opened
    return true;
  }
  if (!S_ISREG(st.st_mode)) return true;  // a directory makes a create fail
  const int fd = open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return true;
  const bool free = flock(fd, LOCK_EX | LOCK_NB) == 0;
  const int code = errno;
  // Only while the name is still the file locked: another may have removed that one and
  // created a file of the same name since this open.
  if (free && StillNamed(fd, path)) unlink(path.c_str());
  close(fd);
  if (!free) SetReason(reason, code);
  return free;
}

std::optional<ExclusiveFile> ExclusiveFile::CreateFresh(const std::string& path,
                                                        std::string* reason) {
  if (!RemoveUnheldLeftover(path, reason)) return std::nullopt;
  return CreateNew(path, reason);
}

std::optional<ExclusiveFile> ExclusiveFile::CreateTemporary(const std::string& path,
                                                            std::string* reason) {
  return CreateFresh(path, reason);
}

std::uint64_t ExclusiveFile::Size() const {
  if (in_memory_) return memory_.size();
  struct stat st {};
  if (handle_ < 0 || fstat(AsFd(handle_), &st) != 0 || st.st_size < 0) return 0;
  return static_cast<std::uint64_t>(st.st_size);
}

std::optional<FileIdentity> ExclusiveFile::Identity() const {
  struct stat st {};
  if (in_memory_ || handle_ < 0 || fstat(AsFd(handle_), &st) != 0) return std::nullopt;
  return FileIdentity{static_cast<std::uint64_t>(st.st_dev), static_cast<std::uint64_t>(st.st_ino)};
}

std::optional<ExclusiveFile> ExclusiveFile::Duplicate(std::string* reason) const {
  if (in_memory_) return InMemory(memory_);
  const int fd = handle_ < 0 ? -1 : fcntl(AsFd(handle_), F_DUPFD_CLOEXEC, 0);
  if (fd < 0) {
    SetReason(reason, handle_ < 0 ? EBADF : errno);
    return std::nullopt;
  }
  return ExclusiveFile(fd);
}

std::optional<ExclusiveFile::Stamp> ExclusiveFile::CurrentStamp() const {
  if (in_memory_) return Stamp{memory_.size(), 0};
  struct stat st {};
  if (handle_ < 0 || fstat(AsFd(handle_), &st) != 0 || st.st_size < 0) return std::nullopt;
  return Stamp{static_cast<std::uint64_t>(st.st_size),
               static_cast<std::int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec};
}

std::size_t ExclusiveFile::ReadAt(std::uint64_t offset, void* buffer, std::size_t n) const {
  if (in_memory_) return ReadMemory(offset, buffer, n);
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
  if (in_memory_) {
    last_error_ = EBADF;
    return false;
  }
  std::size_t done = 0;
  const auto* in = static_cast<const char*>(buffer);
  while (done < n) {
    ssize_t put = pwrite(AsFd(handle_), in + done, n - done, static_cast<off_t>(offset + done));
    if (put < 0 && errno == EINTR) continue;
    if (put <= 0) {
      last_error_ = static_cast<unsigned long>(put == 0 ? ENOSPC : errno);
      return false;
    }
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
  return WithTrailingSeparator((dir != nullptr && *dir != '\0') ? dir : "/tmp");
}

std::string SystemErrorText(unsigned long code) { return std::strerror(static_cast<int>(code)); }

}  // namespace platform
