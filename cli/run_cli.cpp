#include "cli/run_cli.h"

#include <cerrno>
#include <cstring>
#include <fstream>
#include <ostream>

#include "cli/exit_status.h"
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
    "  --help                mostra este texto\n"
    "\n"
    "Saída: 0 quando a crítica chegou ao fim; 1 quando um erro a interrompeu (a mensagem vai\n"
    "para a saída de erros); 2 para uso incorreto.\n";

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
    if (!folder.empty() && folder.back() != '/') folder += '/';
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
    if (target == nullptr) {
      *error = "opção desconhecida: " + arg;
      return false;
    }
    if (i + 1 == args.size()) {
      *error = "falta o valor de " + arg;
      return false;
    }
    *target = args[++i];
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
  int status = kExitSuccess;
  std::string message;
  try {
    run.Execute(host);
  } catch (const std::exception& e) {
    status = kExitRunError;
    message = engine::ErrorBoxText(e.what());
  }

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
  return status;
}

}  // namespace cli
