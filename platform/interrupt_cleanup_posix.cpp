#include <signal.h>
#include <unistd.h>

#include <cstring>
#include <ctime>

#include "platform/interrupt_cleanup.h"
#include "platform/interrupt_system.h"

namespace platform {

bool PrepareRemoval(const std::string& path, char* storage, std::size_t size) noexcept {
  if (path.size() >= size) return false;
  std::memcpy(storage, path.c_str(), path.size() + 1);
  return true;
}

void RemoveFileNow(const char* prepared) noexcept { unlink(prepared); }

namespace {

extern "C" void OnInterrupt(int signal_number) {
  RemoveRegisteredFiles();
  _exit(signal_number == SIGINT ? kInterruptedBySigint : kInterruptedBySigterm);
}

}  // namespace

void InstallInterruptCleanup() {
  struct sigaction action {};
  action.sa_handler = OnInterrupt;
  sigemptyset(&action.sa_mask);
  // Both signals are blocked while the handler runs, so a second one cannot cut it short.
  sigaddset(&action.sa_mask, SIGINT);
  sigaddset(&action.sa_mask, SIGTERM);
  sigaction(SIGINT, &action, nullptr);
  sigaction(SIGTERM, &action, nullptr);
}

static_assert(sizeof(sigset_t) <= sizeof(interrupt_system::SavedMask), "room for the saved mask");

namespace interrupt_system {

void HoldSignals(SavedMask& saved) noexcept {
  sigset_t block;
  sigset_t old;
  sigemptyset(&block);
  sigaddset(&block, SIGINT);
  sigaddset(&block, SIGTERM);
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
