#pragma once
// An Excel workbook written row by row with libxlsxwriter in its constant-memory mode (each row
// goes to a temporary file as soon as the next one starts), so memory does not grow with the
// rows. What the library prints on standard error is taken (platform/stderr_capture.h) and
// becomes ErrorText(). Every sheet gets a bold frozen header row and an autofilter over the rows it
// got; text cells stay text (leading zeros kept), number cells are numbers. A sheet that reaches
// the row limit goes on in a further sheet of the same name ("riscos (2)", ...).

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace engine {

// Whether this build writes workbooks (libxlsxwriter is not part of every build).
bool XlsxAvailable();

// Whether `path` names a workbook: it ends in ".xlsx", in any case.
bool IsXlsxPath(const std::string& path);

// One cell: a text, or a number written as its decimal digits (empty: no value; a number that
// does not parse goes in as text).
struct SheetCell {
  std::string_view text;
  bool number = false;
};

class XlsxWorkbook {
 public:
  static constexpr std::uint32_t kSheetRows = 1048576;  // the format's rows per sheet
  enum class Texts { kWindows1252, kUtf8 };             // how the texts given are encoded

  // Creates the workbook's temporary parts; the file itself is written by Finish(). Check ok().
  // `rows_per_sheet` (header included) is smaller only in tests. The library's temporary files
  // go into the temporary folder, else into `scratch_fallback` (engine/scratch_file.h).
  XlsxWorkbook(const std::string& path, Texts texts, std::uint32_t rows_per_sheet = kSheetRows,
               const std::string& scratch_fallback = {});
  ~XlsxWorkbook();  // a workbook not finished still loses its temporary files
  XlsxWorkbook(const XlsxWorkbook&) = delete;
  XlsxWorkbook& operator=(const XlsxWorkbook&) = delete;

  bool ok() const;

  // Adds a sheet `name` with the header row `columns`; the number returned names it in Row().
  std::size_t AddSheet(std::string_view name, const std::vector<std::string_view>& columns);
  void Row(std::size_t sheet, const SheetCell* cells, std::size_t count);
  // Writes the file. False when a write failed at any point.
  bool Finish();
  // Why the workbook could not be made or written: the library's own words (which never reach
  // standard error), else its error text; empty while all is well.
  std::string ErrorText() const;

 private:
  class Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace engine
