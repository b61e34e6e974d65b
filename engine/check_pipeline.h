#pragma once
// The field checks of a walk on several threads. The walk's thread cuts the file into chunks of
// consecutive records; worker threads check them, any worker any chunk. A worker reads the
// chunk's records from the file itself, so that they come into its own core's cache and the walk's
// thread reads nothing, and writes what it met (failures, invalid-date notices, counters) into
// the chunk instead of telling anyone. The walk's thread then replays the chunks strictly in file
// order, so the findings, the notices and every "first" come out exactly as a single thread would
// tell them.
//
// Memory is bounded: at most InFlightLimit() chunks, each spanning about kChunkBytes of the
// file, exist at once, with their events.

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "engine/findings.h"
#include "engine/rule_set.h"

namespace engine {

// Something a worker met on one record that only the walk's thread may tell: a field check's
// failure, or the invalid-date notice of a field. Eight bytes, as a chunk may hold many.
// It also carries whether the record holds a NUL byte, so that the replay need not search it again.
class CheckEvent {
 public:
  static CheckEvent Failure(std::uint32_t index, int position, FindingCheck check, bool nul) {
    return {index, position, static_cast<std::uint8_t>(check), nul};
  }
  static CheckEvent Notice(std::uint32_t index, int position, bool nul) {
    return {index, position, kNotice, nul};
  }

  std::uint32_t index() const { return index_; }  // of the record in its chunk
  int position() const { return position_; }      // 0-based field index
  bool is_notice() const { return code_ == kNotice; }
  // REQUIRES: !is_notice().
  FindingCheck check() const { return static_cast<FindingCheck>(code_); }
  bool record_has_nul() const { return nul_ != 0; }

 private:
  static constexpr std::uint8_t kNotice = 0xFF;  // no check's code

  CheckEvent(std::uint32_t index, int position, std::uint8_t code, bool nul)
      : index_(index),
        position_(static_cast<std::uint16_t>(position)),
        code_(code),
        nul_(nul ? 1 : 0) {}

  std::uint32_t index_;
  std::uint16_t position_;
  std::uint8_t code_;
  std::uint8_t nul_;
};
static_assert(sizeof(CheckEvent) == 8);

struct CheckChunk {
  std::uint32_t first = 0;  // physical number of the chunk's first record
  std::uint32_t count = 0;  // records from `first` on, hidden ones included
  // Filled by the worker: those records one after the other (its size is kept between uses, so
  // that a read into it need not clear it first), and the numbers of the records shown, ascending,
  // up to the one where the checks stopped, if they did.
  std::vector<char> bytes;
  std::vector<std::uint32_t> recnos;
  std::vector<CheckEvent> events;  // in record order, then field order
  // The sink's part, which counted the chunk's failures (null: the sink offers none). It stays
  // with the chunk, to count its next use once it was merged.
  std::unique_ptr<ChunkPart> part;
  std::vector<RuleCountersAdded> counters;  // per rule of the file
  std::int64_t records_failed = 0;          // records with a field failure
  bool company_stop = false;  // the last of recnos is another company's: the walk stops there
  std::exception_ptr error;   // what stopped the checks of this chunk, at its last event
  bool done = false;          // guarded by the pipeline's mutex
};

class CheckPipeline {
 public:
  static constexpr std::size_t kChunkBytes = 256 * 1024;

  // Runs on a worker thread; `worker` (0..workers-1) tells which worker's state to use. Must not
  // throw: what stops it goes into the chunk's error.
  using Check = std::function<void(std::size_t worker, CheckChunk&)>;
  // Runs on the walk's thread, once per chunk, in file order; may throw (the walk ends). False
  // stops the walk there: the chunks after it are dropped unseen.
  using Replay = std::function<bool(CheckChunk&)>;

  // Makes the part of a chunk first used (see ChunkPart), on the walk's thread.
  using NewPart = std::function<std::unique_ptr<ChunkPart>()>;

  CheckPipeline(std::size_t workers, Check check, Replay replay, NewPart new_part = {});
  // Stops the workers; chunks not yet replayed are dropped (a walk that ended in an error).
  ~CheckPipeline();
  CheckPipeline(const CheckPipeline&) = delete;
  CheckPipeline& operator=(const CheckPipeline&) = delete;

  // Called on the walk's thread for each chunk, in file order: records first.. (count of them).
  // Replays the chunks that are done, and waits for one when too many are on their way.
  void Add(std::uint32_t first, std::uint32_t count);
  // Every chunk added so far checked and replayed. Nothing more once a replay threw or stopped
  // the walk: what came after it is never told.
  void Drain();
  // A replay stopped the walk.
  bool stopped() const { return ended_; }

 private:
  // Two chunks beyond one per worker keep every worker busy while the oldest is replayed; more
  // (tried: two per worker and four more) only touched more memory: 18 % more page faults.
  std::size_t InFlightLimit() const { return workers_.size() + 2; }

  // Has the workers leave and joins them.
  void StopWorkers();
  // Waits until the oldest chunk on its way is checked, then replays it.
  void ReplayFront();
  std::unique_ptr<CheckChunk> FreshChunk();
  void Work(std::size_t worker);

  Check check_;
  Replay replay_;
  NewPart new_part_;
  std::deque<std::unique_ptr<CheckChunk>> in_flight_;  // file order; walk's thread only
  std::vector<std::unique_ptr<CheckChunk>> spare_;     // walk's thread only
  std::mutex mutex_;
  std::condition_variable queued_;  // a chunk waits for a worker, or stop
  std::condition_variable done_;    // a chunk was checked
  std::deque<CheckChunk*> queue_;
  bool stop_ = false;
  bool ended_ = false;  // a replay threw or stopped the walk; walk's thread only
  std::vector<std::thread> workers_;
};

}  // namespace engine
