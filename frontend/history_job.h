#pragma once
// The log menu's history dialog reads (or deletes) the runs on a thread of its own, over its own
// connection to the history, so that a history of thousands of runs never freezes the window
// (about 0.2 ms a run) and a run recording meanwhile only waits for the database's lock.

#include <atomic>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "history/history_db.h"

namespace frontend {

// The runs of `empresa` (trimmed), or every run when it is empty, newest first, without their
// identities. Throws history::HistoryError.
std::vector<history::StoredRun> ReadRuns(history::HistoryDb& db, std::string_view empresa);
// Deletes those same runs; returns how many. Throws history::HistoryError.
std::int64_t DeleteRuns(history::HistoryDb& db, std::string_view empresa);

class HistoryJob {
 public:
  enum class Kind { kRead, kDelete };
  struct Outcome {
    Kind kind = Kind::kRead;
    std::string empresa;
    std::vector<history::StoredRun> runs;  // kRead
    std::int64_t deleted = 0;              // kDelete
    std::optional<std::string> error;      // the database's reason, when it failed
  };

  // Starts the work on its thread; `done` is called there once it is over.
  HistoryJob(std::string path, Kind kind, std::string empresa, std::function<void()> done);
  // Waits for the thread.
  ~HistoryJob();
  HistoryJob(const HistoryJob&) = delete;
  HistoryJob& operator=(const HistoryJob&) = delete;

  bool finished() const { return finished_.load(); }
  // Once finished(): what it found.
  Outcome& outcome() { return outcome_; }

 private:
  Outcome outcome_;
  std::atomic<bool> finished_{false};
  std::thread thread_;
};

}  // namespace frontend
