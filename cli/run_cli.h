#pragma once
// The headless runner: one validation run from the command line (options: cli/cli_options.h).
//
// Without --saida the report goes to `out` in UTF-8, one line per line; with it the report is
// written like the window's export (Windows-1252, every line ended by CR LF). Invalid-date
// notices go to `err` as they happen, unless --sem-avisos-de-data; so does the progress line
// (cli/progress_line.h), blanked before every other message. --detalhes streams every
// finding of the run to FILE as CSV (outputs/findings_csv.h), at most N rows per field and check
// with --max-detalhes; --json writes the run's figures and its verdict as one JSON document
// (outputs/run_json.h). These are written also when an error ended the run; a file that cannot be
// written makes the status 1. Returns a cmdline::ExitStatus.

#include <iosfwd>
#include <string>
#include <vector>

#include "cli/cli_options.h"
#include "platform/clock.h"

namespace cli {

// `clock` null: the system clock (tests pass a fixed one). `err_is_terminal`: whether `err` is
// a terminal, where the progress line shows without --progresso and the run's last line is the
// verdict (cmdline/verdict_line.h). Wrong usage prints its message and where the help is, not the
// help itself.
int RunCli(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
           platform::LocalDateTime (*clock)() = nullptr, bool err_is_terminal = false);

}  // namespace cli
