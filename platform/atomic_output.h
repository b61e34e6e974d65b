#pragma once
// An output file that appears whole or not at all. The bytes go to a temporary file in the
// target's folder (for a symbolic link, the folder of the file it finally points to, so the
// link stays a link) and the temporary file is renamed over the target only on Commit(), after
// its bytes reached the disk. A failed write, a destruction without Commit() or an
// interruption (the file is registered with the interrupt cleanup) removes the temporary
// file and leaves any earlier file of the target's name as it was.
//
// The new file gets the mode of the file it replaces, or else 0666 less the umask (POSIX).

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "platform/interrupt_cleanup.h"

namespace platform {

class AtomicOutput {
 public:
  // Creates the temporary file for `target`; nullopt with the system's reason when it cannot.
  static std::optional<AtomicOutput> Create(const std::string& target, std::string* reason);

  AtomicOutput(AtomicOutput&& other) noexcept;
  AtomicOutput& operator=(AtomicOutput&& other) noexcept;
  AtomicOutput(const AtomicOutput&) = delete;
  AtomicOutput& operator=(const AtomicOutput&) = delete;
  ~AtomicOutput();  // without a successful Commit(): removes the temporary file

  // Appends bytes; false once any write failed (the reason then in ErrorText()).
  bool Write(std::string_view bytes);
  // Flushes to the disk and renames over the target; false with the reason in ErrorText() (the
  // temporary file is removed and the target left as it was).
  bool Commit();
  std::string ErrorText() const;

  const std::string& target() const { return final_; }    // the file that will be replaced
  const std::string& temp_path() const { return temp_; }  // where the bytes go meanwhile

 private:
  AtomicOutput() = default;
  void Discard();
  // The system's side: flush, close and rename over the target (0 or the error); close only.
  unsigned long FinishFile();
  void CloseFile();

  std::intptr_t handle_ = -1;
  // Bytes written, and those whose writing to the disk was started early (Linux): the flush
  // in Commit() then waits for the last stretch only, not for hundreds of megabytes at once.
  std::uint64_t written_ = 0;
  std::uint64_t started_ = 0;
  std::string final_;
  std::string temp_;
  unsigned long error_ = 0;
  RemoveOnInterrupt on_interrupt_;
};

}  // namespace platform
