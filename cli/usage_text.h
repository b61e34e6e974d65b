#pragma once
// The runner's usage text (--help), in Portuguese, UTF-8: the options outside the table of
// outputs as written here, each output's lines from its entry (cli/output_table.h).

#include <string>

namespace cli {

std::string UsageText();

}  // namespace cli
