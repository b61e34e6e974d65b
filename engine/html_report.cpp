#include "engine/html_report.h"

#include <algorithm>
#include <cassert>
#include <cmath>
#include <cstdio>
#include <kainjow/mustache.hpp>

#include "engine/html_report_template.h"
#include "engine/number_style.h"
#include "engine/text.h"

namespace engine {
namespace {

using kainjow::mustache::data;
using kainjow::mustache::mustache;

constexpr double kBarWidth = 200.0;  // pixels of a full bar

std::string Utf8(std::string_view win1252) { return Win1252ToUtf8(win1252); }
std::string Number(double value, int decimals) {
  return FormatNumber(value, decimals, Regional::PtBr());
}
std::string Count(std::int64_t value) { return Number(static_cast<double>(value), 0); }
// SVG wants "." as the decimal point.
std::string SvgWidth(double share_of_full) {
  char text[32];
  std::snprintf(text, sizeof text, "%.1f", std::clamp(share_of_full, 0.0, 1.0) * kBarWidth);
  return text;
}

std::string DateTime(const platform::LocalDateTime& t) {
  return FormatDateTime("dd/MM/yyyy HH:mm:ss", t);
}

data List() { return data(data::type::list); }

data Items(const std::vector<VerdictItem>& items) {
  data list = List();
  for (const VerdictItem& i : items) list.push_back(data("texto", TypedToUtf8(i.texto)));
  return list;
}

std::string_view OutcomeText(TableOutcome outcome) {
  switch (outcome) {
    case TableOutcome::kRead:
      return "lido até o fim";
    case TableOutcome::kStructureFailed:
      return "estrutura incorreta";
    case TableOutcome::kCompanyFailed:
      return "mais de uma empresa";
    case TableOutcome::kInterrupted:
      return "interrompido por um erro";
  }
  return "";
}

data Table(const TableResult& t, const FailingValues* failing) {
  data table;
  table.set("nome", Utf8(t.nomeTabela));
  table.set("arquivo", TypedToUtf8(t.path));
  table.set("situacao", std::string(OutcomeText(t.outcome)));
  table.set("registros", Count(t.records));
  std::vector<const FieldCounters*> fields;
  for (const FieldCounters& c : t.fields) fields.push_back(&c);
  std::stable_sort(fields.begin(), fields.end(),
                   [](const FieldCounters* a, const FieldCounters* b) {
                     return a->erroNulo + a->erroDom > b->erroNulo + b->erroDom;
                   });
  const double records = t.records > 0 ? static_cast<double>(t.records) : 1.0;
  // Bars to the scale of the field that fails most, so that small shares stay visible.
  std::int64_t most = 1;
  for (const FieldCounters* c : fields) most = std::max({most, c->erroNulo, c->erroDom});
  const double full = static_cast<double>(most);
  data campos = List();
  data valores = List();
  for (const FieldCounters* c : fields) {
    const double nulo = static_cast<double>(c->erroNulo) / records;
    const double dom = static_cast<double>(c->erroDom) / records;
    data row;
    row.set("campo", Utf8(c->field));
    row.set("erro_nulo", Count(c->erroNulo));
    row.set("erro_dom", Count(c->erroDom));
    row.set("pct_nulo", t.records > 0 ? Number(nulo * 100.0, 2) : std::string("-"));
    row.set("pct_dom", t.records > 0 ? Number(dom * 100.0, 2) : std::string("-"));
    row.set("barra_nulo", SvgWidth(static_cast<double>(c->erroNulo) / full));
    row.set("barra_dom", SvgWidth(static_cast<double>(c->erroDom) / full));
    campos.push_back(row);
    if (failing == nullptr || c->erroNulo + c->erroDom == 0) continue;
    const auto top = failing->Top(FindingFileOf(t.numTabela), c->field, kTopFailingValues);
    if (top.empty()) continue;
    data itens = List();
    for (const TopValues::Entry& e : top) {
      data item;
      item.set("valor", e.value.empty() ? std::string("(vazio)") : Utf8(e.value));
      item.set("quantidade", (e.overcount > 0 ? "até " : "") + Count(e.count));
      itens.push_back(item);
    }
    data field;
    field.set("campo", Utf8(c->field));
    field.set("itens", itens);
    valores.push_back(field);
  }
  table.set("tem_campos", data(!t.fields.empty() ? data::type::bool_true : data::type::bool_false));
  table.set("campos", campos);
  table.set("tem_valores",
            data(!valores.is_empty_list() ? data::type::bool_true : data::type::bool_false));
  table.set("valores", valores);
  return table;
}

data Reconciliation(const ReconciliationSection& s, const VerdictLimits& limits) {
  double largest = 0.0;
  for (const ReconciliationRow& r : s.rows) {
    largest = std::max({largest, std::fabs(r.kov_value), std::fabs(r.file_value)});
  }
  if (largest == 0.0) largest = 1.0;
  data linhas = List();
  for (const ReconciliationRow& r : s.rows) {
    data row;
    row.set("ramo", Utf8(r.ramo));
    row.set("kov", Number(r.kov_value, 0));
    row.set("arquivo", Number(r.file_value, 0));
    row.set("barra_kov", SvgWidth(std::fabs(r.kov_value) / largest));
    row.set("barra_arquivo", SvgWidth(std::fabs(r.file_value) / largest));
    row.set("diferenca",
            r.difference ? Number(*r.difference, 2) + "%" : std::string("div por zero"));
    row.set("fora", data(limits.tolerancia && ReconciliationOutside(r, limits.tolerancia)
                             ? data::type::bool_true
                             : data::type::bool_false));
    linhas.push_back(row);
  }
  data section;
  section.set("titulo", Utf8(Trimmed(s.title)));
  section.set("linhas", linhas);
  return section;
}

data Flag(bool value) { return data(value ? data::type::bool_true : data::type::bool_false); }

}  // namespace

std::string HtmlReport(const HtmlReportInputs& inputs, const RunState& state,
                       const Verdict& verdict, const VerdictLimits& limits,
                       const std::optional<std::string>& error,
                       const platform::LocalDateTime& ended) {
  const RunResult& r = state.result;
  data page;
  const std::string resultado(VerdictOutcomeName(verdict.resultado));
  page.set("resultado", resultado);
  page.set("resultado_texto", verdict.resultado == VerdictOutcome::kAceitavel   ? "aceitável"
                              : verdict.resultado == VerdictOutcome::kRejeitado ? "rejeitado"
                                                                                : "erro");
  page.set("tem_motivos", Flag(!verdict.motivos.empty()));
  page.set("motivos", Items(verdict.motivos));
  page.set("tem_avisos", Flag(!verdict.avisos.empty()));
  page.set("avisos_quantidade", Count(static_cast<std::int64_t>(verdict.avisos.size())));
  page.set("avisos", Items(verdict.avisos));
  page.set("riscos", TypedToUtf8(inputs.riscos));
  page.set("sinistros", TypedToUtf8(inputs.sinistros));
  page.set("catalogo", TypedToUtf8(inputs.catalogo));
  page.set("empresa_codigo", Utf8(Trimmed(state.codEmpresa)));
  page.set("empresa_nome", r.company_name ? Utf8(*r.company_name) : std::string());
  page.set("inicio", DateTime(r.started));
  page.set("fim", DateTime(r.finished.value_or(ended)));
  if (error) page.set("erro", data("texto", TypedToUtf8(*error)));
  data tabelas = List();
  for (const TableResult& t : r.tables) tabelas.push_back(Table(t, inputs.failing_values));
  page.set("tabelas", tabelas);
  if (r.claims_without_policy) {
    const auto& s = *r.claims_without_policy;
    data block;
    block.set("quantidade", Count(s.without_policy));
    block.set("sinistros", Count(s.claims));
    block.set("percentual", s.claims > 0 ? Number(static_cast<double>(s.without_policy) * 100.0 /
                                                      static_cast<double>(s.claims),
                                                  2)
                                         : std::string("0,00"));
    page.set("sem_apolice", block);
  }
  if (r.inverted_coverages) page.set("vigencia", data("quantidade", Count(*r.inverted_coverages)));
  data conciliacao = List();
  for (const ReconciliationSection& s : r.reconciliation) {
    conciliacao.push_back(Reconciliation(s, limits));
  }
  page.set("conciliacao", conciliacao);
  mustache tmpl(kHtmlReportTemplate);
  // The template is this program's own: a fault in it is a programmer's error.
  assert(tmpl.is_valid() && "html_report_template.h");
  return tmpl.render(page);
}

}  // namespace engine
