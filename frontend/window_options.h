#pragma once
// The options of both windows: the two path boxes filled from the command line, a run started
// at once, and a run without invalid-date boxes (for demonstrations and the screenshot script).

#include <optional>
#include <string>
#include <vector>

namespace frontend {

struct WindowOptions {
  std::optional<std::string> riscos;  // UTF-8
  std::optional<std::string> sinistros;
  bool criticar = false;
  bool invalid_date_notices = true;  // false with --sem-avisos-de-data
  // --painel[=N]: the findings panel opens when the first run ends and, with N, the record view
  // of the panel's row N (from 1). Windows without a panel ignore it.
  bool painel = false;
  std::optional<int> painel_registro;
  // --catalogo DIR: the folder of tabelas.dbf, anexos.dbf and DadosKov.DBF, as the runner's.
  std::optional<std::string> catalogo;  // UTF-8
  // --historico ARQUIVO: the history of runs kept there rather than in the user's data folder;
  // --sem-historico: no history at all, whatever --historico names.
  std::optional<std::string> historico;  // UTF-8
  bool sem_historico = false;
};

// What parsing gave: the options, or the text to show (help or a usage error) and the exit
// status of the program.
struct ParsedWindowOptions {
  WindowOptions options;
  std::optional<int> exit_status;  // set: show `text` and end with this status
  std::string text;                // UTF-8
};

// `args`: the arguments after the program name, UTF-8.
ParsedWindowOptions ParseWindowOptions(const std::string& program,
                                       const std::vector<std::string>& args);

}  // namespace frontend
