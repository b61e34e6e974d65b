#pragma once
// What the command-line programs share around CLI11: their option conventions, and Portuguese
// messages for wrong usage instead of CLI11's English ones.

#include <CLI/CLI.hpp>
#include <string>
#include <vector>

namespace cmdline {

// Sets `app` up the programs' way: no help flag of CLI11's own (each program has its usage text),
// words that are no option kept for the program, an option given twice takes its last value.
// Call before adding options.
void PrepareApp(CLI::App& app);

// Parses `args` (without the program name). False with "falta o valor de X" or
// "uso incorreto: X" in `error`. The words that are no option of `app` go to `rest`, in order.
bool ParseApp(CLI::App& app, const std::vector<std::string>& args, std::vector<std::string>* rest,
              std::string* error);

// What wrong usage prints on standard error: "PROGRAM: ERROR" and where the options are told,
// two lines, so the message stays in sight instead of scrolling away above the whole help.
std::string UsageErrorText(const std::string& program, const std::string& error);

}  // namespace cmdline
