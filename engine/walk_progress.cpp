#include "engine/walk_progress.h"

#include <algorithm>
#include <exception>
#include <filesystem>
#include <system_error>
#include <utility>

#include "platform/system_path.h"

namespace engine {

WalkProgress::WalkProgress(RunHost& host, std::string phase, const tables::DbfTable& table)
    : host_(host), phase_(std::move(phase)), table_(table) {
  // The file's length, as the reader itself counts records by it; unknown (0) when it cannot be
  // asked, and then only the phase is shown. A progress figure never ends a run, so a path the
  // library cannot convert is only an unknown length.
  try {
    std::error_code error;
    const std::uintmax_t size =
        std::filesystem::file_size(platform::FileSystemPath(table.FileName()), error);
    if (!error) total_ = size;
  } catch (const std::exception&) {
  }
  host_.WalkProgress(phase_, 0, total_);
}

void WalkProgress::Tell() {
  if (table_.Eof()) {
    countdown_ = kEvery;
    return;
  }
  TellAt(table_.RecNo());
}

void WalkProgress::TellAt(std::uint32_t recno) {
  countdown_ = kEvery;
  const std::uint64_t done =
      std::uint64_t{table_.HeaderLength()} + std::uint64_t{recno} * table_.RecordLength();
  host_.WalkProgress(phase_, std::min(done, total_), total_);
}

}  // namespace engine
