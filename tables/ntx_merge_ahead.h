#pragma once
// The merge of sorted runs on a thread of its own, handed over in blocks of pairs: whoever takes
// the pairs (the join of the claims' texts with a finished index, which reads the index's pages
// meanwhile) works while the next ones are merged, instead of doing both on one thread.

#include <array>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <thread>
#include <vector>

#include "tables/ntx_runs.h"

namespace tables::ntx {

class MergeAhead {
 public:
  // Starts the merge of `runs` (see SortedRuns::StartMerge); `runs` is the thread's until this
  // object goes.
  MergeAhead(SortedRuns& runs, std::size_t read_budget);
  // Stops the merge, taken to its end or not.
  ~MergeAhead();
  MergeAhead(const MergeAhead&) = delete;
  MergeAhead& operator=(const MergeAhead&) = delete;

  // As SortedRuns::Next: the pairs in the same order; the key stays valid until the next call.
  bool Next(const unsigned char** key, std::uint32_t* recno);
  // A run could not be read back (or the merge's memory ran out). Meaningful once Next() has
  // returned false.
  bool failed() const { return failed_; }

 private:
  // Blocks of pairs, key bytes then the record number as SortedRuns keeps them; with one block
  // on each side and two more, neither thread waits for the other's every step.
  static constexpr std::size_t kBlocks = 4;
  static constexpr std::size_t kPairsPerBlock = 2048;

  struct Block {
    std::vector<unsigned char> bytes;
    std::size_t count = 0;
    bool last = false;  // the merge ended after this block's pairs
  };

  void Work(std::size_t read_budget);

  SortedRuns& runs_;
  std::size_t entry_size_;
  std::array<Block, kBlocks> blocks_;
  std::mutex mutex_;
  std::condition_variable filled_;  // a block was handed over
  std::condition_variable freed_;   // a block was taken, or stop
  std::uint64_t produced_ = 0;      // blocks handed over; guarded by mutex_
  std::uint64_t consumed_ = 0;      // blocks taken; guarded by mutex_
  bool stop_ = false;               // guarded by mutex_
  bool failed_ = false;             // written by the thread before its last block
  // The taker's side: the block being read and the next pair in it.
  const Block* reading_ = nullptr;
  std::size_t at_ = 0;
  bool ended_ = false;
  std::thread thread_;  // last: started once everything above is ready
};

}  // namespace tables::ntx
