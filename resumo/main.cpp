#include <iostream>
#include <string>
#include <vector>

#include "cmdline/standard_streams.h"
#include "resumo/run_resumo.h"

int main(int argc, char** argv) {
  cmdline::ProgramStreams streams;
  const std::vector<std::string> args(argv + 1, argv + argc);
  return resumo::RunResumo(args, streams.out(), std::cerr);
}
