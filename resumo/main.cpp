#include <iostream>
#include <string>
#include <vector>

#include "cli/standard_streams.h"
#include "resumo/run_resumo.h"

int main(int argc, char** argv) {
  cli::UseBinaryStandardStreams();
  std::ios::sync_with_stdio(false);
  std::vector<std::string> args(argv + 1, argv + argc);
  return resumo::RunResumo(args, std::cout, std::cerr);
}
