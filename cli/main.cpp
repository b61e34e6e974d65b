#include <iostream>
#include <string>
#include <vector>

#include "cli/run_cli.h"
#include "cli/standard_streams.h"

int main(int argc, char** argv) {
  cli::UseBinaryStandardStreams();
  std::ios::sync_with_stdio(false);
  std::vector<std::string> args(argv + 1, argv + argc);
  return cli::RunCli(args, std::cout, std::cerr, nullptr, cli::StandardErrorIsTerminal());
}
