#include "tables/read_ahead.h"

#include <utility>

namespace tables {

ReadAhead::ReadAhead(const platform::ExclusiveFile& file) : file_(file) {
  worker_ = std::thread([this] { Work(); });
}

ReadAhead::~ReadAhead() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    stop_ = true;
  }
  changed_.notify_all();
  worker_.join();
}

void ReadAhead::Request(std::uint64_t offset, std::size_t bytes) {
  std::unique_lock<std::mutex> lock(mutex_);
  // The spare buffer may be in the worker's hands: let a read in flight finish first.
  changed_.wait(lock, [this] { return !pending_ || ready_; });
  offset_ = offset;
  bytes_ = bytes;
  got_ = 0;
  pending_ = true;
  ready_ = false;
  lock.unlock();
  changed_.notify_all();
}

std::optional<std::size_t> ReadAhead::Take(std::uint64_t offset, std::size_t bytes,
                                           std::vector<char>& into) {
  std::unique_lock<std::mutex> lock(mutex_);
  if (!pending_ || offset != offset_ || bytes != bytes_) return std::nullopt;
  changed_.wait(lock, [this] { return ready_; });
  pending_ = false;
  ready_ = false;
  spare_.resize(got_);
  std::swap(spare_, into);
  return got_;
}

void ReadAhead::Work() {
  std::unique_lock<std::mutex> lock(mutex_);
  for (;;) {
    changed_.wait(lock, [this] { return stop_ || (pending_ && !ready_); });
    if (stop_) return;
    const std::uint64_t offset = offset_;
    const std::size_t bytes = bytes_;
    std::vector<char> buffer = std::move(spare_);
    lock.unlock();
    if (buffer.size() < bytes) buffer.resize(bytes);
    const std::size_t got = file_.ReadAt(offset, buffer.data(), bytes);
    lock.lock();
    spare_ = std::move(buffer);
    got_ = got;
    ready_ = true;
    changed_.notify_all();
  }
}

}  // namespace tables
