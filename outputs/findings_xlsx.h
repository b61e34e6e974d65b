#pragma once
// The failure list (outputs/finding_list.h) as an Excel workbook (outputs/xlsx_workbook.h): one
// sheet per input file, "riscos" and "sinistros", continued in "riscos (2)", ... past the sheet
// row limit, each continuation right after its sheet. A file's sheet opens with the record's key
// (Apólice, Endosso, Item), the columns headed in words; a header that differs from the catalogue
// has no record, and its rows go to a sheet "estrutura" (expected and found name, type and size),
// made only when there is one. Stored texts are text cells (leading zeros kept), record numbers,
// positions and catalogue codes are numbers. A row that tells how many rows a cap left out has
// that sentence under Mensagem. Columns open as wide as their texts (outputs/xlsx_workbook.h),
// the key always whole. The CSV keeps the list's own column names and order. The runner's
// workbook opens on a sheet "Resumo" with the run's verdict, which the runner writes at the end;
// rows saved from a list have none.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "outputs/finding_list.h"
#include "outputs/xlsx_workbook.h"

namespace outputs {

class FindingsXlsx : public FindingListOutput {
 public:
  static constexpr std::int64_t kUnlimited = FindingList::kUnlimited;
  static constexpr std::uint32_t kSheetRows = XlsxWorkbook::kSheetRows;

  // Creates the workbook's temporary parts; the file itself is written by Finish(). Check ok().
  // `rows_per_sheet` (header included) is smaller only in tests; `scratch_fallback` takes the
  // temporary parts that the temporary folder does not (XlsxWorkbook). `summary_sheet`: the
  // first sheet is "Resumo", filled by SummaryRow().
  explicit FindingsXlsx(const std::string& path, std::int64_t max_per_group = kUnlimited,
                        std::uint32_t rows_per_sheet = kSheetRows,
                        const std::string& scratch_fallback = {}, bool summary_sheet = false);
  ~FindingsXlsx() override;
  FindingsXlsx(const FindingsXlsx&) = delete;
  FindingsXlsx& operator=(const FindingsXlsx&) = delete;

  bool ok() const;
  // A row of the "Resumo" sheet (UTF-8 texts), before Finish(); `heading`: bold. Ignored without
  // that sheet.
  void SummaryRow(const std::vector<SheetCell>& cells, bool heading = false);
  // Why the workbook could not be made or written (XlsxWorkbook::ErrorText()).
  std::string ErrorText() const;

  // The same workbook written from rows already made (the window saves rows of a list it reads
  // back): one call of Row() per row, then Finish(). Null when the workbook cannot be created.
  static std::unique_ptr<FindingRowWriter> RowWriter(const std::string& path,
                                                     std::uint32_t rows_per_sheet = kSheetRows);

 protected:
  FindingList& list() override { return list_; }

 private:
  class Sheets;
  std::unique_ptr<Sheets> sheets_;
  FindingList list_;
};

}  // namespace outputs
