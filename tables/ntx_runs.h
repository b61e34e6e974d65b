#pragma once
// The sort of an index build in bounded memory: (key, record number) pairs are collected in
// batches of a fixed byte budget; each full batch is sorted and written as a run into a scratch
// area of the index file; at the end the runs are merged back in key order. A build whose pairs
// fit in one batch writes no run at all.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "platform/exclusive_file.h"

namespace tables::ntx {

class SortedRuns {
 public:
  // Runs are written from `area_start` on. `batch_budget` bytes hold budget / (key_size + 8)
  // pairs per batch (65,536 bytes and 26-byte keys: 1,927 pairs).
  SortedRuns(platform::ExclusiveFile& file, std::uint64_t area_start, std::size_t key_size,
             std::size_t batch_budget);

  // `key` is exactly key_size bytes. False when a full batch could not be written.
  bool Add(const unsigned char* key, std::uint32_t recno);
  // Ends the collection. False when the last run could not be written.
  bool Finish();

  std::size_t key_size() const { return key_size_; }
  std::uint64_t count() const { return count_; }
  std::size_t batch_capacity() const { return capacity_; }
  std::size_t run_count() const { return run_ends_.size(); }
  // The first byte after the runs written (area_start when none was written).
  std::uint64_t area_end() const { return area_end_; }

  // Merging: every pair once, in ascending order of key, then of record number. The read buffers
  // of all runs share `read_budget` bytes. May start again from the first pair (a build that
  // failed in one place and is tried in another). REQUIRES: Finish() succeeded.
  void StartMerge(std::size_t read_budget);
  // False at the end or when a run could not be read back (then failed() is true). The key
  // stays valid until the next call.
  bool Next(const unsigned char** key, std::uint32_t* recno);
  bool failed() const { return failed_; }

 private:
  struct Cursor {
    std::uint64_t pos = 0;  // next byte of the run in the file
    std::uint64_t end = 0;
    unsigned char* buf = nullptr;  // in merge_memory_, or sorted_ when nothing was written
    std::size_t capacity = 0;
    std::size_t at = 0;
    std::size_t len = 0;
  };

  std::size_t EntrySize() const { return key_size_ + 4; }
  bool Less(const unsigned char* a, const unsigned char* b) const;
  struct Prefixed {
    std::uint64_t bytes;  // eight key bytes, or the record number once the keys tie
    std::uint32_t index;
  };
  void SortBatch();
  void SortRest();
  void SortFrom(Prefixed* first, Prefixed* last, std::size_t from);
  bool WriteBatch();
  bool Fill(Cursor& cursor);
  const unsigned char* Head(std::size_t cursor) const;
  // Merge tree: whether run a's next pair comes before run b's (a used-up run comes last).
  bool Beats(std::size_t a, std::size_t b) const;
  void Replay(std::size_t run);
  // Whether `run`, the winner, still comes before runner_up_ with its next pair.
  bool StillAhead(std::size_t run) const;
  // The run whose head comes next after the winner's: kNobody when there is no other run.
  std::size_t RunnerUp(std::size_t winner) const;

  static constexpr std::size_t kSentinel = static_cast<std::size_t>(-1);
  static constexpr std::size_t kNobody = kSentinel - 1;

  platform::ExclusiveFile& file_;
  std::size_t key_size_;
  std::size_t capacity_;
  std::uint64_t count_ = 0;
  std::uint64_t area_start_;
  std::uint64_t area_end_;
  std::vector<std::uint64_t> run_ends_;  // run i spans [end of run i-1 or start, run_ends_[i])

  std::vector<unsigned char> batch_;  // entries: key bytes then the record number, little-endian
  std::size_t batch_count_ = 0;
  std::vector<std::uint32_t> order_;  // sorting: the batch's ascending chain
  std::vector<std::uint32_t> rest_;   // and the pairs out of it
  std::vector<Prefixed> prefixed_;    // sorting the rest
  std::vector<unsigned char> sorted_;

  std::vector<Cursor> cursors_;
  std::unique_ptr<unsigned char[]> merge_memory_;
  std::size_t merge_capacity_ = 0;
  std::vector<std::size_t> tree_;
  std::vector<unsigned char> current_;
  std::size_t runner_up_ = kSentinel;  // kSentinel when not known (the tree decides)
  bool failed_ = false;
};

}  // namespace tables::ntx
