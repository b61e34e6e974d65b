#pragma once
// The second core of a walk: the walk's thread copies each record it shows into a batch and
// hands full batches to a thread of their own that gives them to the file's taps (the policy and
// claims keys, which sort, and the reconciliation's sums), while the walk's thread goes on with
// the field checks. The taps need nothing of the field checks, nor the field checks of them, so
// the split changes no order: the findings, notices and "first" records all stay on the walk's
// thread, in file order, and the taps see every record in file order on theirs.
//
// Memory is bounded: at most kDepth full batches wait, each about kBatchBytes.

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <exception>
#include <mutex>
#include <string_view>
#include <thread>
#include <vector>

#include "engine/walk_carry.h"

namespace engine {

class TapThread {
 public:
  static constexpr std::size_t kBatchBytes = 256 * 1024;
  static constexpr std::size_t kDepth = 8;

  // `taps` outlive this object; every record handed over has `record_length` bytes.
  TapThread(std::vector<RecordTap*> taps, std::size_t record_length);
  // Stops the thread without finishing the taps (a walk that ended in an error).
  ~TapThread();
  TapThread(const TapThread&) = delete;
  TapThread& operator=(const TapThread&) = delete;

  // Called on the walk's thread for each record, in file order.
  void Add(std::uint32_t recno, std::string_view record) {
    current_.recnos.push_back(recno);
    current_.bytes.insert(current_.bytes.end(), record.begin(), record.end());
    if (current_.bytes.size() >= kBatchBytes) HandOver();
  }
  // The walk reached the end of the file: waits until the taps took every record, then
  // finishes them. Raises what stopped the thread (memory running out), if anything did.
  void Finish();

 private:
  struct Batch {
    std::vector<char> bytes;
    std::vector<std::uint32_t> recnos;
  };

  void HandOver();
  void Work();
  void Stop();

  std::vector<RecordTap*> taps_;
  std::size_t record_length_;
  Batch current_;  // filled by the walk's thread only
  std::mutex mutex_;
  std::condition_variable changed_;
  std::deque<Batch> full_;
  std::vector<Batch> spare_;
  bool done_ = false;  // no more batches will come
  bool stop_ = false;  // give up at once
  std::exception_ptr error_;
  std::thread worker_;
};

}  // namespace engine
