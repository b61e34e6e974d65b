#include "engine/run_warnings.h"

#include <algorithm>

#include "engine/header_check.h"
#include "engine/number_style.h"
#include "engine/text.h"

namespace engine {
namespace {

// "2", "2 e 5", "2, 5 e 7"; past ten rows, the first ten and "e mais N".
std::string RowList(const std::vector<std::uint32_t>& rows) {
  constexpr std::size_t kListed = 10;
  const std::size_t listed = std::min(rows.size(), kListed);
  std::string list;
  for (std::size_t i = 0; i < listed; ++i) {
    if (i > 0) list += i + 1 == listed && listed == rows.size() ? " e " : ", ";
    list += std::to_string(rows[i]);
  }
  if (listed < rows.size()) list += " e mais " + CountText(rows.size() - listed);
  return list;
}

}  // namespace

std::vector<RunWarning> RunWarnings(const RunResult& result) {
  std::vector<RunWarning> warnings;
  for (const HeaderFinding& h : result.header_mismatches) {
    const WarningFile file =
        h.file == FindingFile::kRiscos ? WarningFile::kRiscos : WarningFile::kSinistros;
    for (std::string& text : HeaderWarnings(h)) warnings.push_back({file, std::move(text)});
  }
  if (result.kov_repeated_company) {
    warnings.push_back(
        {WarningFile::kTotais, RepeatedCompanyWarning(*result.kov_repeated_company)});
  }
  for (const UnreadableAmount& amount : result.kov_unreadable_amounts) {
    warnings.push_back({WarningFile::kTotais, UnreadableAmountWarning(amount)});
  }
  return warnings;
}

std::string RepeatedCompanyWarning(const RepeatedCompany& repeated) {
  const std::string first = repeated.rows.empty() ? "" : std::to_string(repeated.rows.front());
  return Ansi("a empresa “") + repeated.code + Ansi("” está nos registros ") +
         RowList(repeated.rows) + Ansi("; são usados os totais do registro ") + first +
         ", o primeiro";
}

std::string UnreadableAmountWarning(const UnreadableAmount& amount) {
  return "o campo " + amount.field + " do registro " + std::to_string(amount.row) +
         Ansi(" não é um número (“") + amount.text + Ansi("”); lido como 0");
}

}  // namespace engine
