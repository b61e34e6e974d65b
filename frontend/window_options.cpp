#include "frontend/window_options.h"

#include <CLI/CLI.hpp>
#include <algorithm>
#include <limits>
#include <sstream>

namespace frontend {

ParsedWindowOptions ParseWindowOptions(const std::string& program,
                                       const std::vector<std::string>& args) {
  ParsedWindowOptions parsed;
  WindowOptions& options = parsed.options;
  CLI::App app("Críticas dos arquivos de riscos e sinistros.", program);
  std::string riscos;
  std::string sinistros;
  CLI::Option* riscos_option =
      app.add_option("--riscos", riscos, "Arquivo de riscos (preenche a caixa).")
          ->type_name("ARQUIVO");
  CLI::Option* sinistros_option =
      app.add_option("--sinistros", sinistros, "Arquivo de sinistros (preenche a caixa).")
          ->type_name("ARQUIVO");
  std::string catalogo;
  CLI::Option* catalogo_option =
      app.add_option("--catalogo", catalogo,
                     "Pasta de tabelas.dbf, anexos.dbf e DadosKov.DBF (a da seguradora); sem "
                     "ela, a pasta do programa.")
          ->type_name("PASTA");
  app.add_flag("--criticar", options.criticar, "Inicia a crítica assim que a janela abre.");
  bool sem_avisos = false;
  app.add_flag("--sem-avisos-de-data", sem_avisos,
               "Não mostra as caixas de Data Inválida (as falhas continuam contadas).");
  int painel_linha = 0;
  CLI::Option* painel_option =
      app.add_option("--painel", painel_linha,
                     "Abre o painel de falhas quando a crítica termina; com N, também o registro "
                     "da linha N do painel.")
          ->type_name("[N]")
          ->expected(0, 1)
          ->check(CLI::Range(1, std::numeric_limits<int>::max()));
  app.set_help_flag("-h,--help", "Mostra esta ajuda.");

  std::vector<std::string> reversed(args.rbegin(), args.rend());  // CLI11 takes them backwards
  try {
    app.parse(reversed);
  } catch (const CLI::ParseError& error) {
    std::ostringstream out;
    std::ostringstream err;
    parsed.exit_status = app.exit(error, out, err);
    parsed.text = out.str() + err.str();
    return parsed;
  }
  if (*riscos_option) options.riscos = riscos;
  if (*sinistros_option) options.sinistros = sinistros;
  if (*catalogo_option) options.catalogo = catalogo;
  options.invalid_date_notices = !sem_avisos;
  if (*painel_option) {
    options.painel = true;
    if (painel_linha > 0) options.painel_registro = painel_linha;
  }
  return parsed;
}

}  // namespace frontend
