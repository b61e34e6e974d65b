#pragma once
// The XML of a sheet's rows, as a workbook holds it: a row element per row, a cell element per
// value with its reference ("B7"), texts written inline (no table of shared texts, so memory does
// not grow with the rows) and numbers as numbers. Written straight into a growing text: the rows
// of a failure list are millions, so each cell costs a few appends, nothing more.

#include <cstdint>
#include <string>
#include <string_view>

namespace outputs {

// "A", "B", ... "Z", "AA", ...: the letters of column `col` (0 first).
void AppendColumnLetters(std::string& out, std::uint32_t col);
// "B7": the reference of the cell in row `row` and column `col` (both 0 first).
void AppendCellReference(std::string& out, std::uint32_t row, std::uint32_t col);

// The text of an element or attribute as XML holds it: "&", "<", ">" and '"' as entities, and a
// control character other than a tab or a line feed (which XML cannot hold) in the form "_xHHHH_"
// that a reader decodes back into it.
void AppendXmlText(std::string& out, std::string_view utf8);

// The digits that name row `row` (0 first) in its cells' references, made once per row.
void RowNumber(std::uint32_t row, std::string* digits);

// Opens the row named `row` (RowNumber()) and closes it.
void AppendRowStart(std::string& out, std::string_view row);
void AppendRowEnd(std::string& out);

// A text cell in the row named `row`; `style` 0 is the plain cell. `utf8` is valid UTF-8, as a
// cell holds it.
void AppendTextCell(std::string& out, std::string_view row, std::uint32_t col,
                    std::string_view utf8, unsigned style);
// A number cell, its value in the digits `digits` (as a reader parses them).
void AppendNumberCell(std::string& out, std::string_view row, std::uint32_t col,
                      std::string_view digits, unsigned style);

// The shortest digits that read back as `value`.
std::string NumberDigits(double value);

}  // namespace outputs
