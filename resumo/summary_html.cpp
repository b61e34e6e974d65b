#include "resumo/summary_html.h"

#include <algorithm>
#include <cassert>
#include <charconv>
#include <cstdint>
#include <cstdio>
#include <kainjow/mustache.hpp>
#include <string_view>
#include <utility>

#include "engine/number_style.h"
#include "engine/regional.h"
#include "engine/verdict_style.h"
#include "outputs/output_text.h"
#include "resumo/summary_charts.h"
#include "resumo/summary_html_template.h"

namespace resumo {
namespace {

using kainjow::mustache::data;
using kainjow::mustache::mustache;

data List() { return data(data::type::list); }

// A count with the Brazilian thousands separator: 97063 -> "97.063".
std::string Grouped(std::int64_t count) {
  return engine::FormatNumber(static_cast<double>(count), 0, engine::Regional::PtBr());
}

// A count cell's digits grouped; anything else as it is.
std::string CountText(const std::string& digits) {
  std::int64_t count = 0;
  const char* end = digits.data() + digits.size();
  const auto parsed = std::from_chars(digits.data(), end, count);
  return parsed.ec == std::errc() && parsed.ptr == end ? Grouped(count) : digits;
}

// The states' classes (RowState::key) in the verdicts' colours of every other output; an
// unreadable result in the grey of an error, as neither says anything of the data.
std::string StateColours() {
  using engine::StyleOf;
  using engine::VerdictOutcome;
  const std::pair<std::string_view, engine::VerdictColour> classes[] = {
      {"aceitavel", StyleOf(VerdictOutcome::kAceitavel, false).colour},
      {"aceitavel_com_avisos", StyleOf(VerdictOutcome::kAceitavel, true).colour},
      {"rejeitado", StyleOf(VerdictOutcome::kRejeitado, false).colour},
      {"erro", StyleOf(VerdictOutcome::kErro, false).colour},
      {kIlegivel, engine::VerdictColour::kGrey}};
  std::string css;
  for (const auto& [name, colour] : classes) {
    char rgb[8];
    std::snprintf(rgb, sizeof rgb, "#%06x", static_cast<unsigned>(engine::ColourRgb(colour)));
    css += "." + std::string(name) + "{background:" + rgb + "}";
  }
  return css;
}

std::string MostFailedText(const std::vector<FieldFailureCount>& fields) {
  std::string text;
  for (const FieldFailureCount& f : fields) {
    if (!text.empty()) text += ", ";
    text += f.name + " " + Grouped(f.failures);
  }
  return text;
}

// "resultado <state>": the state's class gives the background.
std::string ResultClass(const RowState& state) { return "resultado " + state.key; }

std::string CellText(const SummaryRow& row, std::size_t c) {
  if (IsCountColumn(c)) return CountText(row.cells[c]);
  if (c == kResultado) return StateOf(row).title;
  if (c == kCamposMaisFalhos) return MostFailedText(row.most_failed);
  return row.cells[c];
}

// The text in parts that a line may end after: each path separator closes one.
data Parts(std::string_view text) {
  data parts = List();
  bool first = true;
  while (!text.empty()) {
    const std::size_t end = std::min(text.find_first_of("/\\"), text.size() - 1) + 1;
    data part("texto", std::string(text.substr(0, end)));
    if (first) part.set("primeira", true);
    parts.push_back(part);
    text.remove_prefix(end);
    first = false;
  }
  return parts;
}

}  // namespace

std::string SummaryHtml(const std::vector<SummaryRow>& rows, SummarySource source) {
  const std::size_t columns = ColumnCount(source);
  data colunas = List();
  for (std::size_t c = 0; c < columns; ++c) {
    colunas.push_back(data("nome", std::string(SummaryColumnTitles()[c])));
  }
  // The outcomes in the order they first appear, with their counts.
  std::vector<std::pair<RowState, std::size_t>> totals;
  data linhas = List();
  for (const SummaryRow& row : rows) {
    data celulas = List();
    for (std::size_t c = 0; c < columns; ++c) {
      data cell;
      cell.set("partes", Parts(CellText(row, c)));
      if (c == kResultado) cell.set("classe", ResultClass(StateOf(row)));
      if (IsCountColumn(c)) cell.set("classe", "n");
      if (c == kCodSeg) cell.set("classe", "codigo");
      // Paths and an error's message may hold words longer than any column.
      if (c == kResultadoJson || c == kRiscos || c == kSinistros || c == kMotivos) {
        cell.set("classe", "longo");
      }
      celulas.push_back(cell);
    }
    linhas.push_back(data("celulas", celulas));
    const RowState state = StateOf(row);
    auto it = std::find_if(totals.begin(), totals.end(),
                           [&](const auto& t) { return t.first.key == state.key; });
    if (it == totals.end()) it = totals.insert(totals.end(), {state, 0});
    ++it->second;
  }
  data totais = List();
  for (const auto& [state, count] : totals) {
    data total;
    total.set("classe", ResultClass(state));
    total.set("titulo", state.title);
    total.set("quantidade", Grouped(static_cast<std::int64_t>(count)));
    totais.push_back(total);
  }
  data page;
  page.set("quantidade", Grouped(static_cast<std::int64_t>(rows.size())));
  page.set("totais", totais);
  page.set("colunas", colunas);
  page.set("linhas", linhas);
  page.set("cores", StateColours());
  page.set("graficos", source == SummarySource::kHistory ? FieldFailureCharts(rows) : "");
  mustache tmpl(kSummaryHtmlTemplate);
  tmpl.set_custom_escape(outputs::HtmlEscaped);
  // The template is this program's own: a fault in it is a programmer's error.
  assert(tmpl.is_valid() && "summary_html_template.h");
  return tmpl.render(page);
}

}  // namespace resumo
