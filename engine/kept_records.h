#pragma once
// Whole records set aside during a walk in a scratch file, in the order taken, and read back in
// that order: a phase that tells findings about records the walk met (the inverted coverages)
// then reads them in one pass instead of one read of the input file per record, which for tens
// of thousands of records far apart costs more than the rest of the telling.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/exclusive_file.h"

namespace engine {

class KeptRecords {
 public:
  // Null when no scratch file can be made: the records are then read from the input again.
  static std::unique_ptr<KeptRecords> Start(std::size_t record_length,
                                            const std::string& fallback_folder);

  // Sets a record of record_length bytes aside; once a write failed nothing more is kept.
  void Add(std::string_view record);
  // The last records written; false when any write failed (what was kept is of no use then).
  bool Finish();
  std::uint64_t count() const { return count_; }

  // Reading back, from the first record on, in the order added: the next record's bytes, valid
  // until the next call, or null at the end or when the file could not be read.
  const char* Next();

 private:
  KeptRecords(platform::ExclusiveFile file, std::size_t record_length);
  bool Flush();

  static constexpr std::size_t kBlockBytes = 256 * 1024;

  platform::ExclusiveFile file_;
  std::size_t record_length_;
  std::vector<char> block_;  // records being written, or read back
  std::size_t used_ = 0;     // writing: bytes in block_; reading: the next record's offset
  std::size_t held_ = 0;     // reading: bytes in block_
  std::uint64_t written_ = 0;
  std::uint64_t read_ = 0;  // file bytes read back so far
  std::uint64_t count_ = 0;
  bool failed_ = false;
  bool reading_ = false;
};

}  // namespace engine
