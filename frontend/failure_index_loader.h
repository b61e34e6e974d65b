#pragma once
// Reads a failure list's offset index (failure_file_index.h) on a thread of its own, so a window
// stays responsive while a list of millions of rows is read. The thread calls `ready` when it is
// done; the window brings that to its own thread (a posted message, a queued call) and takes what
// was read with Take().

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

#include "frontend/failure_file_index.h"

namespace frontend {

class FailureIndexLoader {
 public:
  FailureIndexLoader() = default;
  // Stop().
  ~FailureIndexLoader();
  FailureIndexLoader(const FailureIndexLoader&) = delete;
  FailureIndexLoader& operator=(const FailureIndexLoader&) = delete;

  // Starts reading `path`; `ready` is called on the reading thread once the index or its error
  // waits for Take() (never for a reading that Stop() cancelled).
  // REQUIRES: no reading under way (Stop() or Take() since the last Start()).
  void Start(std::string path, std::function<void()> ready);
  // Cancels the reading under way, waits for its thread and drops what it read. A `ready` made
  // before it may still reach the window: Take() then gives nothing.
  void Stop();
  // True from Start() until Take() has given the outcome or Stop() dropped it.
  bool reading() const { return reading_; }

  struct Outcome {
    std::unique_ptr<FailureFileIndex> index;  // null when the list could not be read
    std::string error;                        // then the message (FailureListError's text)
  };
  // What the reading left once `ready` came, its thread joined; nullopt when nothing waits (the
  // reading was stopped since).
  std::optional<Outcome> Take();

 private:
  std::thread thread_;
  std::atomic<bool> cancel_{false};
  std::mutex mutex_;
  std::optional<Outcome> done_;  // guarded by mutex_
  bool reading_ = false;
};

}  // namespace frontend
