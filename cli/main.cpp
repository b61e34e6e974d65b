#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#endif

#include <cstdio>
#include <iostream>
#include <string>
#include <vector>

#include "cli/run_cli.h"
#include "platform/interrupt_cleanup.h"

int main(int argc, char** argv) {
#ifdef _WIN32
  // The report's bytes go out unchanged, as on every other system: no CR before each LF.
  _setmode(_fileno(stdout), _O_BINARY);
  _setmode(_fileno(stderr), _O_BINARY);
#endif
  // First of all: SIGINT/SIGTERM then remove the temporary index and outputs and end with
  // 130/143, whatever else the run was doing.
  platform::InstallInterruptCleanup();
  std::ios::sync_with_stdio(false);
  std::vector<std::string> args(argv + 1, argv + argc);
  return cli::RunCli(args, std::cout, std::cerr);
}
