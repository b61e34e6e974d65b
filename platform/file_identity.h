#pragma once
// Which file a path names, by the system's identity of the file rather than by its name, so a
// second name, a hard link or a symbolic link to a file is recognised as that file. POSIX: the
// device and inode; Windows: the volume serial number and the file index.

#include <cstdint>
#include <optional>
#include <string>

namespace platform {

struct FileIdentity {
  std::uint64_t volume = 0;
  std::uint64_t file = 0;
  bool operator==(const FileIdentity&) const = default;
};

// The identity of the file `path` names, links followed; nullopt when it names nothing (or
// cannot be examined).
std::optional<FileIdentity> IdentityOf(const std::string& path);

// Whether the two paths name one file. A path that names nothing (an output not written yet)
// is the same as nothing.
bool SameFile(const std::string& a, const std::string& b);

// Whether writing to `a` and to `b` would write one file: the same text (SameName), the same
// existing file, or two names of one file not written yet (the same name in the same folder, the
// folder compared by identity; a symbolic link whose target does not exist yet names that target).
bool SameTarget(const std::string& a, const std::string& b);

// The path a chain of symbolic links finally names, a missing last target included (a relative
// link read from the link's folder); `path` itself when it is no link. At most 40 links are
// followed, as the system does.
std::string FinalTarget(const std::string& path);

// The identity of the file standard output (descriptor 1) writes to; nullopt when it has none.
std::optional<FileIdentity> StandardOutputIdentity();

// Whether writing to `path` writes where standard output does: "/dev/stdout", "/dev/fd/1", or
// standard output's file or terminal under any name. Never the null device, where two writers
// lose nothing.
bool IsStandardOutput(const std::string& path);

// Whether two names of entries in one folder name the same entry: the same bytes on POSIX; on
// Windows the same letters in any case ("R.JSON" and "r.json"), as the file system compares them.
bool SameName(const std::string& a, const std::string& b);

}  // namespace platform
