#pragma once
// The rows of talmero-resumo --historico: one per run recorded in the runner's histories
// (history/history_db.h), with the columns of a JSON result's row (resumo/summary_row.h) and the
// run's number, start and history. A history is only read, never created nor written.

#include <string>
#include <string_view>
#include <vector>

#include "history/history_db.h"
#include "resumo/summary_row.h"

namespace resumo {

// The row of `run`, recorded in the history at `history_path`. An error's row gives its message
// (the history keeps no explanation of it).
SummaryRow SummaryRowOfRun(const history::StoredRun& run, const std::string& history_path);

// Appends to `rows` the runs of the history at `path`, in the order recorded; only company
// `empresa`'s (code trimmed) when it is not empty. False, with the reason in `*reason` and
// nothing appended, when the history cannot be read.
bool ReadHistoryRows(const std::string& path, std::string_view empresa,
                     std::vector<SummaryRow>* rows, std::string* reason);

// Puts `rows` in the order the runs began, oldest first; runs begun in the same second stay in
// the order given (history by history, each as recorded).
void SortByStart(std::vector<SummaryRow>* rows);

}  // namespace resumo
