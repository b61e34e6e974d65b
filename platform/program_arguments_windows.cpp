#define WIN32_LEAN_AND_MEAN
#include <windows.h>
// after windows.h
#include <shellapi.h>

#include "platform/program_arguments.h"
#include "platform/wide_path_windows.h"

namespace platform {

std::vector<std::string> ProgramArguments(int argc, char** argv) {
  int count = 0;
  LPWSTR* wide = CommandLineToArgvW(GetCommandLineW(), &count);
  if (wide == nullptr) {  // out of memory: the C library's arguments are all there is
    return argc > 1 ? std::vector<std::string>(argv + 1, argv + argc) : std::vector<std::string>();
  }
  std::vector<std::string> args;
  for (int i = 1; i < count; ++i) args.push_back(Utf8Path(wide[i]));
  LocalFree(wide);
  return args;
}

}  // namespace platform
