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
    history_ = std::make_unique<history::RunHistory>(history::HistoryDb::Open(path_));
  } catch (const history::HistoryError& e) {
    // The check matters more than its history: the run goes on, as on a network share, and the
    // file is left as it is.
    err << "aviso: " << path_ << ": o histórico não pôde ser aberto (" << e.what()
        << "); a crítica segue sem histórico\n";
    history_.reset();
  }
}

std::string HistoryStep::Record(const CliOptions& options, const std::string& catalogue_folder,
                                const engine::ValidationRun& run, const engine::Verdict& verdict,
                                const std::optional<std::string>& error) {
  if (!active()) return {};
  const history::RunSource source{options.riscos, options.sinistros, catalogue_folder,
                                  VersionText()};
  try {
    history_->Record(source, run.state(), verdict, error, run.walk_threads());
  } catch (const history::HistoryError& e) {
    return path_ + ": a crítica não pôde ser gravada no histórico: " + e.what() + "\n";
  }
  return {};
}

}  // namespace cli
