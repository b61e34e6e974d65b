#pragma once
// The runner's outputs, each declared once: its option, its lines in the usage text, the paths it
// writes, and its steps. The option parser, the usage text, the checks of the outputs before a
// run (cmdline/output_rules.h) and the runner's opening and finishing all walk this table.
//
// A new output is an entry here, its field in CliOptions and its steps (a SideOutput, with the
// function that opens it in cli/output_steps.h); and its option in the manual page.

#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "cli/cli_options.h"
#include "cli/side_output.h"

namespace cli {

struct OutputEntry {
  std::string_view option;        // "--detalhes"
  std::string CliOptions::*path;  // the option's value; empty: not asked for
  std::string_view usage;         // its lines in the usage text (UTF-8)
  // An output without its option that goes to standard output: what the messages call it ("o
  // relatório"). Empty: without its option there is no such output.
  std::string_view standard_output_by_default = {};
  // An output written as a workbook when its path ends in .xlsx, else as CSV: what the messages
  // call it ("o extrato"). Empty: one format, whatever the extension.
  std::string_view workbook = {};
  // The paths it writes for `path` (more than one for the extract's CSV files); null: `path`.
  std::vector<std::string> (*files)(const std::string& path) = nullptr;
  // Opens it before the run (creating its files, or only getting ready for one written at the
  // end). Null with the error lines in `error` when it cannot be created.
  std::unique_ptr<SideOutput> (*open)(const OutputSetting& setting, std::string* error);
  // Outputs finish from the lowest turn up, which is also the order of their messages.
  int finish_turn;
};

// Every output, in the order of the usage text, of the checks and of the opening.
std::span<const OutputEntry> OutputTable();

// Whether a run with `options` writes the output of `entry`: its option is given, or it goes to
// standard output without it.
bool Written(const OutputEntry& entry, const CliOptions& options);

// The paths `entry` writes for its value in `options`.
std::vector<std::string> WrittenFiles(const OutputEntry& entry, const CliOptions& options);

}  // namespace cli
