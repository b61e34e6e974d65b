#include "frontend/window_options.h"

#include <CLI/CLI.hpp>
#include <charconv>

namespace frontend {
namespace {

constexpr int kWrongUsage = 2;  // as the runner's

constexpr const char* kUsage =
    "Uso: talmero-prx [opções]\n"
    "\n"
    "Abre a janela de críticas do arquivo de riscos e do arquivo de sinistros (tabelas dBase\n"
    "III).\n"
    "\n"
    "Opções (o valor vem depois de um espaço ou de =, como em --riscos=riscos.dbf):\n"
    "  --riscos ARQUIVO      preenche a caixa do arquivo de riscos\n"
    "  --sinistros ARQUIVO   preenche a caixa do arquivo de sinistros\n"
    "  --catalogo PASTA      pasta de tabelas.dbf, anexos.dbf e DadosKov.DBF (as da seguradora)\n"
    "                        enquanto a janela estiver aberta (padrão: a pasta do programa)\n"
    "  --criticar            inicia a crítica assim que a janela abre\n"
    "  --sem-avisos-de-data  não mostra as caixas de Data Inválida (as falhas continuam\n"
    "                        contadas)\n"
    "  --painel[=N]          abre o painel de falhas quando a crítica termina; com N, também o\n"
    "                        registro da linha N do painel\n"
    "  --historico ARQUIVO   grava o histórico de críticas neste arquivo (padrão:\n"
    "                        historico.sqlite na pasta de dados do usuário)\n"
    "  --sem-historico       não grava nem compara as críticas no histórico\n"
    "  --help                mostra este texto\n";

// The option named in a CLI11 message "NAME: ..." (the message's head up to the colon).
std::string OptionOf(const std::string& message) { return message.substr(0, message.find(':')); }

ParsedWindowOptions Wrong(ParsedWindowOptions parsed, const std::string& program,
                          const std::string& error) {
  parsed.exit_status = kWrongUsage;
  parsed.text = program + ": " + error + "\nuse --help para ver as opções\n";
  return parsed;
}

}  // namespace

ParsedWindowOptions ParseWindowOptions(const std::string& program,
                                       const std::vector<std::string>& args) {
  ParsedWindowOptions parsed;
  WindowOptions& options = parsed.options;
  // CLI11 parses; the texts are ours, in Portuguese, as the runner's.
  CLI::App app(program);
  app.set_help_flag();
  app.allow_extras();
  app.option_defaults()->multi_option_policy(CLI::MultiOptionPolicy::TakeLast);
  std::string riscos;
  std::string sinistros;
  std::string catalogo;
  std::string painel;
  std::string historico;
  bool sem_historico = false;
  bool help = false;
  bool sem_avisos = false;
  CLI::Option* riscos_option = app.add_option("--riscos", riscos);
  CLI::Option* sinistros_option = app.add_option("--sinistros", sinistros);
  CLI::Option* catalogo_option = app.add_option("--catalogo", catalogo);
  app.add_flag("--criticar", options.criticar);
  app.add_flag("--sem-avisos-de-data", sem_avisos);
  CLI::Option* painel_option = app.add_option("--painel", painel)->expected(0, 1);
  CLI::Option* historico_option = app.add_option("--historico", historico);
  app.add_flag("--sem-historico", sem_historico);
  app.add_flag("-h,--help", help);

  std::vector<std::string> reversed(args.rbegin(), args.rend());  // CLI11 takes them backwards
  try {
    app.parse(reversed);
  } catch (const CLI::ArgumentMismatch& error) {
    return Wrong(std::move(parsed), program, "falta o valor de " + OptionOf(error.what()));
  } catch (const CLI::ParseError& error) {
    return Wrong(std::move(parsed), program, "uso incorreto: " + OptionOf(error.what()));
  }
  if (help) {
    parsed.exit_status = 0;
    parsed.text = kUsage;
    return parsed;
  }
  if (const std::vector<std::string> rest = app.remaining(); !rest.empty()) {
    const std::string& extra = rest.front();
    return Wrong(
        std::move(parsed), program,
        (extra.rfind('-', 0) == 0 ? "opção desconhecida: " : "argumento inesperado: ") + extra);
  }
  if (*riscos_option) options.riscos = riscos;
  if (*sinistros_option) options.sinistros = sinistros;
  if (*catalogo_option) options.catalogo = catalogo;
  options.invalid_date_notices = !sem_avisos;
  // Turning the history off wins over naming its file.
  options.sem_historico = sem_historico;
  if (*historico_option && !sem_historico) options.historico = historico;
  if (*painel_option) {
    options.painel = true;
    if (!painel.empty()) {
      int row = 0;
      const auto [end, error] = std::from_chars(painel.data(), painel.data() + painel.size(), row);
      if (error != std::errc() || end != painel.data() + painel.size() || row < 1) {
        return Wrong(std::move(parsed), program,
                     "valor inválido de --painel: " + painel + " (um número de 1 em diante)");
      }
      options.painel_registro = row;
    }
  }
  return parsed;
}

}  // namespace frontend
