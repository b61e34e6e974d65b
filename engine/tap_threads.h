#pragma once
// The taps of a walk on threads of their own: the walk's thread copies each record it shows into
// a batch and hands full batches over, or hands over a span of records read already, buffer and
// all; every tap (the policy or claims keys, which sort, and the reconciliation's sums) takes
// every batch in file order on a thread of its own, while the walk goes on with the field checks.
// The taps need nothing of the field checks nor of each other, so the split changes no order: the
// findings, notices and "first" records all stay on the walk's side, and each tap sees every record
// in file order on its thread.
//
// Memory is bounded: at most kDepth full batches wait, each about kBatchBytes (or a chunk of
// the walk), and as many spares; a batch is reused once every tap took it.

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <exception>
#include <mutex>
#include <string_view>
#include <thread>
#include <vector>

#include "engine/walk_taps.h"

namespace engine {

class TapThreads {
 public:
  static constexpr std::size_t kBatchBytes = 256 * 1024;
  static constexpr std::size_t kDepth = 4;  // 8 (tried) gained nothing for 4 MiB more

  // `taps` outlive this object; every record handed over has `record_length` bytes.
  TapThreads(std::vector<RecordTap*> taps, std::size_t record_length);
  // Stops the threads without finishing the taps (a walk that ended in an error).
  ~TapThreads();
  TapThreads(const TapThreads&) = delete;
  TapThreads& operator=(const TapThreads&) = delete;

  // Called on the walk's thread for each record, in file order.
  void Add(std::uint32_t recno, std::string_view record) {
    current_.recnos.push_back(recno);
    current_.bytes.insert(current_.bytes.end(), record.begin(), record.end());
    if (current_.bytes.size() >= kBatchBytes) HandOver();
  }
  // Hands over records `first`.. of the file at once, without a copy: `bytes` holds them one
  // after the other, hidden ones included, and comes back holding a spare buffer of any size and
  // content; `recnos` are the records shown, ascending, the first `count` of them taken.
  void AddSpan(std::uint32_t first, std::vector<char>& bytes,
               const std::vector<std::uint32_t>& recnos, std::size_t count);
  // The walk reached the end of the file: waits until the taps took every record, then
  // finishes them. Raises what stopped a tap's thread (memory running out), if anything did.
  void Finish();

 private:
  struct Batch {
    std::vector<char> bytes;
    std::vector<std::uint32_t> recnos;
    // A span: record r lies at (r - first) records into bytes. Otherwise one after the other.
    bool span = false;
    std::uint32_t first = 0;
  };

  void HandOver();
  // Waits for room, queues `batch` and returns a spare one (or a fresh one).
  Batch Queue(Batch&& batch);
  void Work(std::size_t tap);
  void Stop();
  // The batches every tap is done with go back to the spares; true when there were any.
  // REQUIRES: mutex_ held.
  bool ReleaseTaken();

  std::vector<RecordTap*> taps_;
  std::size_t record_length_;
  Batch current_;  // filled by the walk's thread only
  std::mutex mutex_;
  std::condition_variable added_;  // a batch was handed over, or the end or an error came
  std::condition_variable freed_;  // every tap took the oldest batch, or an error came
  // Batches handed over and not yet taken by every tap; the front one is number first_ (element
  // references stay valid while batches are added at the back and removed at the front).
  std::deque<Batch> full_;
  std::uint64_t first_ = 0;
  std::vector<std::uint64_t> next_;  // per tap: the number of the batch it takes next
  std::vector<Batch> spare_;
  bool done_ = false;  // no more batches will come
  bool stop_ = false;  // give up at once
  std::exception_ptr error_;
  std::vector<std::thread> workers_;
};

}  // namespace engine
