#include "cli/run_cli.h"

#include <cerrno>
#include <charconv>
#include <cstring>
#include <fstream>
#include <memory>
#include <optional>
#include <ostream>

#include "cli/exit_status.h"
#include "cli/run_json.h"
#include "engine/findings_csv.h"
#include "engine/report.h"
#include "engine/run_host.h"
#include "engine/text.h"
#include "engine/validation_run.h"
#include "platform/program_folder.h"

namespace cli {
namespace {

constexpr const char* kUsage =
    "Uso: talmero-criticar [opções]\n"
    "\n"
    "Critica o arquivo de riscos e o arquivo de sinistros (tabelas dBase III) com o catálogo de\n"
    "regras e escreve o relatório da crítica.\n"
    "\n"
    "Opções:\n"
    "  --riscos ARQUIVO      arquivo de riscos (omitido: vazio)\n"
    "  --sinistros ARQUIVO   arquivo de sinistros (omitido: vazio)\n"
    "  --catalogo PASTA      pasta de tabelas.dbf, anexos.dbf e DadosKov.DBF, onde também é\n"
    "                        criado o índice temporário (padrão: a pasta do programa)\n"
    "  --regional NOME       pt_BR, en_US ou sistema (padrão: sistema)\n"
    "  --saida ARQUIVO       grava o relatório como a exportação da janela (Windows-1252, CR LF);\n"
    "                        sem esta opção o relatório vai para a saída padrão em UTF-8\n"
    "  --detalhes ARQUIVO    grava cada falha encontrada, uma por linha, em CSV para planilhas\n"
    "                        (separador ;, Windows-1252, CR LF, linha de cabeçalho): arquivo,\n"
    "                        número físico do registro (contando os excluídos), posição, campo,\n"
    "                        verificação (nulo, tamanho, data, dominio, estrutura, empresa,\n"
    "                        sem_apolice, vigencia_invertida), valor e valor relacionado; na\n"
    "                        estrutura, nome, tipo e tamanho esperados e encontrados\n"
    "  --max-detalhes N      no máximo N linhas por campo e verificação (padrão: sem limite);\n"
    "                        a última linha de uma lista limitada diz quantas ficaram de fora\n"
    "  --json ARQUIVO        grava o resultado da crítica em JSON (UTF-8): entradas, empresa,\n"
    "                        registros e contadores por tabela e campo, sinistros sem apólice,\n"
    "                        vigências invertidas, conciliação, erro, início e fim (ISO 8601)\n"
    "  --help                mostra este texto\n"
    "\n"
    "Saída: 0 quando a crítica chegou ao fim; 1 quando um erro a interrompeu (a mensagem vai\n"
    "para a saída de erros) ou um arquivo de saída não pôde ser gravado; 2 para uso incorreto.\n";

// The runner's side of a run: the report kept as lines, notices straight to standard error.
class CliHost : public engine::RunHost {
 public:
  CliHost(const CliOptions& options, const engine::Regional& regional, std::ostream& err,
          platform::LocalDateTime (*clock)())
      : options_(options), regional_(regional), err_(err), clock_(clock) {}

  void ClearLog() override { lines_.clear(); }
  void AppendLine(std::string_view line) override { lines_.emplace_back(line); }
  void ReplaceLine(std::size_t index, std::string_view line) override {
    if (index < lines_.size()) lines_[index] = std::string(line);
  }
  void SetProgress(int) override {}
  void ShowInvalidDate(std::string_view message) override {
    // One write per notice: standard error is unbuffered, and a file with many impossible
    // dates sends thousands of them.
    std::string line = engine::Win1252ToUtf8(message);
    line += '\n';
    err_.write(line.data(), static_cast<std::streamsize>(line.size()));
    err_.flush();
  }
  const engine::Regional& regional() const override { return regional_; }
  platform::LocalDateTime Now() override { return clock_ != nullptr ? clock_() : platform::LocalNow(); }
  std::string ProgramFolder() override {
    std::string folder = options_.catalogo.empty() ? platform::ExecutableFolder() : options_.catalogo;
#ifdef _WIN32
    // Either separator ends a Windows folder; the system's own is added.
    if (!folder.empty() && folder.back() != '/' && folder.back() != '\\') folder += '\\';
#else
    if (!folder.empty() && folder.back() != '/') folder += '/';
#endif
    return folder;
  }
  std::string RiskPath() override { return options_.riscos; }
  std::string ClaimsPath() override { return options_.sinistros; }

  const std::vector<std::string>& lines() const { return lines_; }

 private:
  const CliOptions& options_;
  engine::Regional regional_;
  std::ostream& err_;
  platform::LocalDateTime (*clock_)();
  std::vector<std::string> lines_;
};

// Writes the report like the window's export. False with the reason when the file cannot be made.
bool WriteExport(const std::string& path, const std::vector<std::string>& lines,
                 std::string* error) {
  std::ofstream file(path, std::ios::binary | std::ios::trunc);
  if (!file) {
    *error = "Cannot create file \"" + path + "\". " + std::strerror(errno);
    return false;
  }
  for (const auto& line : lines) file << line << "\r\n";
  file.close();
  if (!file) {
    *error = "Cannot create file \"" + path + "\". " + std::strerror(errno);
    return false;
  }
  return true;
}

// Ends the failure list and writes the JSON result. Returns the error lines of the files that
// could not be written (empty when all went well).
std::string FinishOutputs(const CliOptions& options, const std::string& catalog_folder,
                          const engine::ValidationRun& run, engine::FindingsCsv* details,
                          std::ofstream& details_file, const std::optional<std::string>& error,
                          const platform::LocalDateTime& ended) {
  std::string problems;
  if (details != nullptr) {
    const bool written = details->Finish();
    details_file.close();
    if (!written || !details_file) {
      problems += "Cannot write file \"" + options.detalhes + "\". " + std::strerror(errno) + "\n";
    }
  }
  if (!options.json.empty()) {
    RunJsonInputs inputs{options.riscos,   options.sinistros, catalog_folder,
                         options.regional, std::nullopt,      std::nullopt};
    if (details != nullptr) {
      inputs.detalhes = options.detalhes;
      inputs.falhas = details->total();
    }
    const std::string document = RunJson(inputs, run.state(), error, ended);
    std::ofstream file(options.json, std::ios::binary | std::ios::trunc);
    file << document;
    file.close();
    if (!file) {
      problems += "Cannot create file \"" + options.json + "\". " + std::strerror(errno) + "\n";
    }
  }
  return problems;
}

}  // namespace

const char* UsageText() { return kUsage; }

bool ParseCliOptions(const std::vector<std::string>& args, CliOptions* options,
                     std::string* error) {
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (arg == "--help" || arg == "-h") {
      options->help = true;
      continue;
    }
    std::string* target = nullptr;
    if (arg == "--riscos") target = &options->riscos;
    if (arg == "--sinistros") target = &options->sinistros;
    if (arg == "--catalogo") target = &options->catalogo;
    if (arg == "--regional") target = &options->regional;
    if (arg == "--saida") target = &options->saida;
    if (arg == "--detalhes") target = &options->detalhes;
    if (arg == "--json") target = &options->json;
    std::string max_detalhes;
    if (arg == "--max-detalhes") target = &max_detalhes;
    if (target == nullptr) {
      *error = "opção desconhecida: " + arg;
      return false;
    }
    if (i + 1 == args.size()) {
      *error = "falta o valor de " + arg;
      return false;
    }
    *target = args[++i];
    if (target == &max_detalhes) {
      const char* end = max_detalhes.data() + max_detalhes.size();
      std::int64_t n = -1;
      const auto parsed = std::from_chars(max_detalhes.data(), end, n);
      if (max_detalhes.empty() || parsed.ec != std::errc() || parsed.ptr != end || n < 0) {
        *error = "valor inválido de --max-detalhes: " + max_detalhes;
        return false;
      }
      options->max_detalhes = n;
    }
  }
  if (options->max_detalhes >= 0 && options->detalhes.empty()) {
    *error = "--max-detalhes exige --detalhes";
    return false;
  }
  engine::Regional ignored;
  if (!engine::Regional::FromName(options->regional, &ignored)) {
    *error = "regional desconhecida: " + options->regional + " (use pt_BR, en_US ou sistema)";
    return false;
  }
  return true;
}

int RunCli(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
           platform::LocalDateTime (*clock)()) {
  CliOptions options;
  std::string usage_error;
  if (!ParseCliOptions(args, &options, &usage_error)) {
    err << "talmero-criticar: " << usage_error << "\n\n" << kUsage;
    return kExitUsage;
  }
  if (options.help) {
    out << kUsage;
    return kExitSuccess;
  }
  engine::Regional regional;
  engine::Regional::FromName(options.regional, &regional);

  CliHost host(options, regional, err, clock);
  engine::ValidationRun run;
  // The failure list is created before the run, so a path that cannot be written costs no run.
  std::ofstream details_file;
  std::unique_ptr<engine::FindingsCsv> details;
  if (!options.detalhes.empty()) {
    details_file.open(options.detalhes, std::ios::binary | std::ios::trunc);
    if (!details_file) {
      err << "Cannot create file \"" << options.detalhes << "\". " << std::strerror(errno) << '\n';
      return kExitRunError;
    }
    details = std::make_unique<engine::FindingsCsv>(details_file, options.max_detalhes);
    run.SetFindingSink(details.get());
  }
  int status = kExitSuccess;
  std::string message;
  try {
    run.Execute(host);
  } catch (const std::exception& e) {
    status = kExitRunError;
    message = engine::ErrorBoxText(e.what());
  }
  const platform::LocalDateTime ended = host.Now();
  std::string output_error = FinishOutputs(
      options, host.ProgramFolder(), run, details.get(), details_file,
      status == kExitSuccess ? std::nullopt : std::optional<std::string>(message), ended);

  // The lines written so far are output also when an error ended the run.
  if (options.saida.empty()) {
    for (const auto& line : host.lines()) out << engine::Win1252ToUtf8(line) << '\n';
    out.flush();
  } else {
    std::string export_error;
    if (!WriteExport(options.saida, host.lines(), &export_error)) {
      err << export_error << '\n';
      return kExitRunError;
    }
  }
  // Messages carry paths as typed, so they are passed on unchanged.
  if (status != kExitSuccess) err << message << '\n';
  if (!output_error.empty()) {
    err << output_error;
    return kExitRunError;
  }
  return status;
}

}  // namespace cli
