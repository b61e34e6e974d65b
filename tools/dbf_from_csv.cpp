// Builds a dBase III table from a readable text source, for the shipped catalogue and samples.
//
// Source format (UTF-8):
//   lines starting with "#" are comments; blank lines are skipped;
//   the first other line names the fields: NAME:TYPE:LENGTH[:DECIMALS] separated by ";";
//   every further line is one record, values separated by ";" (no quoting; a value never
//   holds ";"); a line starting with "*" is a record marked deleted.
// Values are written as Windows-1252 (Latin-1 letters of the source are converted).

#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include "tools/dbf_writer.h"

namespace {

std::vector<std::string> Split(const std::string& line) {
  std::vector<std::string> parts;
  std::string part;
  std::istringstream in(line);
  while (std::getline(in, part, ';')) parts.push_back(part);
  if (!line.empty() && line.back() == ';') parts.emplace_back();
  return parts;
}

// UTF-8 of U+0000..U+00FF to single bytes; anything else becomes "?".
std::string ToLatin1(const std::string& utf8) {
  std::string out;
  for (std::size_t i = 0; i < utf8.size(); ++i) {
    const auto c = static_cast<unsigned char>(utf8[i]);
    if (c < 0x80) {
      out += static_cast<char>(c);
    } else if ((c == 0xC2 || c == 0xC3) && i + 1 < utf8.size()) {
      const auto next = static_cast<unsigned char>(utf8[++i]);
      out += static_cast<char>(((c & 0x03) << 6) | (next & 0x3F));
    } else {
      out += '?';
      while (i + 1 < utf8.size() && (static_cast<unsigned char>(utf8[i + 1]) & 0xC0) == 0x80) ++i;
    }
  }
  return out;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::cerr << "usage: talmero-dbf-from-csv SOURCE.csv OUTPUT.dbf\n";
    return 2;
  }
  std::ifstream in(argv[1]);
  if (!in) {
    std::cerr << "cannot read " << argv[1] << "\n";
    return 1;
  }
  try {
    std::string line;
    std::vector<tools::DbfFieldSpec> fields;
    std::vector<std::pair<std::vector<std::string>, bool>> rows;
    while (std::getline(in, line)) {
      if (!line.empty() && line.back() == '\r') line.pop_back();
      if (line.empty() || line[0] == '#') continue;
      if (fields.empty()) {
        for (const auto& spec : Split(line)) {
          std::istringstream s(spec);
          std::string name, type, length, decimals;
          std::getline(s, name, ':');
          std::getline(s, type, ':');
          std::getline(s, length, ':');
          std::getline(s, decimals, ':');
          if (name.empty() || type.size() != 1 || length.empty()) {
            throw std::invalid_argument("bad field spec '" + spec + "'");
          }
          fields.push_back(
              {name, type[0], std::stoi(length), decimals.empty() ? 0 : std::stoi(decimals)});
        }
        continue;
      }
      const bool deleted = line[0] == '*';
      std::vector<std::string> values = Split(ToLatin1(deleted ? line.substr(1) : line));
      if (values.size() > fields.size()) {
        throw std::invalid_argument("too many values in line '" + line + "'");
      }
      rows.emplace_back(std::move(values), deleted);
    }
    tools::DbfBuilder builder(fields);
    for (const auto& [values, deleted] : rows) builder.Add(values, deleted);
    builder.Write(argv[2]);
  } catch (const std::exception& e) {
    std::cerr << argv[1] << ": " << e.what() << "\n";
    return 1;
  }
  return 0;
}
