#include "cmdline/verdict_line.h"

#include <algorithm>
#include <utility>

#include "engine/number_style.h"
#include "engine/verdict_style.h"

namespace cmdline {
namespace {

std::string CountedTypes(const std::vector<engine::VerdictItem>& items) {
  std::vector<std::string> codes;
  codes.reserve(items.size());
  for (const engine::VerdictItem& item : items) codes.push_back(item.tipo);
  return CountedCodes(codes);
}

}  // namespace

std::string CountedCodes(const std::vector<std::string>& codes) {
  std::vector<std::pair<std::string, std::size_t>> counted;  // in order of first appearance
  for (const std::string& code : codes) {
    auto it = std::find_if(counted.begin(), counted.end(),
                           [&](const auto& c) { return c.first == code; });
    if (it == counted.end()) it = counted.insert(counted.end(), {code, 0});
    ++it->second;
  }
  std::string text;
  for (const auto& [code, count] : counted) {
    if (!text.empty()) text += ", ";
    text += code;
    if (count > 1) text += " ×" + engine::CountText(count);
  }
  return text;
}

std::string TerminalVerdictLine(const engine::Verdict& verdict) {
  // The state's own words (engine/verdict_style.h), as every other output names it.
  std::string line = "Veredito: " + engine::StateWords(verdict);
  switch (verdict.resultado) {
    case engine::VerdictOutcome::kRejeitado:
      line += " (" + CountedTypes(verdict.motivos) + ")";
      break;
    case engine::VerdictOutcome::kAceitavel:
      if (!verdict.avisos.empty()) line += " (" + CountedTypes(verdict.avisos) + ")";
      break;
    case engine::VerdictOutcome::kErro:
      break;
  }
  return line;
}

}  // namespace cmdline
