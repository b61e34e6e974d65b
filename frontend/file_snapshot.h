#pragma once
// What a file looked like when a run read it: its size and modification time. The panel compares
// the snapshot the run took with the file now before it reads a record, so that it never shows
// a record of a file that changed since the failure list was made. The window takes it right
// after the run, which holds its inputs so that no writer changes them while it reads.

#include <cstdint>
#include <optional>
#include <string>

namespace frontend {

struct FileSnapshot {
  std::uint64_t size = 0;
  std::int64_t modified = 0;  // the file system's time stamp, in its own ticks
  bool operator==(const FileSnapshot&) const = default;
};

// nullopt when the file does not exist or cannot be examined.
std::optional<FileSnapshot> TakeSnapshot(const std::string& path);

}  // namespace frontend
