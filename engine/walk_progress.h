#pragma once
// Tells the host how far a record walk has come (RunHost::WalkProgress), in bytes of the file:
// once when the walk starts, every kEvery records and once at its end. A step costs a countdown,
// so the hot loops keep their speed.

#include <cstdint>
#include <string>
#include <string_view>

#include "engine/run_host.h"
#include "tables/dbf_table.h"

namespace engine {

class WalkProgress {
 public:
  static constexpr std::uint32_t kEvery = 4096;

  // `table` is open; `phase` in Windows-1252. Tells the start at once.
  WalkProgress(RunHost& host, std::string phase, const tables::DbfTable& table);
  WalkProgress(const WalkProgress&) = delete;
  WalkProgress& operator=(const WalkProgress&) = delete;

  // Once per record walked, while the table is on it.
  void Step() {
    if (--countdown_ == 0) Tell();
  }
  // `records` records walked at once, the last of them record `recno` (a walk whose records
  // the table is not moved to).
  void Advance(std::uint32_t records, std::uint32_t recno) {
    if (records < countdown_) {
      countdown_ -= records;
    } else {
      TellAt(recno);
    }
  }
  // The walk reached the end of the file.
  void Done() { host_.WalkProgress(phase_, total_, total_); }

 private:
  void Tell();
  void TellAt(std::uint32_t recno);

  RunHost& host_;
  std::string phase_;
  const tables::DbfTable& table_;
  std::uint64_t total_ = 0;
  std::uint32_t countdown_ = kEvery;
};

}  // namespace engine
