#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#else
#include <unistd.h>
#endif

#include <cstdio>
#include <iostream>
#include <string>
#include <vector>

#include "cli/run_cli.h"

int main(int argc, char** argv) {
#ifdef _WIN32
  // The report's bytes go out unchanged, as on every other system: no CR before each LF.
  _setmode(_fileno(stdout), _O_BINARY);
  _setmode(_fileno(stderr), _O_BINARY);
#endif
  std::ios::sync_with_stdio(false);
  std::vector<std::string> args(argv + 1, argv + argc);
#ifdef _WIN32
  const bool err_is_terminal = _isatty(_fileno(stderr)) != 0;
#else
  const bool err_is_terminal = isatty(fileno(stderr)) != 0;
#endif
  return cli::RunCli(args, std::cout, std::cerr, nullptr, err_is_terminal);
}
