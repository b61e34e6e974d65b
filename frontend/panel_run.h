#pragma once
// What a findings panel shows of one run, in both windows.

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "engine/run_result.h"
#include "frontend/record_view.h"

namespace frontend {

struct PanelRun {
  std::string list_path;  // the run's failure list; empty: the run has none
  engine::RunResult result;
  RunFiles files;  // the inputs, with the snapshots taken for the run
  // What a save must not replace (input_overwrite.h), asked at each save: the window's catalogue
  // and path boxes may have changed since the run.
  std::function<std::vector<std::string>()> protected_files;
  std::optional<std::string> error;  // the message that ended the run, if one did

  std::vector<std::string> ProtectedFiles() const {
    return protected_files ? protected_files() : std::vector<std::string>{};
  }
};

}  // namespace frontend
