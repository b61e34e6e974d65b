#include "history/run_history.h"

#include <utility>

#include "engine/text.h"

namespace history {

void RunHistory::StartRun() {
  comparison_.reset();
  recorded_ = false;
  looked_up_ = false;
  marker_.reset();
  earlier_.reset();
  sink_.Take();  // identities of a run that could not be recorded
}

NewFailureMarker* RunHistory::NewFailures(const engine::RunState& state) {
  if (looked_up_) return marker_ ? &*marker_ : nullptr;
  if (recorded_) {
    // A list that had no row until the end: the comparison already made says.
    looked_up_ = true;
    if (comparison_) marker_.emplace(*comparison_->falhas_anteriores);
    return marker_ ? &*marker_ : nullptr;
  }
  const std::string_view code = engine::Trimmed(state.codEmpresa);
  if (code.empty()) return nullptr;  // no code yet: the run is compared when recorded
  try {
    if (std::optional<StoredRun> latest = db_.LatestRun(code)) {
      earlier_ = std::make_shared<const StoredRun>(std::move(*latest));
    }
  } catch (const HistoryError&) {
    return nullptr;  // recording looks the run up again and tells why it cannot
  }
  looked_up_ = true;
  if (earlier_) marker_.emplace(earlier_->record.falhas);
  return marker_ ? &*marker_ : nullptr;
}

void RunHistory::Record(const RunSource& source, const engine::RunState& state,
                        const engine::Verdict& verdict, const std::optional<std::string>& error,
                        int threads) {
  comparison_.reset();
  recorded_ = true;  // from now on the list asks the comparison, made or not
  const RunRecord record = MakeRunRecord(source, state, verdict, error, sink_.Take(threads));
  Recording recording = looked_up_ ? db_.Begin(record, earlier_) : db_.Begin(record);
  recording.Commit();
  comparison_ = std::move(recording.comparison());
}

}  // namespace history
