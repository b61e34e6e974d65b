#pragma once
// The summary of many runs in its three forms, through the engine's writers: CSV as the failure
// list (outputs/csv_writer.h: ";", Windows-1252, CR LF, quoted where needed), an Excel workbook
// (outputs/xlsx_workbook.h, one sheet "resumo", counts as numbers) or an HTML page
// (resumo/summary_html.h). Each has the header row (the column names in CSV, their titles in
// the others), then one row per result in the order given: the columns of `source`
// (ColumnCount).

#include <ostream>
#include <string>
#include <vector>

#include "resumo/summary_row.h"

namespace resumo {

enum class SummaryFormat { kCsv, kXlsx, kHtml };

// By the suffix of `path`, in any case: ".xlsx", ".html" or ".htm"; anything else is CSV.
SummaryFormat FormatOf(const std::string& path);

// False when a write failed. `out` is opened in binary mode.
bool WriteSummaryCsv(const std::vector<SummaryRow>& rows, std::ostream& out,
                     SummarySource source = SummarySource::kJson);
// False when the workbook could not be written (or this build writes none); `*reason` then
// says why. `*cut`: how many texts were longer than a cell holds and were cut.
bool WriteSummaryXlsx(const std::vector<SummaryRow>& rows, const std::string& path,
                      std::string* reason, std::size_t* cut,
                      SummarySource source = SummarySource::kJson);

}  // namespace resumo
