#pragma once
// The summary of many runs as one self-contained HTML page in Portuguese (inline CSS, no script,
// nothing fetched): how many results of each outcome, then the summary's table under the
// columns' titles, with the outcome of each row named and coloured and the counts grouped in
// thousands. Every text from a result is escaped.

#include <string>
#include <vector>

#include "resumo/summary_row.h"

namespace resumo {

// The page as UTF-8.
std::string SummaryHtml(const std::vector<SummaryRow>& rows);

}  // namespace resumo
