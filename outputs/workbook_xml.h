#pragma once
// The small parts of a workbook around its sheets: the content types, the relations, the list of
// sheets with their filters' ranges, and the styles (the plain cell, bold, and bold white on each
// fill colour used).

#include <cstdint>
#include <string>
#include <vector>

namespace outputs {

// A sheet as the workbook lists it.
struct ListedSheet {
  std::string name;    // UTF-8
  std::string filter;  // its autofilter's range ("A1:L20"); empty: none
};

std::string ContentTypesXml(std::size_t sheets);
std::string PackageRelationsXml();
std::string WorkbookRelationsXml(std::size_t sheets);
std::string WorkbookXml(const std::vector<ListedSheet>& sheets);
// Style 0 is the plain cell, 1 bold, 2 + i bold white on `fills[i]` (0xRRGGBB).
std::string StylesXml(const std::vector<std::uint32_t>& fills);

// The XML of a sheet's part before its rows: `dimension` the range of its cells ("A1" when it has
// none), `first` whether it is the sheet the workbook opens on, `frozen` a header row that stays
// in view, `widths` per column in characters (0: the default).
std::string SheetHeadXml(const std::string& dimension, bool first, bool frozen,
                         const std::vector<std::size_t>& widths);
// The XML after its rows; `filter` as in ListedSheet.
std::string SheetTailXml(const std::string& filter);

}  // namespace outputs
