#include "engine/check_pipeline.h"

#include <utility>

namespace engine {

CheckPipeline::CheckPipeline(std::size_t workers, Check check, Replay replay, NewPart new_part)
    : check_(std::move(check)), replay_(std::move(replay)), new_part_(std::move(new_part)) {
  if (workers == 0) workers = 1;
  workers_.reserve(workers);
  try {
    for (std::size_t w = 0; w < workers; ++w) workers_.emplace_back([this, w] { Work(w); });
  } catch (...) {
    StopWorkers();  // a thread the system refused: the ones started end before the error leaves
    throw;
  }
}

CheckPipeline::~CheckPipeline() { StopWorkers(); }

void CheckPipeline::StopWorkers() {
  {
    const std::lock_guard<std::mutex> lock(mutex_);
    stop_ = true;
  }
  queued_.notify_all();
  for (std::thread& worker : workers_) worker.join();
  workers_.clear();
}

std::unique_ptr<CheckChunk> CheckPipeline::FreshChunk() {
  std::unique_ptr<CheckChunk> chunk;
  if (spare_.empty()) {
    chunk = std::make_unique<CheckChunk>();
    if (new_part_) chunk->part = new_part_();
  } else {
    chunk = std::move(spare_.back());
    spare_.pop_back();
    chunk->recnos.clear();
    chunk->events.clear();
    chunk->counters.clear();
    chunk->company_stop = false;
    chunk->error = nullptr;
    chunk->done = false;
  }
  return chunk;
}

void CheckPipeline::Add(std::uint32_t first, std::uint32_t count) {
  if (ended_ || count == 0) return;  // the walk is ending: nothing more is checked
  std::unique_ptr<CheckChunk> chunk = FreshChunk();
  chunk->first = first;
  chunk->count = count;
  {
    const std::lock_guard<std::mutex> lock(mutex_);
    queue_.push_back(chunk.get());
  }
  queued_.notify_one();
  in_flight_.push_back(std::move(chunk));
  // Replay what is done already; wait only when the chunks on their way reach the limit.
  while (!in_flight_.empty() && !ended_) {
    const bool full = in_flight_.size() >= InFlightLimit();
    {
      const std::lock_guard<std::mutex> lock(mutex_);
      if (!full && !in_flight_.front()->done) break;
    }
    ReplayFront();
  }
}

void CheckPipeline::ReplayFront() {
  CheckChunk& front = *in_flight_.front();
  {
    std::unique_lock<std::mutex> lock(mutex_);
    done_.wait(lock, [&] { return front.done; });
  }
  std::unique_ptr<CheckChunk> chunk = std::move(in_flight_.front());
  in_flight_.pop_front();
  // Either way the chunks after it are dropped; the destructor stops the workers.
  try {
    if (!replay_(*chunk)) ended_ = true;
  } catch (...) {
    ended_ = true;
    throw;
  }
  if (spare_.size() < InFlightLimit()) spare_.push_back(std::move(chunk));
}

void CheckPipeline::Drain() {
  while (!ended_ && !in_flight_.empty()) ReplayFront();
}

void CheckPipeline::Work(std::size_t worker) {
  for (;;) {
    CheckChunk* chunk = nullptr;
    {
      std::unique_lock<std::mutex> lock(mutex_);
      queued_.wait(lock, [this] { return stop_ || !queue_.empty(); });
      if (stop_) return;
      chunk = queue_.front();
      queue_.pop_front();
    }
    try {
      check_(worker, *chunk);
    } catch (...) {
      chunk->error = std::current_exception();
    }
    {
      const std::lock_guard<std::mutex> lock(mutex_);
      chunk->done = true;
    }
    done_.notify_all();
  }
}

}  // namespace engine
