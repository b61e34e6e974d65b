#pragma once

namespace cli {

// The runner's exit statuses.
enum ExitStatus : int {
  kExitSuccess = 0,  // the run reached its closing block
  kExitRunError = 1, // an error ended the run (message on standard error)
  kExitUsage = 2,    // wrong usage
};

}  // namespace cli
