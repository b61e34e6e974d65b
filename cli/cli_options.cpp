#include "cli/cli_options.h"

#include <algorithm>
#include <charconv>
#include <span>
#include <string_view>
#include <utility>

#include "cli/output_table.h"
#include "cmdline/option_parser.h"
#include "cmdline/output_file.h"
#include "cmdline/output_rules.h"
#include "engine/regional.h"
#include "engine/run_inputs.h"
#include "engine/text.h"
#include "outputs/xlsx_workbook.h"
#include "platform/path_separator.h"
#include "platform/program_folder.h"

#ifndef TALMERO_VERSION
#define TALMERO_VERSION "0"
#endif

namespace cli {
namespace {

bool ParseCount(const std::string& text, std::int64_t* value) {
  const char* end = text.data() + text.size();
  const auto parsed = std::from_chars(text.data(), end, *value);
  return !text.empty() && parsed.ec == std::errc() && parsed.ptr == end && *value >= 0;
}

// Outputs that clash (cmdline/output_rules.h), in the table's order: an output without its
// option may be on standard output (the report), and one may write more than one file.
bool CheckOutputs(const CliOptions& o, std::string* error) {
  std::vector<cmdline::NamedOutput> outputs;
  std::string on_standard_output;
  for (const OutputEntry& entry : OutputTable()) {
    if ((o.*entry.path).empty()) {
      if (Written(entry, o)) on_standard_output = entry.standard_output_by_default;
      continue;
    }
    for (std::string& path : WrittenFiles(entry, o)) {
      outputs.push_back({std::string(entry.option), std::move(path)});
    }
  }
  // The history is written too: never over an input or another output.
  if (!o.historico.empty()) outputs.push_back({"--historico", o.historico});
  return cmdline::CheckOutputs(outputs,
                               engine::RunInputFiles(CatalogueFolder(o), o.riscos, o.sinistros),
                               on_standard_output, error);
}

// A workbook in the old .xls format, or one asked of a build that writes none, is wrong usage. The
// outputs are checked from the last up, so that with two such workbooks the message names
// --extrato, as scripts may expect.
bool CheckWorkbooks(const CliOptions& o, std::string* error) {
  const std::span<const OutputEntry> table = OutputTable();
  for (auto entry = table.rbegin(); entry != table.rend(); ++entry) {
    // The old Excel format is never written: a CSV named .xls would open as garbage.
    if (!entry->workbook.empty() && engine::EndsWithIgnoringCase(o.*entry->path, ".xls")) {
      *error = std::string(entry->option) + " " + o.*entry->path +
               ": o formato .xls não é gravado; use .xlsx ou .csv";
      return false;
    }
    if (entry->workbook.empty() || !outputs::IsXlsxPath(o.*entry->path) ||
        outputs::XlsxAvailable()) {
      continue;
    }
    *error = std::string(entry->workbook) +
             " em .xlsx não existe nesta versão do programa (Windows): use um arquivo .csv em " +
             std::string(entry->option);
    return false;
  }
  return true;
}

// The options whose values are checked after parsing, as typed.
struct TypedValues {
  std::string max_detalhes;
  std::string nucleos;
  std::string limite_falhas;
  std::string limite_sem_apolice;
  std::string tolerancia;
};

// Every option of the runner: the one list of them, the outputs' from their table. The usage
// text and the manual page are checked against it (OptionNames()).
void DeclareOptions(CLI::App& app, CliOptions* options, TypedValues* typed) {
  app.add_option("--riscos", options->riscos);
  app.add_option("--sinistros", options->sinistros);
  app.add_option("--catalogo", options->catalogo);
  app.add_option("--regional", options->regional);
  for (const OutputEntry& entry : OutputTable()) {
    app.add_option(std::string(entry.option), options->*entry.path);
  }
  app.add_option("--max-detalhes", typed->max_detalhes);
  app.add_option("--historico", options->historico);
  app.add_option("--nucleos", typed->nucleos);
  app.add_option("--limite-falhas", typed->limite_falhas);
  app.add_option("--limite-sem-apolice", typed->limite_sem_apolice);
  app.add_option("--tolerancia", typed->tolerancia);
  app.add_flag("--estrito", options->estrito);
  app.add_flag("--sem-avisos-de-data", options->sem_avisos_de_data);
  app.add_flag("--progresso", options->progresso);
  app.add_flag("--sem-progresso", options->sem_progresso);
  app.add_flag("-h,--help", options->help);
  app.add_flag("--version", options->version);
}

}  // namespace

std::string VersionText() { return std::string("talmero-criticar ") + TALMERO_VERSION; }

std::string CatalogueFolder(const CliOptions& options) {
  return platform::WithTrailingSeparator(options.catalogo.empty() ? platform::ExecutableFolder()
                                                                  : options.catalogo);
}

std::vector<std::string> OptionNames() {
  CLI::App app("talmero-criticar");
  cmdline::PrepareApp(app);
  CliOptions options;
  TypedValues typed;
  DeclareOptions(app, &options, &typed);
  std::vector<std::string> names;
  for (const CLI::Option* option : app.get_options()) {
    for (const std::string& name : option->get_lnames()) names.push_back("--" + name);
  }
  return names;
}

bool ParseCliOptions(const std::vector<std::string>& args, CliOptions* options,
                     std::string* error) {
  CLI::App app("talmero-criticar");
  cmdline::PrepareApp(app);
  TypedValues typed;
  DeclareOptions(app, options, &typed);
  const std::string& max_detalhes = typed.max_detalhes;
  const std::string& nucleos = typed.nucleos;
  std::vector<std::string> extras;
  if (!cmdline::ParseApp(app, args, &extras, error)) return false;
  if (!extras.empty()) {
    *error = "opção desconhecida: " + extras.front();
    return false;
  }
  if (options->help || options->version) return true;

  if (!max_detalhes.empty() || app.count("--max-detalhes") > 0) {
    if (!ParseCount(max_detalhes, &options->max_detalhes)) {
      *error = "valor inválido de --max-detalhes: " + max_detalhes;
      return false;
    }
  }
  if (app.count("--nucleos") > 0) {
    std::int64_t threads = 0;
    if (!ParseCount(nucleos, &threads) || threads < 1) {
      *error = "valor inválido de --nucleos: " + nucleos;
      return false;
    }
    options->nucleos = static_cast<int>(std::min<std::int64_t>(threads, 64));
  }
  const std::pair<const char*, std::pair<const std::string*, std::optional<engine::Percent>*>>
      limits[] = {
          {"--limite-falhas", {&typed.limite_falhas, &options->limites.falhas}},
          {"--limite-sem-apolice", {&typed.limite_sem_apolice, &options->limites.sem_apolice}},
          {"--tolerancia", {&typed.tolerancia, &options->limites.tolerancia}},
      };
  for (const auto& [name, target] : limits) {
    if (app.count(name) == 0) continue;
    // A limit is a percentage, so "2%" is written as often as "2".
    std::string_view text = *target.first;
    if (!text.empty() && text.back() == '%') text.remove_suffix(1);
    engine::Percent percent;
    if (!engine::ParsePercent(text, &percent)) {
      *error = std::string("valor inválido de ") + name + ": " + *target.first +
               " (uma porcentagem, com . ou , antes dos decimais)";
      return false;
    }
    *target.second = percent;
  }
  if (options->max_detalhes >= 0 && options->detalhes.empty()) {
    *error = "--max-detalhes exige --detalhes";
    return false;
  }
  if (options->historico == cmdline::kStandardOutput) {
    *error = "--historico exige um arquivo";
    return false;
  }
  if (!CheckWorkbooks(*options, error)) return false;
  engine::Regional ignored;
  if (!engine::Regional::FromName(options->regional, &ignored)) {
    *error = "regional desconhecida: " + options->regional + " (use pt_BR, en_US ou sistema)";
    return false;
  }
  return CheckOutputs(*options, error);
}

}  // namespace cli
