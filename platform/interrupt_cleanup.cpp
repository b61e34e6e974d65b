// The registry of files to remove on interruption, shared by the POSIX and Windows handlers.
#include "platform/interrupt_cleanup.h"

#include <atomic>
#include <cstring>
#include <utility>

namespace platform {

namespace {

enum SlotState : int { kFree = 0, kWriting = 1, kReady = 2 };

struct Slot {
  std::atomic<int> state{kFree};
  char path[RemoveOnInterrupt::kMaxPath] = {};
};

static_assert(std::atomic<int>::is_always_lock_free, "the handler reads the slots lock-free");

Slot g_slots[RemoveOnInterrupt::kMaxFiles];

}  // namespace

RemoveOnInterrupt::RemoveOnInterrupt(const std::string& path) {
  if (path.empty() || path.size() >= kMaxPath) return;
  for (int i = 0; i < kMaxFiles; ++i) {
    int expected = kFree;
    if (g_slots[i].state.compare_exchange_strong(expected, kWriting)) {
      std::memcpy(g_slots[i].path, path.c_str(), path.size() + 1);
      g_slots[i].state.store(kReady);
      slot_ = i;
      return;
    }
  }
}

RemoveOnInterrupt::~RemoveOnInterrupt() { Release(); }

RemoveOnInterrupt::RemoveOnInterrupt(RemoveOnInterrupt&& other) noexcept
    : slot_(std::exchange(other.slot_, -1)) {}

RemoveOnInterrupt& RemoveOnInterrupt::operator=(RemoveOnInterrupt&& other) noexcept {
  if (this != &other) {
    Release();
    slot_ = std::exchange(other.slot_, -1);
  }
  return *this;
}

void RemoveOnInterrupt::Release() {
  if (slot_ < 0) return;
  g_slots[slot_].state.store(kFree);
  slot_ = -1;
}

void RemoveRegisteredFiles() noexcept {
  for (Slot& slot : g_slots) {
    if (slot.state.load() == kReady) RemoveFileNow(slot.path);
  }
}

}  // namespace platform
