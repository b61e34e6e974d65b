#pragma once
// talmero-resumo: one summary of the JSON results of many runs of talmero-criticar
// (options: resumo/resumo_options.h, rows: resumo/summary_row.h, forms: resumo/summary_output.h).
// Every result gives a row, an unreadable one too; then the status is 1. Returns a
// cmdline::ExitStatus (0, 1 or 2).

#include <iosfwd>
#include <string>
#include <vector>

namespace resumo {

int RunResumo(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace resumo
