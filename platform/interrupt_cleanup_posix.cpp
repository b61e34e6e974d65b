#include <signal.h>
#include <unistd.h>

#include <cstring>

#include "platform/interrupt_cleanup.h"

namespace platform {

void RemoveFileNow(const char* path) noexcept { unlink(path); }

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

static_assert(sizeof(sigset_t) <= sizeof(unsigned long long[16]), "room for the saved mask");

DeferInterrupts::DeferInterrupts() {
  sigset_t block;
  sigset_t old;
  sigemptyset(&block);
  sigaddset(&block, SIGINT);
  sigaddset(&block, SIGTERM);
  pthread_sigmask(SIG_BLOCK, &block, &old);
  std::memcpy(saved_, &old, sizeof old);
}

DeferInterrupts::~DeferInterrupts() {
  sigset_t old;
  std::memcpy(&old, saved_, sizeof old);
  pthread_sigmask(SIG_SETMASK, &old, nullptr);
}

}  // namespace platform
