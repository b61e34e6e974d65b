#pragma once
// Reads the next block of a file on a second thread while the caller works on the current one,
// so that a walk over millions of records overlaps the system's copying of the bytes with the
// checks. One request is in flight at a time; a block that is not the one asked for next is
// simply dropped.

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

#include "platform/exclusive_file.h"

namespace tables {

class ReadAhead {
 public:
  // `file` must outlive this object and stay open.
  explicit ReadAhead(const platform::ExclusiveFile& file);
  ~ReadAhead();  // waits for a read in flight, then ends the thread
  ReadAhead(const ReadAhead&) = delete;
  ReadAhead& operator=(const ReadAhead&) = delete;

  // Starts reading `bytes` at `offset` (the previous request, done or not, is dropped).
  void Request(std::uint64_t offset, std::size_t bytes);
  // When the request in flight is exactly (offset, bytes): waits for it, swaps its bytes into
  // `into` (resized to what was read) and returns the count read. Otherwise nullopt.
  std::optional<std::size_t> Take(std::uint64_t offset, std::size_t bytes, std::vector<char>& into);

 private:
  void Work();

  const platform::ExclusiveFile& file_;
  std::mutex mutex_;
  std::condition_variable changed_;
  std::vector<char> spare_;
  std::uint64_t offset_ = 0;
  std::size_t bytes_ = 0;
  std::size_t got_ = 0;
  bool pending_ = false;  // a request waits for the worker or is being read
  bool ready_ = false;    // the request's bytes are in spare_
  bool stop_ = false;
  std::thread worker_;
};

}  // namespace tables
