// The failure list's CSV: any bytes in the texts of a finding must come back unchanged when the
// CSV is read by the usual rules (";" between fields, quoted fields with doubled quotes, CR LF
// after each row), and every row must have all its columns.

#include <cstddef>
#include <cstdint>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "outputs/findings_csv.h"

namespace {

constexpr std::size_t kColumns = outputs::kFindingColumns;

// Splits the input at 0xFF bytes into the texts the findings carry.
std::vector<std::string_view> Pieces(std::string_view bytes) {
  std::vector<std::string_view> out;
  for (std::size_t at; (at = bytes.find('\xFF')) != std::string_view::npos;) {
    out.push_back(bytes.substr(0, at));
    bytes.remove_prefix(at + 1);
  }
  out.push_back(bytes);
  return out;
}

// Reads CSV rows as a spreadsheet would; false when the text is not well-formed CSV.
bool ParseCsv(std::string_view text, std::vector<std::vector<std::string>>& rows) {
  std::size_t i = 0;
  while (i < text.size()) {
    std::vector<std::string> row;
    for (;;) {
      std::string field;
      if (i < text.size() && text[i] == '"') {
        for (++i;; ++i) {
          if (i >= text.size()) return false;
          if (text[i] == '"') {
            if (i + 1 < text.size() && text[i + 1] == '"') {
              field += '"';
              ++i;
            } else {
              ++i;
              break;
            }
          } else {
            field += text[i];
          }
        }
      } else {
        while (i < text.size() && text[i] != ';' && text[i] != '\r' && text[i] != '\n') {
          if (text[i] == '"') return false;
          field += text[i++];
        }
      }
      row.push_back(std::move(field));
      if (i < text.size() && text[i] == ';') {
        ++i;
        continue;
      }
      if (text.substr(i, 2) != "\r\n") return false;
      i += 2;
      break;
    }
    rows.push_back(std::move(row));
  }
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::vector<std::string_view> pieces =
      Pieces(std::string_view(reinterpret_cast<const char*>(data), size));
  std::ostringstream out(std::ios::binary);
  std::vector<std::vector<std::string_view>> told;  // campo, valor, valor_relacionado
  {
    outputs::FindingsCsv csv(out);
    for (std::size_t k = 0; k + 2 < pieces.size(); k += 3) {
      const std::string_view field = pieces[k];
      const std::string_view text = pieces[k + 1];
      const std::string_view other = pieces[k + 2];
      if (k % 2 == 0) {
        engine::FieldFinding f;
        f.file = engine::FindingFile::kSinistros;
        f.record = static_cast<std::uint32_t>(k + 1);
        f.position = 1;
        f.field = field;
        f.check = engine::FindingCheck::kDominio;
        f.text = text;
        f.qualifier = other;
        csv.FieldFailed(f);
      } else {
        csv.CompanyFailed(engine::FindingFile::kRiscos, static_cast<std::uint32_t>(k + 1), {},
                          field, text, other);
      }
      told.push_back({field, text, other});
    }
    if (!csv.Finish()) __builtin_trap();
  }
  std::vector<std::vector<std::string>> rows;
  if (!ParseCsv(out.str(), rows) || rows.size() != told.size() + 1) __builtin_trap();
  for (std::size_t r = 0; r < rows.size(); ++r) {
    if (rows[r].size() != kColumns) __builtin_trap();
    if (r == 0) continue;
    const std::vector<std::string_view>& t = told[r - 1];
    if (rows[r][3] != t[0] || rows[r][5] != t[1] || rows[r][6] != t[2]) __builtin_trap();
  }
  return 0;
}
