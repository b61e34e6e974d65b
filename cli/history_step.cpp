#include "cli/history_step.h"

#include <ostream>

#include "engine/text.h"
#include "platform/network_path.h"

namespace cli {

void HistoryStep::Open(const CliOptions& options, std::ostream& err) {
  if (options.historico.empty()) return;
  path_ = options.historico;
  // Locks over a network share cannot be trusted: two runs could spoil the history.
  if (platform::OnNetworkShare(path_)) {
    err << "aviso: " << path_
        << ": o histórico numa pasta de rede não é gravado; a crítica segue sem histórico\n";
    return;
  }
  try {
    db_ = std::make_unique<history::HistoryDb>(history::HistoryDb::Open(path_));
  } catch (const history::HistoryError& e) {
    // The check matters more than its history: the run goes on, as on a network share, and the
    // file is left as it is.
    err << "aviso: " << path_ << ": o histórico não pôde ser aberto (" << e.what()
        << "); a crítica segue sem histórico\n";
    db_.reset();
  }
}

history::NewFailureMarker* HistoryStep::NewFailures(const engine::RunState& state) {
  if (looked_up_ || !active()) return marker_ ? &*marker_ : nullptr;
  if (recorded_) {
    // A list that had no row until the end: the comparison already made says.
    looked_up_ = true;
    if (comparison_) marker_.emplace(comparison_->falhas_anteriores);
    return marker_ ? &*marker_ : nullptr;
  }
  const std::string_view code = engine::Trimmed(state.codEmpresa);
  if (code.empty()) return nullptr;  // no code yet: the run is compared when recorded
  try {
    earlier_ = db_->LatestRun(code);
  } catch (const history::HistoryError&) {
    return nullptr;  // recording looks the run up again and tells why it cannot
  }
  looked_up_ = true;
  if (earlier_) marker_.emplace(earlier_->record.falhas);
  return marker_ ? &*marker_ : nullptr;
}

std::string HistoryStep::Record(const CliOptions& options, const std::string& catalogue_folder,
                                const engine::ValidationRun& run, const engine::Verdict& verdict,
                                const std::optional<std::string>& error) {
  if (!active()) return {};
  recorded_ = true;  // from now on the list asks the comparison, made or not
  const history::RunSource source{options.riscos, options.sinistros, catalogue_folder,
                                  VersionText()};
  try {
    const history::RunRecord record =
        history::MakeRunRecord(source, run.state(), verdict, error, sink_.Take());
    history::Recording recording =
        looked_up_ ? db_->Begin(record, earlier_ ? &*earlier_ : nullptr) : db_->Begin(record);
    recording.Commit();
    comparison_ = std::move(recording.comparison());
  } catch (const history::HistoryError& e) {
    return path_ + ": a crítica não pôde ser gravada no histórico: " + e.what() + "\n";
  }
  return {};
}

}  // namespace cli
