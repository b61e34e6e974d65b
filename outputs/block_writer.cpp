#include "outputs/block_writer.h"

#include <system_error>

namespace outputs {

BlockWriter::BlockWriter(std::ostream& out) : out_(out) {}

BlockWriter::~BlockWriter() {
  if (!thread_.joinable()) return;
  {
    const std::lock_guard lock(mutex_);
    stop_ = true;
  }
  changed_.notify_all();
  thread_.join();
}

void BlockWriter::Write(const char* block, std::size_t size) {
  if (!threaded_) {
    if (!failed_ && size > 0) {
      out_.write(block, static_cast<std::streamsize>(size));
      if (!out_) failed_ = true;
    }
    return;
  }
  std::unique_lock lock(mutex_);
  changed_.wait(lock, [&] { return block_ == nullptr; });
  block_ = block;
  size_ = size;
  lock.unlock();
  if (!thread_.joinable()) {
    try {
      thread_ = std::thread([this] { Work(); });
    } catch (const std::system_error&) {
      threaded_ = false;  // no thread to be had: this block and the next in the caller's
      lock.lock();
      block_ = nullptr;
      lock.unlock();
      Write(block, size);
      return;
    }
  }
  changed_.notify_all();
}

bool BlockWriter::Wait() {
  std::unique_lock lock(mutex_);
  changed_.wait(lock, [&] { return block_ == nullptr; });
  return !failed_;
}

void BlockWriter::Work() {
  std::unique_lock lock(mutex_);
  for (;;) {
    changed_.wait(lock, [&] { return block_ != nullptr || stop_; });
    if (block_ == nullptr) return;  // stopped with nothing left to write
    const char* block = block_;
    const std::size_t size = size_;
    bool failed = failed_;
    lock.unlock();
    if (!failed) {
      out_.write(block, static_cast<std::streamsize>(size));
      failed = !out_;
    }
    lock.lock();
    failed_ = failed;
    block_ = nullptr;
    changed_.notify_all();
  }
}

}  // namespace outputs
