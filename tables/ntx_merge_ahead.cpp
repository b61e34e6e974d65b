#include "tables/ntx_merge_ahead.h"

#include <cstring>
#include <new>

#include "tables/ntx_format.h"

namespace tables::ntx {

MergeAhead::MergeAhead(SortedRuns& runs, std::size_t read_budget)
    : runs_(runs), entry_size_(runs.key_size() + 4) {
  for (Block& block : blocks_) block.bytes.resize(kPairsPerBlock * entry_size_);
  thread_ = std::thread([this, read_budget] { Work(read_budget); });
}

MergeAhead::~MergeAhead() {
  {
    const std::lock_guard<std::mutex> lock(mutex_);
    stop_ = true;
  }
  freed_.notify_all();
  thread_.join();
}

void MergeAhead::Work(std::size_t read_budget) {
  bool more = true;
  bool failed = false;
  try {
    runs_.StartMerge(read_budget);
  } catch (const std::bad_alloc&) {
    more = false;
    failed = true;
  }
  for (std::uint64_t n = 0;; ++n) {
    {
      std::unique_lock<std::mutex> lock(mutex_);
      freed_.wait(lock, [&] { return stop_ || n - consumed_ < kBlocks; });
      if (stop_) return;
    }
    // The block is the thread's: the taker reads only blocks handed over and not yet taken.
    Block& block = blocks_[n % kBlocks];
    block.count = 0;
    const unsigned char* key = nullptr;
    std::uint32_t recno = 0;
    while (more && block.count < kPairsPerBlock) {
      more = runs_.Next(&key, &recno);
      if (!more) break;
      unsigned char* out = block.bytes.data() + block.count * entry_size_;
      std::memcpy(out, key, entry_size_ - 4);
      PutU32(out + entry_size_ - 4, recno);
      ++block.count;
    }
    block.last = !more;
    {
      const std::lock_guard<std::mutex> lock(mutex_);
      if (block.last) failed_ = failed || runs_.failed();
      produced_ = n + 1;
    }
    filled_.notify_one();
    if (block.last) return;
  }
}

bool MergeAhead::Next(const unsigned char** key, std::uint32_t* recno) {
  while (!ended_ && (reading_ == nullptr || at_ == reading_->count)) {
    std::unique_lock<std::mutex> lock(mutex_);
    if (reading_ != nullptr) {
      if (reading_->last) {
        ended_ = true;
        break;
      }
      ++consumed_;  // the block read to its end goes back to the merge
      freed_.notify_one();
    }
    filled_.wait(lock, [&] { return produced_ > consumed_; });
    reading_ = &blocks_[consumed_ % kBlocks];
    at_ = 0;
  }
  if (ended_) return false;
  const unsigned char* entry = reading_->bytes.data() + at_ * entry_size_;
  ++at_;
  *key = entry;
  *recno = GetU32(entry + entry_size_ - 4);
  return true;
}

}  // namespace tables::ntx
