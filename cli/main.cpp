#include <iostream>
#include <string>
#include <vector>

#include "cli/run_cli.h"
#include "cmdline/standard_streams.h"
#include "platform/interrupt_cleanup.h"
#include "platform/standard_descriptors.h"

int main(int argc, char** argv) {
  platform::OpenClosedStandardDescriptors();
  // Then: SIGINT/SIGTERM remove the temporary index and outputs and end with 130/143, whatever
  // else the run was doing.
  platform::InstallInterruptCleanup();
  cmdline::IgnoreBrokenPipes();
  cmdline::UseBinaryStandardStreams();
  std::ios::sync_with_stdio(false);
  cmdline::StandardOutputBuffer standard_output;
  std::ostream out(&standard_output);
  std::vector<std::string> args(argv + 1, argv + argc);
  return cli::RunCli(args, out, std::cerr, nullptr, cmdline::StandardErrorIsTerminal());
}
