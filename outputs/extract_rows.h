#pragma once
// The rows of one input file in the records with failures (outputs/record_extract.h): arquivo,
// registro, the record's fields as stored, then falhas; into a CSV writer, or a workbook's sheet
// in the sheet's own column order.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "engine/findings.h"
#include "outputs/csv_writer.h"
#include "outputs/xlsx_workbook.h"
#include "tables/dbf_table.h"

namespace outputs {

class ExtractRows {
 public:
  // Rows of `file`, read from `table` (which Write() moves on), into `csv`, or when it is null
  // into `sheet` of `book`, whose column c shows the CSV row's column `sheet_order[c]`.
  // `labels` holds the text of each failure's label number. All must outlive the rows.
  ExtractRows(engine::FindingFile file, tables::DbfTable& table,
              const std::vector<std::string>& labels, CsvWriter* csv, XlsxWorkbook* book,
              std::size_t sheet, std::vector<std::size_t> sheet_order = {});

  // The row of physical record `record`, its failures the labels of `first` then of `more` (may
  // be null). False when the file no longer has the record.
  bool Write(std::uint32_t record, const std::vector<std::uint32_t>& first,
             const std::vector<std::uint32_t>* more);

 private:
  // Puts the table on `record`; false when the file no longer has it.
  bool Seek(std::uint32_t record);
  // The record number's digits into the row.
  void Number(std::uint32_t record);
  // The falhas column: the labels separated by blanks.
  void JoinFailures(const std::vector<std::uint32_t>& first,
                    const std::vector<std::uint32_t>* more);
  // Each field's place in a record of `size` bytes; computed again only when the size changes
  // (every record has the table's length: once per file).
  void PlaceFields(std::size_t size);
  // A record without a NUL byte and nothing to quote goes out of the record's bytes as they lie.
  bool WritePlain(std::string_view bytes);
  // Any other record, field by field: up to a NUL byte, past the end of a short record empty.
  void WriteFields(std::string_view bytes);

  tables::DbfTable& table_;
  const std::vector<std::string>& labels_;
  CsvWriter* csv_;  // null: the workbook
  XlsxWorkbook* book_;
  std::size_t sheet_;
  std::uint32_t at_;  // the table's physical record; 0: unknown
  std::vector<std::string_view> row_;
  std::vector<std::size_t> sheet_order_;
  std::vector<SheetCell> cells_;  // the workbook's row: texts but the record number
  char number_[16];
  std::string falhas_;
  std::vector<CsvWriter::Span> spans_;  // each field's place; empty past a short record's end
  std::size_t spans_for_ = 0;           // the record size spans_ were placed for
};

}  // namespace outputs
