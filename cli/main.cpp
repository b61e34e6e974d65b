#include <string>
#include <vector>

#include "cli/run_cli.h"
#include "cmdline/last_resort.h"
#include "cmdline/standard_streams.h"
#include "platform/interrupt_cleanup.h"
#include "platform/program_arguments.h"

int main(int argc, char** argv) {
  cmdline::ProgramStreams streams;
  // Then: SIGINT/SIGTERM/SIGHUP remove the temporary index and outputs and end with 130/143/129,
  // whatever else the run was doing.
  platform::InstallInterruptCleanup();
  return cmdline::RunToTheEnd("talmero-criticar", streams.err(), [&] {
    const std::vector<std::string> args = platform::ProgramArguments(argc, argv);
    return cli::RunCli(args, streams.out(), streams.err(), nullptr,
                       cmdline::StandardErrorIsTerminal());
  });
}
