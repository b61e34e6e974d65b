#pragma once
// An Excel workbook written row by row, so memory does not grow with the rows: each sheet's rows
// become XML as they come, handed in pieces of about a MiB to worker threads that compress them
// on the idle cores into a scratch file (outputs/deflate_pieces.h); Finish() puts the archive
// together from the pieces (outputs/zip_package.h). Every sheet gets a bold frozen header row and
// an autofilter over the rows it got; text cells stay text (leading zeros kept), number cells are
// numbers. A sheet that reaches the row limit goes on in a further sheet of the same name
// ("riscos (2)", ...), which stands right after it whatever sheets were begun meanwhile: the
// sheets keep the order they were added in, each with its continuations.
//
// Columns open wide enough to read: as wide as the longest text the sheet got in them (the header
// with room for its filter button), at least a declared width, at most kMaxColumnWidth characters
// except a column declared whole (a record key, never cut). Rows leave memory as they are
// written, so each sheet keeps only the longest length per column and sets the widths when it
// is complete: a sheet's column widths stand ahead of its rows, and are written by Finish().
//
// Every text reads back as given: a literal "_xHHHH_" (which a reader decodes, as control
// characters are written so) is written escaped, bytes that are not UTF-8 become U+FFFD, and a
// text longer than a cell holds (kMaxCellCharacters) is cut, ending in "…" (CutTexts() counts
// them). The workbook is whole or not written: a failed write of the scratch file (a full temporary
// folder) fails Finish() as any other write does, with the reason.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace outputs {

// Whether this build writes workbooks (libxlsxwriter is not part of every build).
bool XlsxAvailable();

// Whether `path` names a workbook: it ends in ".xlsx", in any case.
bool IsXlsxPath(const std::string& path);

// One cell: a text, or a number written as its decimal digits (empty: no value; a number that
// does not parse goes in as text).
struct SheetCell {
  std::string_view text;
  bool number = false;
  // A background, 0xRRGGBB, under bold white text (a verdict's colour, engine/verdict_style.h);
  // none: the sheet's plain cell.
  std::optional<std::uint32_t> fill = std::nullopt;
};

// A column of a sheet: its header and how wide it opens at least.
struct SheetColumn {
  std::string_view name;
  std::size_t width = 0;  // a declared width (a field's size), in characters
  bool whole = false;     // as wide as its longest text, past kMaxColumnWidth
};

class XlsxWorkbook {
 public:
  static constexpr std::uint32_t kSheetRows = 1048576;      // the format's rows per sheet
  static constexpr std::size_t kMaxColumnWidth = 60;        // characters, except whole columns
  static constexpr std::size_t kMaxCellCharacters = 32767;  // the format's text per cell
  enum class Texts { kWindows1252, kUtf8 };                 // how the texts given are encoded

  // Creates the workbook's temporary parts; the file itself is written by Finish(). Check ok().
  // `rows_per_sheet` (header included) is smaller only in tests. The scratch file goes into the
  // temporary folder, else into `scratch_fallback` (engine/scratch_file.h).
  XlsxWorkbook(const std::string& path, Texts texts, std::uint32_t rows_per_sheet = kSheetRows,
               const std::string& scratch_fallback = {});
  ~XlsxWorkbook();  // a workbook not finished still loses its temporary files
  XlsxWorkbook(const XlsxWorkbook&) = delete;
  XlsxWorkbook& operator=(const XlsxWorkbook&) = delete;

  bool ok() const;

  // Adds a sheet `name` with the header row `columns`; the number returned names it in Row().
  // `only_with_rows`: the sheet is made with its first row, and left out when it gets none.
  std::size_t AddSizedSheet(std::string_view name, const std::vector<SheetColumn>& columns,
                            bool only_with_rows = false);
  // The same, the columns as wide as their texts alone.
  std::size_t AddSheet(std::string_view name, const std::vector<std::string_view>& columns);
  // Adds a sheet laid out for reading rather than filtering: no header row, frozen row or
  // autofilter, its texts in `texts`; Row() with `heading` writes a bold row.
  std::size_t AddPlainSheet(std::string_view name, Texts texts);
  void Row(std::size_t sheet, const SheetCell* cells, std::size_t count, bool heading = false);
  // Writes the file. False when a write failed at any point.
  bool Finish();
  // Why the workbook could not be made or written; empty while all is well.
  std::string ErrorText() const;
  // How many texts were longer than a cell holds and were cut.
  std::size_t CutTexts() const;

 private:
  class Impl;
  Texts texts_;
  std::unique_ptr<Impl> impl_;
};

// The warning for `count` cut texts: "N textos passavam de 32.767 caracteres, ...".
std::string CutTextsWarning(std::size_t count);

}  // namespace outputs
