#pragma once
// The headless runner: one validation run from the command line.
//
//   talmero-criticar [--riscos PATH] [--sinistros PATH] [--catalogo DIR]
//                    [--regional pt_BR|en_US|sistema] [--saida FILE]
//
// Without --saida the report goes to `out` in UTF-8, one line per line; with it the report is
// written like the window's export (Windows-1252, every line ended by CR LF). Invalid-date
// notices go to `err` as they happen. Returns an ExitStatus.

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
