#include "frontend/failure_index_loader.h"

#include <exception>
#include <utility>

#include "frontend/failure_list_error.h"

namespace frontend {

FailureIndexLoader::~FailureIndexLoader() { Stop(); }

void FailureIndexLoader::Start(std::string path, std::function<void()> ready) {
  reading_ = true;
  thread_ = std::thread([this, path = std::move(path), ready = std::move(ready)] {
    Outcome outcome;
    try {
      outcome.index = std::make_unique<FailureFileIndex>(path, [this] { return cancel_.load(); });
    } catch (const FailureListCancelled&) {
      return;
    } catch (const std::exception& e) {
      outcome.error = e.what();
    }
    {
      const std::lock_guard lock(mutex_);
      done_ = std::move(outcome);
    }
    ready();
  });
}

void FailureIndexLoader::Stop() {
  if (!thread_.joinable()) return;
  cancel_.store(true);
  thread_.join();
  cancel_.store(false);
  reading_ = false;
  const std::lock_guard lock(mutex_);
  done_.reset();
}

std::optional<FailureIndexLoader::Outcome> FailureIndexLoader::Take() {
  std::optional<Outcome> outcome;
  {
    const std::lock_guard lock(mutex_);
    outcome.swap(done_);
  }
  if (!outcome) return std::nullopt;
  if (thread_.joinable()) thread_.join();
  reading_ = false;
  return outcome;
}

}  // namespace frontend
