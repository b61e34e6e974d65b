#include <string>
#include <vector>

#include "cmdline/last_resort.h"
#include "cmdline/standard_streams.h"
#include "platform/interrupt_cleanup.h"
#include "platform/program_arguments.h"
#include "resumo/run_resumo.h"

int main(int argc, char** argv) {
  cmdline::ProgramStreams streams;
  // Then: SIGINT/SIGTERM/SIGHUP remove the summary's temporary file and end with 130/143/129.
  platform::InstallInterruptCleanup();
  return cmdline::RunToTheEnd("talmero-resumo", streams.err(), [&] {
    const std::vector<std::string> args = platform::ProgramArguments(argc, argv);
    return resumo::RunResumo(args, streams.out(), streams.err());
  });
}
