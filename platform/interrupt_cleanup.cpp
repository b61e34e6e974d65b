// The registry of files to remove on interruption, shared by the POSIX and Windows handlers.
#include "platform/interrupt_cleanup.h"

#include <atomic>
#include <utility>

#include "platform/interrupt_system.h"

namespace platform {

namespace {

enum SlotState : int { kFree = 0, kWriting = 1, kReady = 2 };

struct Slot {
  std::atomic<int> state{kFree};
  std::intptr_t handle = -1;  // written before the state becomes kReady
  alignas(wchar_t) char path[RemoveOnInterrupt::kMaxPath] = {};  // as PrepareRemoval wrote it
};

static_assert(std::atomic<int>::is_always_lock_free, "the handler reads the slots lock-free");

Slot g_slots[RemoveOnInterrupt::kMaxFiles];

// Threads inside a DeferInterrupts section, and whether the cleanup has begun. Both are
// sequentially consistent, so either the entering thread sees the cleanup begun or the cleanup
// sees the thread inside and waits for it.
std::atomic<int> g_deferring{0};
std::atomic<bool> g_interrupted{false};
thread_local int t_depth = 0;  // this thread's nesting of sections
static_assert(std::atomic<bool>::is_always_lock_free, "the handler sets the flag lock-free");

}  // namespace

RemoveOnInterrupt::RemoveOnInterrupt(const std::string& path, std::intptr_t handle) {
  if (path.empty()) return;
  for (int i = 0; i < kMaxFiles; ++i) {
    int expected = kFree;
    if (g_slots[i].state.compare_exchange_strong(expected, kWriting)) {
      if (!PrepareRemoval(path, g_slots[i].path, kMaxPath)) {
        g_slots[i].state.store(kFree);
        return;
      }
      g_slots[i].handle = handle;
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

DeferInterrupts::DeferInterrupts() {
  interrupt_system::HoldSignals(saved_);
  if (t_depth++ > 0) return;
  g_deferring.fetch_add(1);
  if (g_interrupted.load()) {
    g_deferring.fetch_sub(1);
    interrupt_system::WaitForExit();
  }
}

DeferInterrupts::~DeferInterrupts() {
  if (--t_depth == 0) g_deferring.fetch_sub(1);
  interrupt_system::RestoreSignals(saved_);
}

void RemoveRegisteredFiles() noexcept {
  g_interrupted.store(true);
  while (g_deferring.load() > 0) interrupt_system::Nap();
  for (Slot& slot : g_slots) {
    if (slot.state.load() == kReady && !RemoveFileNow(slot.path, slot.handle)) {
      SayNotRemoved(slot.path);
    }
  }
}

}  // namespace platform
