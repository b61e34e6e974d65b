#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#endif

#include <cstdio>
#include <iostream>
#include <string>
#include <vector>

#include "resumo/run_resumo.h"

int main(int argc, char** argv) {
#ifdef _WIN32
  // The summary's bytes go out unchanged, as on every other system: no CR before each LF.
  _setmode(_fileno(stdout), _O_BINARY);
  _setmode(_fileno(stderr), _O_BINARY);
#endif
  std::ios::sync_with_stdio(false);
  std::vector<std::string> args(argv + 1, argv + argc);
  return resumo::RunResumo(args, std::cout, std::cerr);
}
