#include "engine/kept_records.h"

#include <algorithm>
#include <cstring>
#include <optional>
#include <utility>

#include "engine/scratch_file.h"

namespace engine {

std::unique_ptr<KeptRecords> KeptRecords::Start(std::size_t record_length,
                                                const std::string& fallback_folder) {
  if (record_length == 0 || record_length > kBlockBytes) return nullptr;
  std::optional<platform::ExclusiveFile> file = CreateScratchFile("registros", fallback_folder);
  if (!file) return nullptr;
  return std::unique_ptr<KeptRecords>(new KeptRecords(std::move(*file), record_length));
}

KeptRecords::KeptRecords(platform::ExclusiveFile file, std::size_t record_length)
    : file_(std::move(file)), record_length_(record_length) {}

void KeptRecords::Add(std::string_view record) {
  if (failed_ || reading_ || record.size() != record_length_) {
    failed_ = true;
    return;
  }
  if (block_.size() < kBlockBytes) block_.resize(kBlockBytes);
  if (used_ + record_length_ > block_.size() && !Flush()) return;
  std::memcpy(block_.data() + used_, record.data(), record_length_);
  used_ += record_length_;
  ++count_;
}

bool KeptRecords::Flush() {
  if (used_ > 0 && !file_.WriteAt(written_, block_.data(), used_)) failed_ = true;
  written_ += used_;
  used_ = 0;
  return !failed_;
}

bool KeptRecords::Finish() { return Flush(); }

const char* KeptRecords::Next() {
  if (failed_) return nullptr;
  if (!reading_) {
    reading_ = true;
    used_ = 0;
    held_ = 0;
  }
  if (used_ + record_length_ > held_) {
    // The next block of whole records, read in one call.
    if (read_ >= written_) return nullptr;
    const std::size_t want = static_cast<std::size_t>(
        std::min<std::uint64_t>(written_ - read_, block_.size() / record_length_ * record_length_));
    held_ = file_.ReadAt(read_, block_.data(), want);
    read_ += held_;
    used_ = 0;
    if (held_ < record_length_) {
      failed_ = true;
      return nullptr;
    }
  }
  const char* record = block_.data() + used_;
  used_ += record_length_;
  return record;
}

}  // namespace engine
