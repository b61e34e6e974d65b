#pragma once
// Saving the rows the panel shows. The CSV copy takes the list's own bytes (its header row, then
// each chosen row as the file has it), so a saved row equals the original one byte for byte.
//
// Other formats plug in through ForEachRawRow: a writer that wants fields (the workbook writer)
// splits each row with SplitCsvRow (csv_row.h) and names its columns from index.Header().

#include <cstdint>
#include <filesystem>
#include <functional>
#include <ostream>
#include <span>
#include <string>
#include <string_view>

#include "frontend/failure_file_index.h"
#include "frontend/save_job.h"

namespace frontend {

// Hands the bytes of each of `rows` (row numbers, ascending) to `row`, terminator included (CR
// LF added to a last row that lacks one). Neighbouring rows are read together, in pieces of a
// few MiB, so memory does not grow with the number of rows. `cancelled`, when given, is asked
// between pieces; the function returns false when it answered true. Throws FailureListError
// when the list can no longer be read.
bool ForEachRawRow(const FailureFileIndex& index, std::span<const std::uint32_t> rows,
                   const std::function<void(std::string_view row)>& row,
                   const std::function<bool()>& cancelled = {});

// Writes the header row and `rows` to `out` (binary). False when a write failed or `cancelled`
// answered true; the caller's writer (which replaces the target only when all went well) then
// discards the file. Throws as ForEachRawRow.
bool WriteRowsCsv(const FailureFileIndex& index, std::span<const std::uint32_t> rows,
                  std::ostream& out, const std::function<bool()>& cancelled = {});

// Saves the header row and `rows` as CSV at `path`, replacing any file of that name. Returns an
// empty text on success, else the message to show: the file's (report_export.h) or, when the
// list can no longer be read, the list's. With `progress`, it counts the rows written and stops
// when cancelled, as a failed write: no file is put in place.
std::string SaveRowsCsv(const FailureFileIndex& index, std::span<const std::uint32_t> rows,
                        const std::filesystem::path& path, SaveProgress* progress = nullptr);

// The same rows as a workbook with the runner's workbook writer (outputs/findings_xlsx.h): a sheet
// per input file, the list's columns by name, numbers as numbers. Messages as SaveRowsCsv.
std::string SaveRowsXlsx(const FailureFileIndex& index, std::span<const std::uint32_t> rows,
                         const std::filesystem::path& path, SaveProgress* progress = nullptr);

// SaveRowsXlsx for a path ending in ".xlsx" (any case), else SaveRowsCsv.
std::string SaveRows(const FailureFileIndex& index, std::span<const std::uint32_t> rows,
                     const std::filesystem::path& path, SaveProgress* progress = nullptr);

}  // namespace frontend
