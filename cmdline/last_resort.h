#pragma once
// The outermost frame of a command-line program. An error that escapes the run itself (memory or
// a thread the system would not give while an output was being made) ends the program with a
// message and status 1 after the stack unwound, so every temporary file of the run is removed
// on the way out; nothing reaches std::terminate.

#include <functional>
#include <ostream>
#include <string_view>

namespace cmdline {

// Runs `program_body` and returns its status; on an escaped error writes
// "PROGRAM: memória insuficiente" (or the error's own text) to `err` and returns kExitRunError.
int RunToTheEnd(std::string_view program, std::ostream& err,
                const std::function<int()>& program_body);

}  // namespace cmdline
