#pragma once
// The summary of many runs as one self-contained HTML page in Portuguese (inline CSS, no script,
// nothing fetched): how many results of each outcome, then the summary's table under the
// columns' titles, with the outcome of each row named and coloured and the counts grouped in
// thousands. Every text from a result is escaped. A summary of histories ends with the charts of
// each company's failures per field over its runs (resumo/summary_charts.h).

#include <string>
#include <vector>

#include "resumo/summary_row.h"

namespace resumo {

// The page as UTF-8.
std::string SummaryHtml(const std::vector<SummaryRow>& rows,
                        SummarySource source = SummarySource::kJson);

}  // namespace resumo
