// The HTML report's section of one input table: its fields by failures, each failed field's
// most frequent failing values and its first failing records per check.
#include <algorithm>

#include "engine/html_report.h"
#include "engine/html_report_parts.h"
#include "engine/text.h"

namespace engine::html {
namespace {

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

struct CheckLabel {
  FindingCheck check;
  std::string_view label;
};
constexpr CheckLabel kFieldChecks[] = {{FindingCheck::kNulo, "Vazio (ErroNulo)"},
                                       {FindingCheck::kTamanho, "Tamanho (ErroDom)"},
                                       {FindingCheck::kData, "Data (ErroDom)"},
                                       {FindingCheck::kDominio, "Domínio (ErroDom)"}};

// The section of a field that failed: its counters, its most failing values, its samples.
data FieldSection(const TableResult& t, const FieldCounters& c, const std::string& anchor,
                  const FailingValues* failing) {
  data section;
  section.set("ancora", anchor);
  section.set("campo", Utf8(c.field));
  section.set("tabela", Utf8(t.nomeTabela));
  section.set("erro_nulo", Count(c.erroNulo));
  section.set("erro_dom", Count(c.erroDom));
  if (failing == nullptr) return section;
  const FindingFile file = FindingFileOf(t.numTabela);
  const auto top = failing->Top(file, c.field, kTopFailingValues);
  if (!top.empty()) {
    data values = List();
    for (const TopValues::Entry& e : top) {
      data item;
      item.set("valor", Utf8(e.value));
      if (e.value.empty()) item.set("vazio", Flag(true));
      item.set("quantidade", (e.overcount > 0 ? "até " : "") + Count(e.count));
      values.push_back(item);
    }
    section.set("tem_valores", Flag(true));
    section.set("valores", values);
  }
  data checks = List();
  for (const CheckLabel& k : kFieldChecks) {
    const SampleGroup& samples = failing->samples().Field(file, c.field, k.check);
    if (samples.rows.empty()) continue;
    data check;
    check.set("verificacao", std::string(k.label));
    check.set("legenda", SampleCaption(samples));
    check.set("arquivo", std::string(FindingFileName(file)));
    check.set("linhas", SampleRows(samples.rows));
    checks.push_back(check);
  }
  section.set("verificacoes", checks);
  return section;
}

}  // namespace

data Table(const TableResult& t, const FailingValues* failing) {
  data table;
  table.set("numero", std::to_string(t.numTabela));
  table.set("nome", Utf8(t.nomeTabela));
  table.set("arquivo", TypedToUtf8(t.path));
  table.set("situacao", std::string(OutcomeText(t.outcome)));
  table.set("registros", Count(t.records));
  table.set("com_falha", Count(t.records_failed));
  table.set("pct_com_falha", Share(t.records_failed, t.records));
  std::vector<std::size_t> order(t.fields.size());
  for (std::size_t i = 0; i < order.size(); ++i) order[i] = i;
  const auto failures = [&](std::size_t i) { return t.fields[i].erroNulo + t.fields[i].erroDom; };
  std::stable_sort(order.begin(), order.end(),
                   [&](std::size_t a, std::size_t b) { return failures(a) > failures(b); });
  // Bars to the scale of the field that fails most, so that small shares stay visible.
  std::int64_t most = 1;
  for (const FieldCounters& c : t.fields) most = std::max({most, c.erroNulo, c.erroDom});
  const double full = static_cast<double>(most);
  SetScale(table, full, 0);
  data rows = List();
  data sections = List();
  for (const std::size_t i : order) {
    const FieldCounters& c = t.fields[i];
    data row;
    row.set("campo", Utf8(c.field));
    row.set("erro_nulo", Count(c.erroNulo));
    row.set("erro_dom", Count(c.erroDom));
    row.set("pct_nulo", Share(c.erroNulo, t.records));
    row.set("pct_dom", Share(c.erroDom, t.records));
    row.set("barra_nulo", SvgWidth(static_cast<double>(c.erroNulo) / full));
    row.set("barra_dom", SvgWidth(static_cast<double>(c.erroDom) / full));
    if (failures(i) > 0) {
      // By the row's place: a catalogue may give two rows the same position.
      const std::string anchor = "campo-" + std::to_string(t.numTabela) + "-" + std::to_string(i);
      row.set("ancora", anchor);
      sections.push_back(FieldSection(t, c, anchor, failing));
    }
    rows.push_back(row);
  }
  table.set("tem_campos", Flag(!t.fields.empty()));
  table.set("campos", rows);
  table.set("secoes", sections);
  return table;
}

}  // namespace engine::html
