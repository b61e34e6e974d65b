// DbfTable::VisitInOrder: the records read ahead on a thread of their own.

#include <algorithm>
#include <array>
#include <condition_variable>
#include <cstring>
#include <exception>
#include <mutex>
#include <thread>

#include "tables/dbf_table.h"

namespace tables {
namespace {

// Records handed over at a time, and batches on their way: the reads run this far ahead.
constexpr std::size_t kBatchRecords = 256;
constexpr std::size_t kBatches = 3;
// Records this close after the one before are read with it in one call, up to a span of
// kSpanBytes: a call costs about as much as copying a few KiB.
constexpr std::size_t kCloseBytes = 4 * 1024;
constexpr std::size_t kSpanBytes = 64 * 1024;

struct Batch {
  std::vector<std::uint32_t> recnos;
  std::vector<char> bytes;  // record i at i * record length
  std::vector<char> read;   // record i was read whole
  bool last = false;        // no records after this batch's
};

class ReadAheadVisit {
 public:
  ReadAheadVisit(const DbfTable& table, const DbfTable::RecordNumbers& records)
      : table_(table), length_(table.RecordLength()) {
    thread_ = std::thread([this, &records] { Produce(records); });
  }
  ~ReadAheadVisit() {
    {
      const std::lock_guard<std::mutex> lock(mutex_);
      stop_ = true;
    }
    freed_.notify_all();
    thread_.join();
  }
  ReadAheadVisit(const ReadAheadVisit&) = delete;
  ReadAheadVisit& operator=(const ReadAheadVisit&) = delete;

  // The next batch read, or null after the last; the one before goes back to be filled again.
  // Raises what stopped the reading thread.
  const Batch* Next() {
    std::unique_lock<std::mutex> lock(mutex_);
    if (taking_) {
      if (batches_[consumed_ % kBatches].last) return nullptr;
      ++consumed_;
      freed_.notify_one();
    }
    filled_.wait(lock, [&] { return produced_ > consumed_ || error_; });
    if (produced_ == consumed_ && error_) std::rethrow_exception(error_);
    taking_ = true;
    return &batches_[consumed_ % kBatches];
  }

 private:
  void Produce(const DbfTable::RecordNumbers& records) {
    try {
      records([this](std::uint32_t recno) {
        if (current_ == nullptr && !Start()) return;  // stopped: the rest are not read
        current_->recnos.push_back(recno);
        if (current_->recnos.size() == kBatchRecords) HandOver(false);
      });
      if (current_ != nullptr || Start()) HandOver(true);
    } catch (...) {
      const std::lock_guard<std::mutex> lock(mutex_);
      error_ = std::current_exception();
      filled_.notify_one();
    }
  }

  // A batch to fill, once the taker has done with it; false when stopped.
  bool Start() {
    std::unique_lock<std::mutex> lock(mutex_);
    freed_.wait(lock, [&] { return stop_ || produced_ - consumed_ < kBatches; });
    if (stop_) return false;
    current_ = &batches_[produced_ % kBatches];
    current_->recnos.clear();
    return true;
  }

  void HandOver(bool last) {
    Read(*current_);
    current_->last = last;
    {
      const std::lock_guard<std::mutex> lock(mutex_);
      ++produced_;
    }
    filled_.notify_one();
    current_ = nullptr;
  }

  void Read(Batch& batch) {
    const std::size_t n = batch.recnos.size();
    batch.bytes.resize(n * length_);
    batch.read.assign(n, 0);
    if (length_ == 0) return;
    const std::uint64_t close = std::max<std::size_t>(1, kCloseBytes / length_);
    const std::uint64_t span_limit = std::max<std::size_t>(1, kSpanBytes / length_);
    for (std::size_t i = 0; i < n;) {
      // Records i..j-1 read with one call when each lies close after the one before.
      std::size_t j = i + 1;
      const std::uint32_t first = batch.recnos[i];
      while (j < n && batch.recnos[j] > batch.recnos[j - 1] &&
             batch.recnos[j] - batch.recnos[j - 1] <= close &&
             batch.recnos[j] - first < span_limit) {
        ++j;
      }
      const std::size_t count = batch.recnos[j - 1] - first + 1;
      if (j == i + 1) {
        batch.read[i] = table_.ReadRecordsAt(first, 1, batch.bytes.data() + i * length_) == 1;
      } else {
        span_.resize(count * length_);
        const std::size_t got = table_.ReadRecordsAt(first, count, span_.data());
        for (std::size_t k = i; k < j; ++k) {
          const std::size_t at = batch.recnos[k] - first;
          if (at < got) {
            std::memcpy(batch.bytes.data() + k * length_, span_.data() + at * length_, length_);
            batch.read[k] = 1;
          }
        }
      }
      i = j;
    }
  }

  const DbfTable& table_;
  std::size_t length_;
  std::array<Batch, kBatches> batches_;
  std::vector<char> span_;    // the reading thread's
  Batch* current_ = nullptr;  // the reading thread's
  bool taking_ = false;       // the taker's: it holds batch consumed_
  std::mutex mutex_;
  std::condition_variable filled_;
  std::condition_variable freed_;
  std::uint64_t produced_ = 0;  // guarded by mutex_
  std::uint64_t consumed_ = 0;  // guarded by mutex_
  bool stop_ = false;           // guarded by mutex_
  std::exception_ptr error_;    // guarded by mutex_
  std::thread thread_;          // last: started once the rest is ready
};

}  // namespace

void DbfTable::VisitInOrder(const RecordNumbers& records,
                            const std::function<void(std::uint32_t)>& visit) {
  if (!IsOpen()) return;
  ReadAheadVisit reads(*this, records);
  // At Eof when the visits end, however they end: the records lie in the batches.
  struct AtEof {
    Cursor& cursor;
    ~AtEof() {
      cursor.record = nullptr;
      cursor.block_end = nullptr;
    }
  } const at_eof{cursor_};
  const std::size_t length = RecordLength();
  for (const Batch* batch = reads.Next(); batch != nullptr; batch = reads.Next()) {
    for (std::size_t i = 0; i < batch->recnos.size(); ++i) {
      // As GoTo() leaves the table: on the record, or at Eof when it could not be read.
      cursor_.record = batch->read[i] ? batch->bytes.data() + i * length : nullptr;
      cursor_.block_end = cursor_.record == nullptr ? nullptr : cursor_.record + length;
      cursor_.recno = batch->recnos[i];
      visit(batch->recnos[i]);
    }
  }
}

}  // namespace tables
