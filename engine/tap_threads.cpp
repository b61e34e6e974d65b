#include "engine/tap_threads.h"

#include <algorithm>
#include <utility>

namespace engine {

TapThreads::TapThreads(std::vector<RecordTap*> taps, std::size_t record_length)
    : taps_(std::move(taps)), record_length_(record_length), next_(taps_.size(), 0) {
  current_.bytes.reserve(kBatchBytes + record_length_);
  workers_.reserve(taps_.size());
  try {
    for (std::size_t t = 0; t < taps_.size(); ++t) workers_.emplace_back([this, t] { Work(t); });
  } catch (...) {
    Stop();  // a thread the system refused: the ones started end before the error leaves
    throw;
  }
}

TapThreads::~TapThreads() { Stop(); }

void TapThreads::Stop() {
  {
    const std::lock_guard<std::mutex> lock(mutex_);
    stop_ = true;
  }
  added_.notify_all();
  for (std::thread& worker : workers_) {
    if (worker.joinable()) worker.join();
  }
}

TapThreads::Batch TapThreads::Queue(Batch&& batch) {
  Batch next;
  {
    std::unique_lock<std::mutex> lock(mutex_);
    freed_.wait(lock, [this] { return full_.size() < kDepth || error_ != nullptr; });
    if (error_ == nullptr) full_.push_back(std::move(batch));
    if (!spare_.empty()) {
      next = std::move(spare_.back());
      spare_.pop_back();
    }
  }
  added_.notify_all();
  return next;
}

void TapThreads::HandOver() {
  current_ = Queue(std::move(current_));
  current_.span = false;
  current_.bytes.clear();
  current_.recnos.clear();
  current_.bytes.reserve(kBatchBytes + record_length_);
}

void TapThreads::AddSpan(std::uint32_t first, std::vector<char>& bytes,
                         const std::vector<std::uint32_t>& recnos, std::size_t count) {
  if (!current_.recnos.empty()) HandOver();  // the records added one by one come first
  if (count == 0) return;
  Batch batch;
  batch.span = true;
  batch.first = first;
  batch.recnos.assign(recnos.begin(), recnos.begin() + static_cast<std::ptrdiff_t>(count));
  batch.bytes.swap(bytes);
  Batch spare = Queue(std::move(batch));
  bytes.swap(spare.bytes);  // its size stays: the next read into it need not clear it first
}

bool TapThreads::ReleaseTaken() {
  const std::uint64_t slowest = *std::min_element(next_.begin(), next_.end());
  bool released = false;
  while (first_ < slowest && !full_.empty()) {
    // Kept for the walk: with spans handed over, a buffer freed here would be allocated and
    // cleared again for the next chunk read.
    if (spare_.size() < kDepth) spare_.push_back(std::move(full_.front()));
    full_.pop_front();
    ++first_;
    released = true;
  }
  return released;
}

void TapThreads::Work(std::size_t tap) {
  RecordTap& taker = *taps_[tap];
  for (;;) {
    const Batch* batch = nullptr;
    {
      std::unique_lock<std::mutex> lock(mutex_);
      added_.wait(lock, [&] {
        return stop_ || error_ != nullptr || done_ || next_[tap] < first_ + full_.size();
      });
      if (stop_ || error_ != nullptr) return;
      if (next_[tap] == first_ + full_.size()) return;  // done with every batch
      batch = &full_[static_cast<std::size_t>(next_[tap] - first_)];
    }
    try {
      if (batch->span) {
        for (const std::uint32_t recno : batch->recnos) {
          const char* at = batch->bytes.data() + std::size_t{recno - batch->first} * record_length_;
          taker.Take(recno, std::string_view(at, record_length_));
        }
      } else {
        const char* at = batch->bytes.data();
        for (const std::uint32_t recno : batch->recnos) {
          taker.Take(recno, std::string_view(at, record_length_));
          at += record_length_;
        }
      }
    } catch (...) {
      const std::lock_guard<std::mutex> lock(mutex_);
      if (error_ == nullptr) error_ = std::current_exception();
      added_.notify_all();
      freed_.notify_all();
      return;
    }
    bool released = false;
    {
      const std::lock_guard<std::mutex> lock(mutex_);
      ++next_[tap];
      released = ReleaseTaken();
    }
    if (released) freed_.notify_one();  // only the walk's thread waits for room
  }
}

void TapThreads::Finish() {
  if (!current_.recnos.empty()) HandOver();
  {
    const std::lock_guard<std::mutex> lock(mutex_);
    done_ = true;
  }
  added_.notify_all();
  for (std::thread& worker : workers_) worker.join();
  if (error_) std::rethrow_exception(error_);
  for (RecordTap* tap : taps_) tap->Finish();
}

}  // namespace engine
