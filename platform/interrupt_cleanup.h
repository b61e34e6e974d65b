#pragma once
// Files that must not outlive an interrupted run: the temporary index and the temporary
// outputs. When SIGINT, SIGTERM or SIGHUP (a closed terminal, a dropped remote session) ends the
// process (on Windows: a console break, closing the console, logging off or shutting down), the
// handler removes every file registered at that moment and ends the process with status 130
// (SIGINT, a console break), 129 (SIGHUP) or 143 (the others). A file that cannot be removed is
// named on standard error.
//
// The handler only unlinks paths copied in advance into fixed storage: no allocation, no lock,
// nothing a signal handler may not do. That storage is the one process-wide state here; a
// signal handler cannot reach anything else.

#include <cstddef>
#include <cstdint>
#include <string>

namespace platform {

// Installs the handlers; a front end calls it once at its start. Until then a signal ends the
// process the system's way and registered files stay behind. It also has a write past the size
// limit (`ulimit -f`) fail with its reason instead of ending the process (SIGXFSZ ignored).
void InstallInterruptCleanup();

inline constexpr int kInterruptedBySigint = 130;
inline constexpr int kInterruptedBySigterm = 143;
inline constexpr int kInterruptedBySighup = 129;

// Registers `path` for removal on interruption while the object lives (the owner still removes
// the file on the normal way out). Up to kMaxFiles files at once, each path prepared for the
// system within kMaxPath bytes (PrepareRemoval); a path beyond that goes unregistered and
// registered() says so.
class RemoveOnInterrupt {
 public:
  static constexpr int kMaxFiles = 16;
  static constexpr std::size_t kMaxPath = 4096;

  RemoveOnInterrupt() = default;
  // `handle`, when given, is the file's open handle: should the file's folder be renamed
  // meanwhile, the file is still found through it (Linux).
  explicit RemoveOnInterrupt(const std::string& path, std::intptr_t handle = -1);
  ~RemoveOnInterrupt();
  RemoveOnInterrupt(RemoveOnInterrupt&& other) noexcept;
  RemoveOnInterrupt& operator=(RemoveOnInterrupt&& other) noexcept;
  RemoveOnInterrupt(const RemoveOnInterrupt&) = delete;
  RemoveOnInterrupt& operator=(const RemoveOnInterrupt&) = delete;

  bool registered() const { return slot_ >= 0; }
  // Stops watching the file (it was renamed into place or removed already).
  void Release();

 private:
  int slot_ = -1;
};

// Makes the few steps between creating a file and registering it (or removing it and
// unregistering it) one step for the cleanup. The calling thread holds SIGINT and SIGTERM back
// (POSIX) and, since the interruption may be handled on another thread (any thread of the
// process on POSIX, a thread of its own on Windows), the cleanup waits until no thread is inside
// such a section before it removes the registered files; a thread that would enter one after
// the interruption waits for the process to end instead. Sections nest.
class DeferInterrupts {
 public:
  DeferInterrupts();
  ~DeferInterrupts();
  DeferInterrupts(const DeferInterrupts&) = delete;
  DeferInterrupts& operator=(const DeferInterrupts&) = delete;

 private:
  unsigned long long saved_[16] = {};  // the signal mask before (room for any sigset_t)
};

// Removes every registered file once no thread is inside a DeferInterrupts section, and keeps
// any thread from entering one after. Async-signal-safe; the handlers call it.
void RemoveRegisteredFiles() noexcept;
// Writes `path` into `storage` (`size` bytes, aligned for wchar_t) as RemoveFileNow takes it, per
// system: the bytes on POSIX, UTF-16 for the wide API on Windows, so the handler converts
// nothing. False, with nothing written, when it does not fit.
bool PrepareRemoval(const std::string& path, char* storage, std::size_t size) noexcept;
// Removes one file by a path PrepareRemoval prepared in advance; when nothing is found there and
// `handle` is the file's open handle, by the name the system now gives that handle (its folder
// was renamed; Linux). True when no such file is left. Async-signal-safe.
bool RemoveFileNow(const char* prepared, std::intptr_t handle = -1) noexcept;
// Says on standard error that the temporary file (as prepared) could not be removed:
// "aviso: o arquivo temporário PATH não pôde ser apagado". Async-signal-safe.
void SayNotRemoved(const char* prepared) noexcept;

}  // namespace platform
