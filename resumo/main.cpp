#include <iostream>
#include <string>
#include <vector>

#include "cmdline/standard_streams.h"
#include "platform/standard_descriptors.h"
#include "resumo/run_resumo.h"

int main(int argc, char** argv) {
  platform::OpenClosedStandardDescriptors();
  cmdline::IgnoreBrokenPipes();
  cmdline::UseBinaryStandardStreams();
  std::ios::sync_with_stdio(false);
  cmdline::StandardOutputBuffer standard_output;
  std::ostream out(&standard_output);
  std::vector<std::string> args(argv + 1, argv + argc);
  return resumo::RunResumo(args, out, std::cerr);
}
