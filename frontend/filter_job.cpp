#include "frontend/filter_job.h"

#include <utility>

namespace frontend {

FilterJob::FilterJob(const FailureKeys& keys, Done done)
    : keys_(keys), done_(std::move(done)), worker_([this] { Work(); }) {}

FilterJob::~FilterJob() {
  {
    const std::lock_guard lock(mutex_);
    stopping_ = true;
  }
  wake_.notify_one();
  worker_.join();
}

std::uint64_t FilterJob::Request(FailureFilter filter) {
  std::uint64_t ticket = 0;
  {
    const std::lock_guard lock(mutex_);
    pending_ = std::move(filter);
    ticket = ++latest_;
  }
  wake_.notify_one();
  return ticket;
}

void FilterJob::Work() {
  for (;;) {
    FailureFilter filter;
    std::uint64_t ticket = 0;
    {
      std::unique_lock lock(mutex_);
      wake_.wait(lock, [this] { return stopping_ || pending_.has_value(); });
      if (stopping_) return;
      filter = std::move(*pending_);
      pending_.reset();
      ticket = latest_;
    }
    const auto superseded = [this, ticket] {
      const std::lock_guard lock(mutex_);
      return stopping_ || latest_ != ticket;
    };
    std::optional<FilterAnswer> answer = MatchRows(keys_, filter, superseded);
    if (answer && !superseded()) done_(ticket, std::move(*answer));
  }
}

}  // namespace frontend
