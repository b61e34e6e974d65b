#pragma once
// The headless runner: one validation run from the command line.
//
//   talmero-criticar [--riscos PATH] [--sinistros PATH] [--catalogo DIR]
//                    [--regional pt_BR|en_US|sistema] [--saida FILE]
//                    [--detalhes FILE [--max-detalhes N]] [--json FILE]
//
// Without --saida the report goes to `out` in UTF-8, one line per line; with it the report is
// written like the window's export (Windows-1252, every line ended by CR LF). Invalid-date
// notices go to `err` as they happen. --detalhes streams every finding of the run to FILE as CSV
// (engine/findings_csv.h), at most N rows per field and check with --max-detalhes; --json writes
// the run's figures as one JSON document (cli/run_json.h). Both are written also when an error
// ended the run; a file that cannot be written makes the status 1. Returns an ExitStatus.

#include <cstdint>
#include <iosfwd>
#include <string>
#include <vector>

#include "platform/clock.h"

namespace cli {

struct CliOptions {
  std::string riscos;
  std::string sinistros;
  std::string catalogo;  // empty: the executable's folder
  std::string regional = "sistema";
  std::string saida;
  std::string detalhes;            // empty: no failure list
  std::int64_t max_detalhes = -1;  // rows per field and check; -1: all
  std::string json;                // empty: no JSON result
  bool help = false;
};

// Parses `args` (without the program name). False with a reason in `error` on wrong usage.
bool ParseCliOptions(const std::vector<std::string>& args, CliOptions* options, std::string* error);

// The usage text (UTF-8).
const char* UsageText();

// `clock` null: the system clock (tests pass a fixed one).
int RunCli(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
           platform::LocalDateTime (*clock)() = nullptr);

}  // namespace cli
