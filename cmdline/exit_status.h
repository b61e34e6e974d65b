#pragma once

namespace cmdline {

// The exit statuses of the command-line programs (talmero-resumo uses the first three).
// Precedence: interrupted, then usage, then error, then rejected.
// An interruption (SIGINT 130, SIGTERM 143, SIGHUP 129: platform/interrupt_cleanup.h) ends the
// process from its handler, so it takes precedence over everything else.
enum ExitStatus : int {
  kExitSuccess = 0,   // the run reached its closing block
  kExitRunError = 1,  // an error ended the run, or an output could not be written
  kExitUsage = 2,     // wrong usage
  kExitRejected = 3,  // with --estrito: the verdict is "rejeitado"
};

}  // namespace cmdline
