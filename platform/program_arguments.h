#pragma once
// The arguments a command-line program was started with, after the program's name, as the
// rest of the program takes texts: the bytes given on POSIX; on Windows the command line read
// in UTF-16 and given as UTF-8, so a path in any script arrives as typed (the narrow `argv`
// of the C library holds the ANSI code page, where "α" has become "a", another file's name).

#include <string>
#include <vector>

namespace platform {

std::vector<std::string> ProgramArguments(int argc, char** argv);

}  // namespace platform
