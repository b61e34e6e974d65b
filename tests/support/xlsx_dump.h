#pragma once
// A workbook read back by openpyxl (support/read_xlsx.py): per sheet a line "= NAME", then its
// rows (cells "s:TEXT", "n:NUMBER" or "", separated by TAB), or with `widths` one line of the
// column widths set ("A:20", ...).
#include <gtest/gtest.h>

#include <cstdlib>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "support/file_bytes.h"

namespace testing_support {

inline std::string XlsxDump(const std::string& book, bool widths = false) {
  const std::string dump = book + (widths ? ".widths.txt" : ".txt");
  const std::string command = "/usr/bin/python3 " + std::string(TALMERO_TEST_DATA) +
                              "/../support/read_xlsx.py " + (widths ? "--widths " : "") + book +
                              " > " + dump;
  EXPECT_EQ(std::system(command.c_str()), 0) << command;
  return ReadBytes(dump);
}

// The dump's lines under each sheet's name, in sheet order.
inline std::vector<std::pair<std::string, std::vector<std::string>>> XlsxSheets(
    const std::string& dump) {
  std::vector<std::pair<std::string, std::vector<std::string>>> sheets;
  std::istringstream in(dump);
  for (std::string line; std::getline(in, line);) {
    if (line.rfind("= ", 0) == 0) {
      sheets.emplace_back(line.substr(2), std::vector<std::string>());
    } else if (!sheets.empty()) {
      sheets.back().second.push_back(line);
    }
  }
  return sheets;
}

// A line of widths as column letter -> width.
inline std::map<std::string, int> XlsxWidths(const std::string& line) {
  std::map<std::string, int> widths;
  std::istringstream in(line);
  for (std::string cell; std::getline(in, cell, '\t');) {
    const std::size_t colon = cell.find(':');
    if (colon != std::string::npos)
      widths[cell.substr(0, colon)] = std::stoi(cell.substr(colon + 1));
  }
  return widths;
}

}  // namespace testing_support
