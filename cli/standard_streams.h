#pragma once
// The standard streams of the command-line programs, where Windows and POSIX differ.

namespace cli {

// Output bytes go out unchanged, as on every other system: no CR before each LF on Windows.
void UseBinaryStandardStreams();

// Whether standard error is a terminal (a console on Windows).
bool StandardErrorIsTerminal();

}  // namespace cli
