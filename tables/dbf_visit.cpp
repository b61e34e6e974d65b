// DbfTable::VisitInOrder, the records read ahead on threads of their own, and ShowRecord.

#include <algorithm>
#include <array>
#include <condition_variable>
#include <cstring>
#include <exception>
#include <mutex>
#include <thread>
#include <vector>

#include "tables/dbf_format.h"
#include "tables/dbf_table.h"

namespace tables {
namespace {

// Records handed over at a time, and batches on their way: the reads run this far ahead.
constexpr std::size_t kBatchRecords = 256;
constexpr std::size_t kBatches = 6;
// Threads reading batches, each its own: records far apart cost a call each, and two calls go
// on at once on two cores.
constexpr int kReaders = 2;

struct Batch {
  std::vector<std::uint32_t> recnos;
  std::vector<char> bytes;  // record i at i * record length
  std::vector<char> read;   // record i was read whole
  bool last = false;        // no records after this batch's
  bool ready = false;       // read; guarded by the visit's mutex
};

class ReadAheadVisit {
 public:
  ReadAheadVisit(const DbfTable& table, const DbfTable::RecordNumbers& records)
      : table_(table), length_(table.RecordLength()) {
    try {
      for (int r = 0; r < kReaders; ++r) threads_.emplace_back([this] { ReadBatches(); });
      threads_.emplace_back([this, &records] { List(records); });
    } catch (...) {
      Stop();  // a thread the system refused: the ones started end before the error leaves
      throw;
    }
  }
  ~ReadAheadVisit() { Stop(); }
  ReadAheadVisit(const ReadAheadVisit&) = delete;
  ReadAheadVisit& operator=(const ReadAheadVisit&) = delete;

  void Stop() {
    {
      const std::lock_guard<std::mutex> lock(mutex_);
      stop_ = true;
    }
    changed_.notify_all();
    for (std::thread& t : threads_) t.join();
    threads_.clear();
  }

  // The next batch read, or null after the last; the one before goes back to be filled again.
  // Raises what stopped the listing.
  const Batch* Next() {
    std::unique_lock<std::mutex> lock(mutex_);
    if (taking_) {
      if (batches_[consumed_ % kBatches].last) return nullptr;
      ++consumed_;
      changed_.notify_all();
    }
    changed_.wait(lock, [&] {
      return (listed_ > consumed_ && batches_[consumed_ % kBatches].ready) ||
             (listed_ == consumed_ && error_);
    });
    if (listed_ == consumed_) std::rethrow_exception(error_);
    taking_ = true;
    return &batches_[consumed_ % kBatches];
  }

 private:
  // The listing thread: the numbers into batches, each handed to the readers when full.
  void List(const DbfTable::RecordNumbers& records) {
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
      changed_.notify_all();
    }
  }

  // A batch to fill, once the taker has done with it; false when stopped.
  bool Start() {
    std::unique_lock<std::mutex> lock(mutex_);
    changed_.wait(lock, [&] { return stop_ || listed_ - consumed_ < kBatches; });
    if (stop_) return false;
    current_ = &batches_[listed_ % kBatches];
    current_->recnos.clear();
    return true;
  }

  void HandOver(bool last) {
    current_->last = last;
    {
      const std::lock_guard<std::mutex> lock(mutex_);
      current_->ready = false;
      ++listed_;
    }
    changed_.notify_all();
    current_ = nullptr;
  }

  // A reader: the batches listed and not yet taken by a reader, in order.
  void ReadBatches() {
    std::vector<char> span;
    for (;;) {
      Batch* batch = nullptr;
      {
        std::unique_lock<std::mutex> lock(mutex_);
        changed_.wait(lock, [&] { return stop_ || claimed_ < listed_; });
        if (stop_) return;
        batch = &batches_[claimed_++ % kBatches];
      }
      Read(*batch, span);
      {
        const std::lock_guard<std::mutex> lock(mutex_);
        batch->ready = true;
      }
      changed_.notify_all();
    }
  }

  void Read(Batch& batch, std::vector<char>& span) const {
    const std::size_t n = batch.recnos.size();
    batch.bytes.resize(n * length_);
    batch.read.assign(n, 0);
    if (length_ == 0) return;
    const std::uint64_t close = std::max<std::size_t>(1, dbf::kCloseBytes / length_);
    const std::uint64_t span_limit = std::max<std::size_t>(1, dbf::kCloseSpanBytes / length_);
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
        span.resize(count * length_);
        const std::size_t got = table_.ReadRecordsAt(first, count, span.data());
        for (std::size_t k = i; k < j; ++k) {
          const std::size_t at = batch.recnos[k] - first;
          if (at < got) {
            std::memcpy(batch.bytes.data() + k * length_, span.data() + at * length_, length_);
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
  Batch* current_ = nullptr;  // the listing thread's
  bool taking_ = false;       // the taker's: it holds batch consumed_
  std::mutex mutex_;
  std::condition_variable changed_;  // a batch listed, read or taken, an error, or stop
  // Batches listed, taken by a reader, and taken by the visits; guarded by mutex_.
  std::uint64_t listed_ = 0;
  std::uint64_t claimed_ = 0;
  std::uint64_t consumed_ = 0;
  bool stop_ = false;                 // guarded by mutex_
  std::exception_ptr error_;          // guarded by mutex_
  std::vector<std::thread> threads_;  // last: started once the rest is ready
};

}  // namespace

void DbfTable::ShowRecord(std::uint32_t recno, const char* bytes) {
  cursor_.record = bytes;
  cursor_.block_end = bytes == nullptr ? nullptr : bytes + cursor_.record_length;
  cursor_.recno = recno;
}

void DbfTable::VisitInOrder(const RecordNumbers& records,
                            const std::function<void(std::uint32_t)>& visit, bool read_ahead) {
  if (!IsOpen()) return;
  if (!read_ahead) {
    records([&](std::uint32_t recno) {
      GoTo(recno);
      visit(recno);
    });
    return;
  }
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
      ShowRecord(batch->recnos[i], batch->read[i] ? batch->bytes.data() + i * length : nullptr);
      visit(batch->recnos[i]);
    }
  }
}

}  // namespace tables
