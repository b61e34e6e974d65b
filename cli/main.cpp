#include <iostream>
#include <string>
#include <vector>

#include "cli/run_cli.h"
#include "cli/standard_streams.h"
#include "platform/interrupt_cleanup.h"

int main(int argc, char** argv) {
  // First of all: SIGINT/SIGTERM then remove the temporary index and outputs and end with
  // 130/143, whatever else the run was doing.
  platform::InstallInterruptCleanup();
  cli::UseBinaryStandardStreams();
  std::ios::sync_with_stdio(false);
  std::vector<std::string> args(argv + 1, argv + argc);
  return cli::RunCli(args, std::cout, std::cerr, nullptr, cli::StandardErrorIsTerminal());
}
