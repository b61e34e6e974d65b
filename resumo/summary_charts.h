#pragma once
// The charts of a summary of histories (resumo/summary_html.h): per company, how many failures
// each of its most failed fields had in each run, oldest run first. Inline SVG, one small line
// chart per field, side by side so that a page read at 1400 px holds five to a line; every text
// escaped.

#include <cstddef>
#include <string>
#include <vector>

#include "resumo/summary_row.h"

namespace resumo {

// Fields charted per company: the ones with most failures over its runs.
inline constexpr std::size_t kChartedFields = 10;
// Up to this many runs each is marked with a dot that names it; past it, only the line.
inline constexpr std::size_t kMarkedRuns = 60;

// The section as HTML: a heading, then per company (in the order the rows first name it) its
// charts, or a line saying it had no failures. Runs that ended in an error, counted nothing, and
// rows without a company code are left out.
std::string FieldFailureCharts(const std::vector<SummaryRow>& rows);

}  // namespace resumo
