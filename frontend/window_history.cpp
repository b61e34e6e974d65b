#include "frontend/window_history.h"

#include <exception>

#include "engine/text.h"
#include "engine/verdict.h"
#include "platform/network_path.h"
#include "platform/user_data_folder.h"

namespace frontend {
namespace {

#ifdef _WIN32
constexpr const char* kHistoryFolder = "Talmero PRX\\";
#else
constexpr const char* kHistoryFolder = "talmero-prx/";
#endif
constexpr const char* kHistoryFile = "historico.sqlite";

}  // namespace

HistoryPlace DefaultHistoryPlace() {
  const std::string data = platform::UserDataFolder();
  if (data.empty()) return {};
  return {data + kHistoryFolder + kHistoryFile, true};
}

HistoryPlace ChosenHistoryPlace(const std::optional<std::string>& historico, bool sem_historico) {
  if (sem_historico) return {};
  if (historico) return {*historico, false};
  return DefaultHistoryPlace();
}

WindowHistory::WindowHistory(HistoryPlace place) : place_(std::move(place)) {}

std::string WindowHistory::Prepare() {
  if (tried_ || place_.path.empty()) return {};
  tried_ = true;
  const std::string& path = place_.path;
  if (place_.make_folder) {
    const std::size_t cut = path.find_last_of("/\\");
    if (cut != std::string::npos && !platform::MakeFolders(path.substr(0, cut + 1))) {
      return "a pasta do histórico não pôde ser criada; as críticas seguem sem histórico";
    }
  }
  // Locks over a network share cannot be trusted: two windows could spoil the history.
  if (platform::OnNetworkShare(path)) {
    return "o histórico numa pasta de rede não é gravado; as críticas seguem sem histórico";
  }
  try {
    history_ = std::make_unique<history::RunHistory>(history::HistoryDb::Open(path));
  } catch (const history::HistoryError& e) {
    return std::string("o histórico não pôde ser aberto (") + e.what() +
           "); as críticas seguem sem histórico";
  }
  return {};
}

void WindowHistory::StartRun() {
  if (active()) history_->StartRun();
}

std::string WindowHistory::Record(const std::string& riscos, const std::string& sinistros,
                                  const std::string& catalogue_folder,
                                  const engine::RunState& state, int threads,
                                  const std::optional<std::string>& error) {
  if (!active()) return {};
  const history::RunSource source{riscos, sinistros, catalogue_folder,
                                  std::string("talmero-prx ") + TALMERO_VERSION};
  try {
    const engine::Verdict verdict =
        engine::ComputeVerdict(state.result, error, engine::VerdictLimits{});
    history_->Record(source, state, verdict, error, threads);
  } catch (const std::exception& e) {
    return std::string("a crítica não pôde ser gravada no histórico: ") + e.what();
  }
  return {};
}

}  // namespace frontend
