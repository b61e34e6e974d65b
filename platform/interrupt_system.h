#pragma once
// What the interrupt cleanup asks of each system; used only by platform/interrupt_cleanup*.

namespace platform::interrupt_system {

using SavedMask = unsigned long long[16];  // room for any sigset_t

// Holds SIGINT and SIGTERM back for the calling thread and saves its mask (POSIX); Windows
// delivers console events on a thread of their own, so there it does nothing.
void HoldSignals(SavedMask& saved) noexcept;
void RestoreSignals(const SavedMask& saved) noexcept;

// Sleeps about a millisecond. Async-signal-safe.
void Nap() noexcept;

// Parks the calling thread until the process ends.
[[noreturn]] void WaitForExit() noexcept;

}  // namespace platform::interrupt_system
