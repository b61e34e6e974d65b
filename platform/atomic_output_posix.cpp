#include <dirent.h>
#include <fcntl.h>
#include <limits.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/atomic_output.h"
#include "platform/exclusive_file.h"
#include "platform/file_identity.h"
#include "platform/still_named_posix.h"
#include "platform/unique_name.h"

namespace platform {
namespace {

constexpr std::string_view kTempExtension = ".tmp";

std::string FolderOf(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

std::string NameOf(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

// The longest file name the folder takes.
std::size_t NameLimit(const std::string& folder) {
  const long limit = pathconf(folder.empty() ? "." : folder.c_str(), _PC_NAME_MAX);
  return limit > 0 ? static_cast<std::size_t>(limit) : std::size_t{NAME_MAX};
}

// Removes the temporary files of this output that killed runs left behind. A live run holds its
// own locked, so it is never touched.
void RemoveKilledRunsFiles(const std::string& folder, const std::string& stem) {
  DIR* dir = opendir(folder.empty() ? "." : folder.c_str());
  if (dir == nullptr) return;
  std::vector<std::string> leftovers;
  while (const dirent* entry = readdir(dir)) {
    if (IsUniqueName(entry->d_name, stem, kTempExtension)) leftovers.emplace_back(entry->d_name);
  }
  closedir(dir);
  for (const std::string& name : leftovers) RemoveUnheldLeftover(folder + name);
}

}  // namespace

std::optional<AtomicOutput> AtomicOutput::Create(const std::string& target, std::string* reason) {
  AtomicOutput out;
  out.final_ = FinalTarget(target);
  struct stat existing {};
  const bool replaces = stat(out.final_.c_str(), &existing) == 0;
  const std::string folder = FolderOf(out.final_);
  const std::string name = NameOf(out.final_);
  const std::size_t limit = NameLimit(folder);
  if (name.size() > limit) {  // refused now, not by the rename after the whole run
    if (reason != nullptr) *reason = SystemErrorText(ENAMETOOLONG);
    return std::nullopt;
  }
  const std::string stem(StemThatFits("." + name, kTempExtension, limit));
  RemoveKilledRunsFiles(folder, stem);
  for (int attempt = 0; attempt < 16; ++attempt) {
    const std::string temp = folder + UniqueName(stem, kTempExtension);
    const DeferInterrupts defer;  // created and registered as one step
    // 0666 lets the umask decide the mode of a new file, as for any file a program creates.
    const int fd = open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
    if (fd < 0) {
      if (errno == EEXIST) continue;
      break;
    }
    // Locked while it lives: what tells it from a killed run's file. A file another run took for
    // a leftover in the meantime is left to it.
    if (flock(fd, LOCK_EX | LOCK_NB) != 0 || !StillNamed(fd, temp)) {
      close(fd);
      continue;
    }
    out.handle_ = fd;
    out.temp_ = temp;
    out.on_interrupt_ = RemoveOnInterrupt(temp, fd);
    if (replaces && fchmod(fd, existing.st_mode & 07777) != 0) {
      if (reason != nullptr) *reason = SystemErrorText(static_cast<unsigned long>(errno));
      return std::nullopt;  // the destructor removes the temporary file
    }
    return out;
  }
  if (reason != nullptr) *reason = SystemErrorText(static_cast<unsigned long>(errno));
  return std::nullopt;
}

bool AtomicOutput::Write(std::string_view bytes) {
  if (handle_ == -1 || error_ != 0) return false;
  const int fd = static_cast<int>(handle_);
  written_ += bytes.size();
  while (!bytes.empty()) {
    const ssize_t put = write(fd, bytes.data(), bytes.size());
    if (put < 0 && errno == EINTR) continue;
    if (put <= 0) {
      error_ = static_cast<unsigned long>(put == 0 ? ENOSPC : errno);
      return false;
    }
    bytes.remove_prefix(static_cast<std::size_t>(put));
  }
#ifdef __linux__
  // Starts the disk writes of every 16 MiB as it is complete, without waiting for them: a large
  // output then reaches the disk while the run goes on. Commit()'s fsync still decides.
  constexpr std::uint64_t kStretch = 16 << 20;
  if (written_ - started_ >= kStretch) {
    sync_file_range(fd, static_cast<off_t>(started_), static_cast<off_t>(written_ - started_),
                    SYNC_FILE_RANGE_WRITE);
    started_ = written_;
  }
#endif
  return true;
}

unsigned long AtomicOutput::FinishFile() {
  const int fd = static_cast<int>(handle_);
  unsigned long error = 0;
  if (fsync(fd) != 0) error = static_cast<unsigned long>(errno);
  // Renamed while still open: when the rename fails (the folder was renamed meanwhile), the
  // cleanup still finds the file through its handle.
  if (error == 0 && rename(temp_.c_str(), final_.c_str()) != 0) {
    error = static_cast<unsigned long>(errno);
  }
  if (error != 0) return error;
  handle_ = -1;
  close(fd);  // the bytes reached the disk (fsync) and the file is in place: nothing left to fail
  return 0;
}

void AtomicOutput::CloseFile() {
  if (handle_ != -1) close(static_cast<int>(std::exchange(handle_, -1)));
}

}  // namespace platform
