#include "cli/history_step.h"

#include <ostream>

#include "platform/network_path.h"

namespace cli {

bool HistoryStep::Open(const CliOptions& options, std::ostream& err, std::string* error) {
  if (options.historico.empty()) return true;
  path_ = options.historico;
  // Locks over a network share cannot be trusted: two runs could spoil the history.
  if (platform::OnNetworkShare(path_)) {
    err << "aviso: " << path_
        << ": o histórico numa pasta de rede não é gravado; a crítica segue sem histórico\n";
    return true;
  }
  try {
    db_ = std::make_unique<history::HistoryDb>(history::HistoryDb::Open(path_));
  } catch (const history::HistoryError& e) {
    *error = path_ + ": o histórico não pôde ser aberto: " + e.what() + "\n";
    return false;
  }
  return true;
}

std::string HistoryStep::Record(const CliOptions& options, const std::string& catalogue_folder,
                                const engine::ValidationRun& run, const engine::Verdict& verdict,
                                const std::optional<std::string>& error) {
  if (!active()) return {};
  const history::RunSource source{options.riscos, options.sinistros, catalogue_folder,
                                  VersionText()};
  try {
    history::Recording recording =
        db_->Record(history::MakeRunRecord(source, run.state(), verdict, error, sink_.Take()));
    comparison_ = std::move(recording.comparison());
  } catch (const history::HistoryError& e) {
    return path_ + ": a crítica não pôde ser gravada no histórico: " + e.what() + "\n";
  }
  return {};
}

}  // namespace cli
