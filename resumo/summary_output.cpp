#include "resumo/summary_output.h"

#include <array>

#include "engine/text.h"
#include "outputs/csv_writer.h"
#include "outputs/xlsx_workbook.h"

namespace resumo {

SummaryFormat FormatOf(const std::string& path) {
  if (outputs::IsXlsxPath(path)) return SummaryFormat::kXlsx;
  if (engine::EndsWithIgnoringCase(path, ".html") || engine::EndsWithIgnoringCase(path, ".htm"))
    return SummaryFormat::kHtml;
  return SummaryFormat::kCsv;
}

bool WriteSummaryCsv(const std::vector<SummaryRow>& rows, std::ostream& out, SummarySource source) {
  const std::size_t columns = ColumnCount(source);
  outputs::CsvWriter csv(out);
  for (std::size_t c = 0; c < columns; ++c) csv.Field(SummaryColumnNames()[c]);
  csv.EndRow();
  for (const SummaryRow& row : rows) {
    for (std::size_t c = 0; c < columns; ++c) csv.Field(engine::Utf8ToWin1252(row.cells[c]));
    csv.EndRow();
  }
  return csv.Finish();
}

bool WriteSummaryXlsx(const std::vector<SummaryRow>& rows, const std::string& path,
                      std::string* reason, std::size_t* cut, SummarySource source) {
  const std::size_t columns = ColumnCount(source);
  outputs::XlsxWorkbook book(path, outputs::XlsxWorkbook::Texts::kUtf8);
  const auto& titles = SummaryColumnTitles();
  const std::size_t sheet = book.AddSheet("resumo", {titles.begin(), titles.begin() + columns});
  std::array<outputs::SheetCell, kSummaryColumns> cells;
  for (const SummaryRow& row : rows) {
    for (std::size_t c = 0; c < columns; ++c) {
      cells[c] = {row.cells[c], IsCountColumn(c)};
    }
    // The verdict as the page names and colours it; the CSV keeps the code for scripts.
    const RowState state = StateOf(row);
    cells[kResultado] = {state.title, false, engine::ColourRgb(state.colour)};
    book.Row(sheet, cells.data(), columns);
  }
  const bool written = book.ok() && book.Finish();
  *cut = book.CutTexts();
  if (written) return true;
  *reason = book.ErrorText();
  return false;
}

}  // namespace resumo
