#include <iostream>
#include <string>
#include <vector>

#include "cmdline/standard_streams.h"
#include "platform/interrupt_cleanup.h"
#include "resumo/run_resumo.h"

int main(int argc, char** argv) {
  cmdline::ProgramStreams streams;
  // Then: SIGINT/SIGTERM remove the summary's temporary file and end with 130/143.
  platform::InstallInterruptCleanup();
  const std::vector<std::string> args(argv + 1, argv + argc);
  return resumo::RunResumo(args, streams.out(), std::cerr);
}
