#include <iostream>
#include <string>
#include <vector>

#include "cmdline/standard_streams.h"
#include "platform/program_arguments.h"
#include "resumo/run_resumo.h"

int main(int argc, char** argv) {
  cmdline::ProgramStreams streams;
  const std::vector<std::string> args = platform::ProgramArguments(argc, argv);
  return resumo::RunResumo(args, streams.out(), std::cerr);
}
