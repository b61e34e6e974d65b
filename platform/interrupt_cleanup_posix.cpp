#include <errno.h>
#include <limits.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <ctime>

#include "platform/interrupt_cleanup.h"
#include "platform/interrupt_system.h"

namespace platform {

namespace {

constexpr int kCleanedSignals[] = {SIGINT, SIGTERM, SIGHUP};

void AddCleanedSignals(sigset_t* set) {
  for (const int signal_number : kCleanedSignals) sigaddset(set, signal_number);
}

void WriteAll(const char* text, std::size_t n) noexcept {
  while (n > 0) {
    const ssize_t put = write(STDERR_FILENO, text, n);
    if (put <= 0) return;
    text += put;
    n -= static_cast<std::size_t>(put);
  }
}

// The name the system now gives the file open as `fd` ("/proc/self/fd/N" read back): where a
// file is after its folder was renamed. False when it has none (removed, or no /proc).
bool CurrentName(int fd, char* name, std::size_t size) noexcept {
#ifdef __linux__
  char link[32] = "/proc/self/fd/";
  char digits[16];
  int n = 0;
  for (unsigned value = static_cast<unsigned>(fd); n == 0 || value > 0; value /= 10) {
    digits[n++] = static_cast<char>('0' + value % 10);
  }
  std::size_t at = std::strlen(link);
  while (n > 0) link[at++] = digits[--n];
  link[at] = '\0';
  const ssize_t got = readlink(link, name, size - 1);
  if (got <= 0 || name[0] != '/') return false;
  name[got] = '\0';
  constexpr char kDeleted[] = " (deleted)";
  const std::size_t tail = sizeof kDeleted - 1;
  return !(static_cast<std::size_t>(got) >= tail &&
           std::memcmp(name + got - tail, kDeleted, tail) == 0);
#else
  (void)fd;
  (void)name;
  (void)size;
  return false;
#endif
}

extern "C" void OnInterrupt(int signal_number) {
  RemoveRegisteredFiles();
  _exit(signal_number == SIGINT   ? kInterruptedBySigint
        : signal_number == SIGHUP ? kInterruptedBySighup
                                  : kInterruptedBySigterm);
}

}  // namespace

bool PrepareRemoval(const std::string& path, char* storage, std::size_t size) noexcept {
  if (path.size() >= size) return false;
  std::memcpy(storage, path.c_str(), path.size() + 1);
  return true;
}

bool RemoveFileNow(const char* path, std::intptr_t handle) noexcept {
  if (unlink(path) == 0) return true;
  if (errno != ENOENT) return false;
  if (handle < 0) return true;  // nothing of that name, and no other way to find it
  const int fd = static_cast<int>(handle);
  char name[PATH_MAX];
  if (!CurrentName(fd, name, sizeof name)) return true;  // no longer named: gone
  struct stat mine {};
  struct stat named {};
  // Only the very file open here, never another that took its new name meanwhile.
  if (fstat(fd, &mine) != 0 || lstat(name, &named) != 0 || mine.st_ino != named.st_ino ||
      mine.st_dev != named.st_dev) {
    return false;
  }
  return unlink(name) == 0;
}

void SayNotRemoved(const char* path) noexcept {
  constexpr char kBefore[] = "aviso: o arquivo temporário ";
  constexpr char kAfter[] = " não pôde ser apagado\n";
  WriteAll(kBefore, sizeof kBefore - 1);
  WriteAll(path, std::strlen(path));
  WriteAll(kAfter, sizeof kAfter - 1);
}

void InstallInterruptCleanup() {
  struct sigaction action {};
  action.sa_handler = OnInterrupt;
  sigemptyset(&action.sa_mask);
  // The signals are blocked while the handler runs, so a second one cannot cut it short.
  AddCleanedSignals(&action.sa_mask);
  for (const int signal_number : kCleanedSignals) sigaction(signal_number, &action, nullptr);
  // A write past the file size limit then fails with EFBIG, told and cleaned up as any other.
  signal(SIGXFSZ, SIG_IGN);
}

static_assert(sizeof(sigset_t) <= sizeof(interrupt_system::SavedMask), "room for the saved mask");

namespace interrupt_system {

void HoldSignals(SavedMask& saved) noexcept {
  sigset_t block;
  sigset_t old;
  sigemptyset(&block);
  AddCleanedSignals(&block);
  pthread_sigmask(SIG_BLOCK, &block, &old);
  std::memcpy(saved, &old, sizeof old);
}

void RestoreSignals(const SavedMask& saved) noexcept {
  sigset_t old;
  std::memcpy(&old, saved, sizeof old);
  pthread_sigmask(SIG_SETMASK, &old, nullptr);
}

void Nap() noexcept {
  const timespec millisecond{0, 1000000};
  nanosleep(&millisecond, nullptr);
}

void WaitForExit() noexcept {
  for (;;) pause();
}

}  // namespace interrupt_system

}  // namespace platform
