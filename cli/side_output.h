#pragma once
// One output of the runner while it is written (the report, the failure list, the extract, the
// HTML page, the JSON result): what its steps are given and what they do. The outputs are listed,
// each with its option and its steps, in cli/output_table.h.

#include <cstdint>
#include <iosfwd>
#include <optional>
#include <string>
#include <vector>

#include "cli/cli_options.h"
#include "engine/findings.h"
#include "engine/validation_run.h"
#include "engine/verdict.h"
#include "history/run_comparison.h"
#include "outputs/finding_list.h"
#include "platform/clock.h"

namespace cli {

class ProgressLine;

// What an output is opened with, before the run.
struct OutputSetting {
  const CliOptions& options;
  const std::string& path;  // the option's value as typed; "-" or empty: standard output
  const std::string& catalogue_folder;
  std::ostream& out;  // standard output
  // With --historico: the earlier run's failures the failure list marks its rows against.
  const outputs::NewFailureSource& new_failures;
};

// What the outputs are completed from, once the run is over.
struct RunOutcome {
  const engine::ValidationRun& run;
  const engine::Verdict& verdict;
  const std::optional<std::string>& error;  // the message of the error that ended the run
  const platform::LocalDateTime& ended;
  const std::vector<std::string>& lines;  // the report
  // The findings told to the failure list, once it is finished; none without a list.
  std::optional<std::int64_t> falhas;
  // Where a workbook being written is told (cli/progress_line.h); null: nowhere.
  ProgressLine* progress = nullptr;
  // With --historico: the run beside the company's earlier one in the history (null: none).
  bool historico = false;
  const history::RunComparison* comparacao = nullptr;
};

// The file name of an output's path as typed, as the progress line names it.
std::string OutputFileName(const std::string& path);

class SideOutput {
 public:
  virtual ~SideOutput() = default;

  // The sink the run tells its findings to; null when the output does not hear them.
  virtual engine::FindingSink* sink() { return nullptr; }
  // Once the run is over, before any output finishes: starts what may go on beside the others'
  // finishing, on a thread of its own.
  virtual void Start(const RunOutcome&) {}
  // Completes the output and puts it in place. Returns the error lines of what could not be
  // written (empty when all went well).
  virtual std::string Finish(RunOutcome& outcome) = 0;
};

}  // namespace cli
