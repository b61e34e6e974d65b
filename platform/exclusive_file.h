#pragma once
// A file held with exclusive sharing: while one ExclusiveFile has it open, another open of the
// same file (in this process or in another program that honours the lock) fails.
// POSIX: an advisory flock(LOCK_EX | LOCK_NB); Windows: share mode 0.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

namespace platform {

class ExclusiveFile {
 public:
  // Read-only. nullopt when the file is missing, a directory, unreadable or held by another.
  static std::optional<ExclusiveFile> OpenRead(const std::string& path);
  // Creates the file or truncates an existing one, for reading and writing. nullopt when it cannot
  // be created or another holds it (an existing file held by another is left untouched).
  static std::optional<ExclusiveFile> CreateReadWrite(const std::string& path);
  // Creates a new file that did not exist (never replaces one). nullopt otherwise.
  static std::optional<ExclusiveFile> CreateNew(const std::string& path);

  ExclusiveFile(ExclusiveFile&& other) noexcept;
  ExclusiveFile& operator=(ExclusiveFile&& other) noexcept;
  ExclusiveFile(const ExclusiveFile&) = delete;
  ExclusiveFile& operator=(const ExclusiveFile&) = delete;
  ~ExclusiveFile();

  std::uint64_t Size() const;
  // Reads up to n bytes at offset; returns the bytes read, fewer only at the end of the file
  // (0 past it) or on a read error.
  std::size_t ReadAt(std::uint64_t offset, void* buffer, std::size_t n) const;
  // Writes all n bytes at offset; false on failure.
  bool WriteAt(std::uint64_t offset, const void* buffer, std::size_t n);
  void Close();

 private:
  explicit ExclusiveFile(std::intptr_t handle) : handle_(handle) {}
  std::intptr_t handle_ = -1;
};

// Deletes a file; false when it could not be deleted (the callers ignore it where allowed).
bool DeleteFile(const std::string& path);
// The system's folder for temporary files, ending with the path separator.
std::string TempFolder();

}  // namespace platform
