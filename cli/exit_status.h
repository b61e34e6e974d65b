#pragma once

namespace cli {

// The runner's exit statuses. Precedence: usage, then error, then rejected.
enum ExitStatus : int {
  kExitSuccess = 0,   // the run reached its closing block
  kExitRunError = 1,  // an error ended the run, or an output could not be written
  kExitUsage = 2,     // wrong usage
  kExitRejected = 3,  // with --estrito: the verdict is "rejeitado"
};

}  // namespace cli
