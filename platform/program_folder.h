#pragma once
#include <string>

namespace platform {

// The folder of the running executable: its full path up to and including the last separator.
// Empty when the system cannot tell.
std::string ExecutableFolder();

}  // namespace platform
