#include "cli/side_outputs.h"

#include <algorithm>

namespace cli {

std::string SideOutputs::Open(const CliOptions& options, const std::string& catalogue_folder,
                              std::ostream& out, const outputs::NewFailureSource& new_failures) {
  for (const OutputEntry& entry : OutputTable()) {
    if (!Written(entry, options)) continue;
    std::string error;
    std::unique_ptr<SideOutput> output =
        entry.open({options, options.*entry.path, catalogue_folder, out, new_failures}, &error);
    if (output == nullptr) return error;
    if (engine::FindingSink* sink = output->sink()) sinks.Add(sink);
    open_.emplace_back(entry.finish_turn, std::move(output));
  }
  std::stable_sort(open_.begin(), open_.end(),
                   [](const auto& a, const auto& b) { return a.first < b.first; });
  return {};
}

std::string OutputFileName(const std::string& path) {
  const std::size_t slash = path.find_last_of("/\\");
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string SideOutputs::Finish(RunOutcome& outcome) {
  for (auto& turn_and_output : open_) turn_and_output.second->Start(outcome);
  std::string problems;
  for (auto& turn_and_output : open_) problems += turn_and_output.second->Finish(outcome);
  return problems;
}

}  // namespace cli
