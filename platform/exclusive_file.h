#pragma once
// A file held against other programs. Files created or written here are held exclusively: while
// one ExclusiveFile has it open, another open of the same file (in this process or in another
// program that honours the lock) fails. Files opened only for reading are shared among readers
// and held against writers, so that runs side by side read the same tables.
// POSIX: an advisory flock(LOCK_EX | LOCK_NB), LOCK_SH for readers; Windows: share mode 0,
// FILE_SHARE_READ for readers.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "platform/file_identity.h"

namespace platform {

class ExclusiveFile {
 public:
  // Read-only, shared with other readers. nullopt when the file is missing, not a regular file
  // (a directory, a FIFO, a device: refused without blocking), unreadable or held by a writer;
  // `*in_use` (when given) says whether the refusal was because another holds it.
  static std::optional<ExclusiveFile> OpenRead(const std::string& path, bool* in_use = nullptr);
  // Why OpenRead refused a file, for a message that names the cause.
  struct OpenFailure {
    bool in_use = false;   // another holds it
    bool missing = false;  // no file of that name
    std::string reason;    // the system's text
  };
  static std::optional<ExclusiveFile> OpenRead(const std::string& path, OpenFailure* failure);
  // Creates the file or truncates an existing one, for reading and writing. nullopt when it cannot
  // be created or another holds it (an existing file held by another is left untouched).
  static std::optional<ExclusiveFile> CreateReadWrite(const std::string& path);
  // Creates a new file that did not exist (never replaces one, never through a link). nullopt
  // otherwise, with the system's reason in `*reason` when given.
  static std::optional<ExclusiveFile> CreateNew(const std::string& path,
                                                std::string* reason = nullptr);
  // CreateNew after removing a leftover of that name that no one holds (its lock can be taken);
  // a link of that name is removed itself, never its target. A file another holds is left
  // alone and the create fails.
  static std::optional<ExclusiveFile> CreateFresh(const std::string& path,
                                                  std::string* reason = nullptr);
  // CreateFresh for a file that lives only while it is open (the temporary index): on Windows
  // the system deletes it when the handle closes, even when the process is ended; on POSIX the
  // owner removes it (and registers it for removal on interruption).
  static std::optional<ExclusiveFile> CreateTemporary(const std::string& path,
                                                      std::string* reason = nullptr);
  // Read-only view of bytes in memory that behaves like an open file (the fuzz targets read
  // tables this way). `bytes` must outlive the object; it holds no lock and no handle.
  static ExclusiveFile InMemory(std::string_view bytes);

  ExclusiveFile(ExclusiveFile&& other) noexcept;
  ExclusiveFile& operator=(ExclusiveFile&& other) noexcept;
  ExclusiveFile(const ExclusiveFile&) = delete;
  ExclusiveFile& operator=(const ExclusiveFile&) = delete;
  ~ExclusiveFile();

  std::uint64_t Size() const;
  // Reads up to n bytes at offset; returns the bytes read, fewer only at the end of the file
  // (0 past it) or on a read error.
  std::size_t ReadAt(std::uint64_t offset, void* buffer, std::size_t n) const;
  // Writes all n bytes at offset; false on failure (ErrorText() then says why).
  bool WriteAt(std::uint64_t offset, const void* buffer, std::size_t n);
  // The system's reason for the last failed write ("No space left on device").
  std::string ErrorText() const;
  // The identity of the file open here, whatever its name has become since; nullopt for a file
  // in memory or one the system cannot examine.
  std::optional<FileIdentity> Identity() const;
  // Another handle on the file open here (sharing its lock), for a second reader of the very file
  // whatever its name has become; nullopt with the system's reason when none is to be had.
  std::optional<ExclusiveFile> Duplicate(std::string* reason = nullptr) const;
  // The size and last modification of the file open here: a file written in place while it is
  // read shows a change. nullopt when the system cannot examine it.
  struct Stamp {
    std::uint64_t size = 0;
    std::int64_t modified = 0;  // in the system's units
    bool operator==(const Stamp&) const = default;
  };
  std::optional<Stamp> CurrentStamp() const;
  void Close();

 private:
  explicit ExclusiveFile(std::intptr_t handle) : handle_(handle) {}
  std::size_t ReadMemory(std::uint64_t offset, void* buffer, std::size_t n) const;
  std::intptr_t handle_ = -1;
  std::string_view memory_;  // the bytes of an InMemory file
  bool in_memory_ = false;
  unsigned long last_error_ = 0;  // errno or GetLastError() of the last failed write
};

// Removes a leftover of a run that ended without removing it: a regular file of that name that no
// one holds (its lock can be taken), or a link of that name itself, never its target. True when
// nothing of that name is left in the way; false, with the system's reason in `*reason` when
// given, when another holds the file.
bool RemoveUnheldLeftover(const std::string& path, std::string* reason = nullptr);
// Deletes a file; false when it could not be deleted (the callers ignore it where allowed).
bool DeleteFile(const std::string& path);
// The system's folder for temporary files, ending with the path separator.
std::string TempFolder();
// The system's text for an error number (errno on POSIX, GetLastError() on Windows, whose text
// comes in UTF-8 like the paths).
std::string SystemErrorText(unsigned long code);

}  // namespace platform
