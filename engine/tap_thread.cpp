#include "engine/tap_thread.h"

#include <utility>

namespace engine {

TapThread::TapThread(std::vector<RecordTap*> taps, std::size_t record_length)
    : taps_(std::move(taps)), record_length_(record_length) {
  current_.bytes.reserve(kBatchBytes + record_length_);
  worker_ = std::thread([this] { Work(); });
}

TapThread::~TapThread() { Stop(); }

void TapThread::Stop() {
  {
    const std::lock_guard<std::mutex> lock(mutex_);
    stop_ = true;
  }
  changed_.notify_all();
  if (worker_.joinable()) worker_.join();
}

void TapThread::HandOver() {
  Batch next;
  {
    std::unique_lock<std::mutex> lock(mutex_);
    changed_.wait(lock, [this] { return full_.size() < kDepth || error_ != nullptr; });
    if (error_ == nullptr) full_.push_back(std::move(current_));
    if (!spare_.empty()) {
      next = std::move(spare_.back());
      spare_.pop_back();
    }
  }
  changed_.notify_all();
  current_ = std::move(next);
  current_.bytes.clear();
  current_.recnos.clear();
  current_.bytes.reserve(kBatchBytes + record_length_);
}

void TapThread::Work() {
  for (;;) {
    Batch batch;
    {
      std::unique_lock<std::mutex> lock(mutex_);
      changed_.wait(lock, [this] { return stop_ || done_ || !full_.empty(); });
      if (stop_ || full_.empty()) return;  // stopped, or done with every batch taken
      batch = std::move(full_.front());
      full_.pop_front();
    }
    changed_.notify_all();
    try {
      const char* at = batch.bytes.data();
      for (const std::uint32_t recno : batch.recnos) {
        const std::string_view record(at, record_length_);
        for (RecordTap* tap : taps_) tap->Take(recno, record);
        at += record_length_;
      }
    } catch (...) {
      const std::lock_guard<std::mutex> lock(mutex_);
      error_ = std::current_exception();
      full_.clear();
      changed_.notify_all();
      return;
    }
    {
      const std::lock_guard<std::mutex> lock(mutex_);
      if (spare_.size() < 2) spare_.push_back(std::move(batch));
    }
  }
}

void TapThread::Finish() {
  if (!current_.recnos.empty()) HandOver();
  {
    const std::lock_guard<std::mutex> lock(mutex_);
    done_ = true;
  }
  changed_.notify_all();
  worker_.join();
  if (error_) std::rethrow_exception(error_);
  for (RecordTap* tap : taps_) tap->Finish();
}

}  // namespace engine
