#pragma once
// Writes blocks of bytes to a stream on a second thread, so that the system's copying of one
// block into the file overlaps with the making of the next (a failure list or an extract of
// hundreds of megabytes spends as much time there as in making its rows). One block is written
// at a time while the caller fills another; memory holds the two blocks only. The thread starts
// with the first block handed over, so a small output never starts one.
//
// The stream is the writer's alone from the first Write() until Wait() returns: nothing else may
// use it, nor a stream tied to it (std::cerr flushes std::cout), in between.

#include <condition_variable>
#include <cstddef>
#include <mutex>
#include <ostream>
#include <thread>

namespace outputs {

class BlockWriter {
 public:
  explicit BlockWriter(std::ostream& out);
  ~BlockWriter();  // waits for the block being written
  BlockWriter(const BlockWriter&) = delete;
  BlockWriter& operator=(const BlockWriter&) = delete;

  // Waits for the previous block, then starts writing `size` bytes at `block`, which must stay
  // untouched until the next Write() or Wait() returns.
  void Write(const char* block, std::size_t size);
  // Waits for the block being written. False when a write failed at any point.
  bool Wait();

 private:
  void Work();

  std::ostream& out_;
  std::mutex mutex_;
  std::condition_variable changed_;
  const char* block_ = nullptr;  // being written; null: none
  std::size_t size_ = 0;
  bool stop_ = false;
  bool failed_ = false;
  bool threaded_ = true;  // false once a thread could not be started: writes in the caller's
  std::thread thread_;
};

}  // namespace outputs
