#include "resumo/summary_html.h"

#include <algorithm>
#include <cassert>
#include <kainjow/mustache.hpp>
#include <utility>

#include "resumo/summary_html_template.h"

namespace resumo {
namespace {

using kainjow::mustache::data;
using kainjow::mustache::mustache;

data List() { return data(data::type::list); }

}  // namespace

std::string SummaryHtml(const std::vector<SummaryRow>& rows) {
  data colunas = List();
  for (const std::string_view name : SummaryColumnNames()) {
    colunas.push_back(data("nome", std::string(name)));
  }
  // The outcomes in the order they first appear, with their counts.
  std::vector<std::pair<std::string, std::size_t>> totals;
  data linhas = List();
  for (const SummaryRow& row : rows) {
    data celulas = List();
    for (std::size_t c = 0; c < kSummaryColumns; ++c) {
      data cell;
      cell.set("texto", row.cells[c]);
      if (c == kResultado) cell.set("classe", "resultado " + row.resultado());
      if (IsCountColumn(c)) cell.set("classe", "n");
      celulas.push_back(cell);
    }
    linhas.push_back(data("celulas", celulas));
    auto it = std::find_if(totals.begin(), totals.end(),
                           [&](const auto& t) { return t.first == row.resultado(); });
    if (it == totals.end()) it = totals.insert(totals.end(), {row.resultado(), 0});
    ++it->second;
  }
  data totais = List();
  for (const auto& [resultado, count] : totals) {
    data total;
    total.set("resultado", resultado);
    total.set("quantidade", std::to_string(count));
    totais.push_back(total);
  }
  data page;
  page.set("quantidade", std::to_string(rows.size()));
  page.set("totais", totais);
  page.set("colunas", colunas);
  page.set("linhas", linhas);
  mustache tmpl(kSummaryHtmlTemplate);
  // The template is this program's own: a fault in it is a programmer's error.
  assert(tmpl.is_valid() && "summary_html_template.h");
  return tmpl.render(page);
}

}  // namespace resumo
