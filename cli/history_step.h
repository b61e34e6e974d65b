#pragma once
// The runner's history (--historico FILE, history/history_db.h): opened before the run (one that
// cannot be opened is told and the run goes on without it, its file untouched); its sink gathers
// the identity of every failure beside the outputs' sinks; the run is recorded once it is over,
// before the JSON result tells the comparison with the company's earlier run. The failure list
// marks its rows new or kept against that earlier run as they are written: it is looked up as soon
// as the list asks, once the run has read the company's code, and the run is compared with that
// same run. A history on a network share is refused with an "aviso:" line and the run goes on
// without it.

#include <iosfwd>
#include <memory>
#include <optional>
#include <string>

#include "cli/cli_options.h"
#include "engine/validation_run.h"
#include "engine/verdict.h"
#include "history/run_history.h"

namespace cli {

class HistoryStep {
 public:
  // Opens the history `options` name, if any. One that cannot be opened, or lies on a network
  // share, is told in an `aviso:` line on `err`, and the run goes on without a history.
  void Open(const CliOptions& options, std::ostream& err);

  // Whether the run is recorded.
  bool active() const { return history_ != nullptr; }
  // The sink to add beside the outputs' (null: no history).
  engine::FindingSink* sink() { return active() ? history_->sink() : nullptr; }

  // The failures of the company's earlier run, for the failure list to mark its rows new or kept
  // (history::RunHistory::NewFailures). Null: no history, no earlier run, or no code read yet.
  history::NewFailureMarker* NewFailures(const engine::RunState& state) {
    return active() ? history_->NewFailures(state) : nullptr;
  }

  // Records the run. Returns the error line when it could not be (empty otherwise).
  std::string Record(const CliOptions& options, const std::string& catalogue_folder,
                     const engine::ValidationRun& run, const engine::Verdict& verdict,
                     const std::optional<std::string>& error);

  // The run beside the company's earlier one, once recorded; null when there was none.
  const history::RunComparison* comparison() const {
    return active() ? history_->comparison() : nullptr;
  }

 private:
  std::string path_;
  std::unique_ptr<history::RunHistory> history_;
};

}  // namespace cli
