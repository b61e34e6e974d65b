#pragma once
// talmero-resumo: one summary of the JSON results of many runs of talmero-criticar, or of the
// runs recorded in its histories (options: resumo/resumo_options.h, rows: resumo/summary_row.h
// and resumo/history_rows.h, forms: resumo/summary_output.h). Every result gives a row, an
// unreadable one too; a history that cannot be read is told and gives none. Either makes the
// status 1. Returns a cmdline::ExitStatus (0, 1 or 2).

#include <iosfwd>
#include <string>
#include <vector>

namespace resumo {

int RunResumo(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace resumo
