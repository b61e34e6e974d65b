#pragma once
// The windows' history of runs (history/history_db.h), on by default in the user's data folder:
// opened at the first run, so that a history that cannot be opened costs no run; its sink
// gathers the identity of every failure beside the failure list's; the list marks its rows new or
// kept against the company's run before it, looked up at the list's first row once the run has
// read the company's code; each run is recorded on the run's worker thread once the walk is over,
// in one transaction, and compared with that same run. A history that cannot be opened, or lies on
// a network share, is told once and the runs go on without it.

#include <memory>
#include <optional>
#include <string>

#include "engine/validation_run.h"
#include "history/run_history.h"

namespace frontend {

// Where the window keeps its history: the file, and whether its folder is made when missing
// (the default one is; a file the user named is not). An empty path: no history.
struct HistoryPlace {
  std::string path;
  bool make_folder = false;
};

// The default place: "talmero-prx/historico.sqlite" in the user's data folder (Windows:
// "Talmero PRX\historico.sqlite"); an empty path when the system names no such folder.
HistoryPlace DefaultHistoryPlace();
// The place the window's options choose: none with --sem-historico, the file --historico names
// (UTF-8, as a path of platform/system_path.h), else the default one.
HistoryPlace ChosenHistoryPlace(const std::optional<std::string>& historico, bool sem_historico);

class WindowHistory {
 public:
  explicit WindowHistory(HistoryPlace place);
  WindowHistory(const WindowHistory&) = delete;
  WindowHistory& operator=(const WindowHistory&) = delete;

  // On the window's thread before a run: opens the history the first time. Returns the notice
  // to show when it could not be opened, the first time only; empty otherwise.
  std::string Prepare();
  bool active() const { return history_ != nullptr; }
  // On the window's thread as a run starts, after its predecessor's list is gone: forgets the
  // earlier run the last one was compared with.
  void StartRun();
  // For the failure list, on the walk's thread at its first row (or at its end): the failures of
  // the company's earlier run, looked up the first time asked with the code the run has read by
  // then, and kept for the comparison. Null: no history, no earlier run, or no code read yet.
  history::NewFailureMarker* NewFailures(const engine::RunState& state) {
    return active() ? history_->NewFailures(state) : nullptr;
  }
  // The sink to add beside the failure list's for the coming run (null: no history).
  engine::FindingSink* sink() { return active() ? history_->sink() : nullptr; }

  // On the run's worker thread after the walk: records the run and compares it with the
  // company's earlier one, on as many threads as the walk had. Returns the notice when it could
  // not be recorded (empty otherwise).
  std::string Record(const std::string& riscos, const std::string& sinistros,
                     const std::string& catalogue_folder, const engine::RunState& state,
                     int threads, const std::optional<std::string>& error);
  // The last run beside the company's earlier one; null when it had none or was not recorded.
  const history::RunComparison* comparison() const {
    return active() ? history_->comparison() : nullptr;
  }

  // The history's file (empty: none).
  const std::string& path() const { return place_.path; }

 private:
  HistoryPlace place_;
  bool tried_ = false;
  std::unique_ptr<history::RunHistory> history_;
};

}  // namespace frontend
