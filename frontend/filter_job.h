#pragma once
// Filtering off the caller's thread: one worker that runs the newest request. A request made
// while another runs cancels it (its answer is never given), so typing in the search box never
// queues up passes. The window hands the answer to its own thread (a posted message or a queued
// call) from the callback.

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

#include "frontend/failure_filter.h"
#include "frontend/failure_keys.h"

namespace frontend {

class FilterJob {
 public:
  // Called on the worker thread with the request's ticket and what its pass found.
  using Done = std::function<void(std::uint64_t ticket, FilterAnswer answer)>;

  // `keys` must outlive the job.
  FilterJob(const FailureKeys& keys, Done done);
  // Cancels the running pass and waits for the worker; no callback comes after it returns.
  ~FilterJob();
  FilterJob(const FilterJob&) = delete;
  FilterJob& operator=(const FilterJob&) = delete;

  // Starts a pass for `filter`, superseding every earlier request, and returns its ticket
  // (increasing from 1). The callback comes only for the newest request; one may still arrive
  // for a request superseded while its callback was being made, so compare the ticket with the
  // last one Request() returned.
  std::uint64_t Request(FailureFilter filter);

 private:
  void Work();

  const FailureKeys& keys_;
  Done done_;
  std::mutex mutex_;
  std::condition_variable wake_;
  std::optional<FailureFilter> pending_;
  std::uint64_t latest_ = 0;  // guarded by mutex_
  bool stopping_ = false;
  std::thread worker_;
};

}  // namespace frontend
