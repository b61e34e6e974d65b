#pragma once
// The outputs of one run of the runner, opened and finished as the table of outputs says
// (cli/output_table.h).

#include <iosfwd>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "cli/cli_options.h"
#include "cli/output_table.h"
#include "cli/side_output.h"
#include "engine/finding_tee.h"
#include "outputs/failing_values.h"

namespace cli {

class SideOutputs {
 public:
  // Opens every output `options` asks for, in the table's order, before the run, so that a path
  // that cannot be written costs no run. Returns the error lines of the first that cannot be
  // opened (the others are not tried), or nothing. `new_failures`: see OutputSetting.
  std::string Open(const CliOptions& options, const std::string& catalogue_folder,
                   std::ostream& out, const outputs::NewFailureSource& new_failures = {});

  // Completes every output once the run is over, in their finishing turns: first each one's
  // Start(), then each one's Finish(). Returns the error lines of those that could not be
  // written (empty when all went well).
  std::string Finish(RunOutcome& outcome);

  // The sinks of the outputs that hear the run's findings, in the table's order.
  engine::FindingTee sinks;

 private:
  // Each open output, by finishing turn.
  std::vector<std::pair<int, std::unique_ptr<SideOutput>>> open_;
};

}  // namespace cli
