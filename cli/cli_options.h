#pragma once
// The runner's options and their parser (CLI11 underneath, Portuguese texts on top).

#include <cstdint>
#include <string>
#include <vector>

#include "engine/verdict.h"

namespace cli {

struct CliOptions {
  std::string riscos;
  std::string sinistros;
  std::string catalogo;  // empty: the executable's folder
  std::string regional = "sistema";
  // The outputs' paths (their options in cli/output_table.h).
  std::string saida;               // empty: the report on standard output
  std::string detalhes;            // empty: no failure list; "-": standard output
  std::int64_t max_detalhes = -1;  // rows per field and check; -1: all
  std::string json;                // empty: no JSON result; "-": standard output
  std::string html;                // empty: no HTML report; "-": standard output
  std::string extrato;             // empty: no records with failures; "-": standard output
  std::string historico;           // empty: the run is recorded in no history
  int nucleos = 0;                 // threads of a walk; 0: the engine's default
  bool estrito = false;            // a rejected run exits with 3
  bool sem_avisos_de_data = false;
  bool progresso = false;      // the progress line even when standard error is no terminal
  bool sem_progresso = false;  // no progress line; wins over --progresso
  engine::VerdictLimits limites;
  bool help = false;
  bool version = false;
};

// Parses `args` (without the program name). False with a reason in `error` on wrong usage:
// "opção desconhecida: X", "falta o valor de X", an invalid value, or outputs that clash.
bool ParseCliOptions(const std::vector<std::string>& args, CliOptions* options, std::string* error);

// The long names of the options ("--riscos", ...), as the parser declares them.
std::vector<std::string> OptionNames();

// "talmero-criticar 1.0.0".
std::string VersionText();

// The folder of the catalogue and the totals table, ending in the system's separator.
std::string CatalogueFolder(const CliOptions& options);

}  // namespace cli
