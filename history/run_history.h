#pragma once
// One history as a run uses it, the same for the runner and the windows: its sink gathers the
// identity of every failure beside the outputs' sinks; the failure list marks its rows new or kept
// against the company's run before it, looked up as soon as the list asks once the run has read
// the company's code; the run is recorded once it is over, in one transaction, and compared with
// that same earlier run, so that the list, the result and the stored comparison agree.

#include <memory>
#include <optional>

#include "engine/validation_run.h"
#include "engine/verdict.h"
#include "history/history_db.h"
#include "history/identity_sink.h"
#include "history/run_record.h"

namespace history {

class RunHistory {
 public:
  explicit RunHistory(HistoryDb db) : db_(std::move(db)) {}
  RunHistory(const RunHistory&) = delete;
  RunHistory& operator=(const RunHistory&) = delete;

  // The sink to add beside the outputs'.
  engine::FindingSink* sink() { return &sink_; }
  // Before another run over the same history: forgets the last run's earlier one and identities.
  void StartRun();

  // The failures of the company's earlier run, for the failure list: looked up the first time
  // asked with the company's code the run has read by then, and kept for the comparison. Null: no
  // earlier run, or no code read yet.
  NewFailureMarker* NewFailures(const engine::RunState& state);

  // Records the run and compares it with the company's earlier one, on as many threads as the
  // run's walk had (`threads`). Throws HistoryError.
  void Record(const RunSource& source, const engine::RunState& state,
              const engine::Verdict& verdict, const std::optional<std::string>& error,
              int threads = 1);
  // The run beside the company's earlier one, once recorded; null when there was none or the
  // run could not be recorded.
  const RunComparison* comparison() const { return comparison_ ? &*comparison_ : nullptr; }

 private:
  HistoryDb db_;
  IdentitySink sink_;
  std::optional<RunComparison> comparison_;
  bool recorded_ = false;   // the run is recorded: the list asks the comparison, made or not
  bool looked_up_ = false;  // earlier_ is the run to compare with, found or not
  std::shared_ptr<const StoredRun> earlier_;
  std::optional<NewFailureMarker> marker_;
};

}  // namespace history
