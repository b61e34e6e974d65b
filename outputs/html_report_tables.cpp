// The HTML report's section of one input table: its fields by failures, each failed field's
// most frequent failing values and its first failing records per check.
#include <algorithm>
#include <iterator>

#include "engine/text.h"
#include "outputs/html_report.h"
#include "outputs/html_report_parts.h"

namespace outputs::html {
namespace {

std::string_view OutcomeText(engine::TableOutcome outcome) {
  switch (outcome) {
    case engine::TableOutcome::kRead:
      return "lido até o fim";
    case engine::TableOutcome::kStructureFailed:
      return "estrutura incorreta";
    case engine::TableOutcome::kCompanyFailed:
      return "mais de uma empresa";
    case engine::TableOutcome::kInterrupted:
      return "interrompido por um erro";
  }
  return "";
}

struct CheckLabel {
  engine::FindingCheck check;
  std::string_view label;
};
constexpr CheckLabel kFieldChecks[] = {{engine::FindingCheck::kNulo, "Vazio (ErroNulo)"},
                                       {engine::FindingCheck::kTamanho, "Tamanho (ErroDom)"},
                                       {engine::FindingCheck::kData, "Data (ErroDom)"},
                                       {engine::FindingCheck::kDominio, "Domínio (ErroDom)"}};
static_assert(std::size(kFieldChecks) == engine::kFieldCheckCount, "a label for every field check");

// The section of a field that failed: its counters, its most failing values, its samples.
data FieldSection(const engine::TableResult& t, const engine::FieldCounters& c,
                  const std::string& anchor, const FailingValues* failing) {
  data section;
  Put(section, "ancora", anchor);
  Put(section, "campo", Utf8(c.field));
  Put(section, "tabela", Utf8(t.nomeTabela));
  Put(section, "erro_nulo", Count(c.erroNulo));
  Put(section, "erro_dom", Count(c.erroDom));
  if (failing == nullptr) return section;
  const engine::FindingFile file = engine::FindingFileOf(t.numTabela);
  const auto top = failing->Top(file, c.field, kTopFailingValues);
  if (!top.empty()) {
    data values = List();
    for (const TopValues::Entry& e : top) {
      data item;
      Put(item, "valor", Utf8(e.value));
      if (e.value.empty()) Put(item, "vazio", Flag(true));
      Put(item, "quantidade", (e.overcount > 0 ? "até " : "") + Count(e.count));
      Append(values, std::move(item));
    }
    Put(section, "tem_valores", Flag(true));
    Put(section, "valores", std::move(values));
  }
  data checks = List();
  for (const CheckLabel& k : kFieldChecks) {
    const SampleGroup& samples = failing->samples().Field(file, c.field, k.check);
    if (samples.rows.empty()) continue;
    data check;
    Put(check, "verificacao", std::string(k.label));
    Put(check, "legenda", SampleCaption(samples));
    Put(check, "arquivo", std::string(engine::FindingFileName(file)));
    Put(check, "linhas", SampleRows(samples.rows));
    Append(checks, std::move(check));
  }
  Put(section, "verificacoes", std::move(checks));
  return section;
}

}  // namespace

data Table(const engine::TableResult& t, const FailingValues* failing) {
  data table;
  Put(table, "numero", std::to_string(t.numTabela));
  Put(table, "nome", Utf8(t.nomeTabela));
  Put(table, "arquivo", engine::TypedToUtf8(t.path));
  Put(table, "situacao", std::string(OutcomeText(t.outcome)));
  Put(table, "registros", Count(t.records));
  Put(table, "com_falha", Count(t.records_failed));
  Put(table, "pct_com_falha", Share(t.records_failed, t.records));
  std::vector<std::size_t> order(t.fields.size());
  for (std::size_t i = 0; i < order.size(); ++i) order[i] = i;
  const auto failures = [&](std::size_t i) { return t.fields[i].erroNulo + t.fields[i].erroDom; };
  std::stable_sort(order.begin(), order.end(),
                   [&](std::size_t a, std::size_t b) { return failures(a) > failures(b); });
  // Bars to the scale of the field that fails most, so that small shares stay visible.
  std::int64_t most = 1;
  for (const engine::FieldCounters& c : t.fields) most = std::max({most, c.erroNulo, c.erroDom});
  const double full = static_cast<double>(most);
  SetScale(table, full, 0);
  data rows = List();
  data sections = List();
  for (const std::size_t i : order) {
    const engine::FieldCounters& c = t.fields[i];
    data row;
    Put(row, "campo", Utf8(c.field));
    Put(row, "erro_nulo", Count(c.erroNulo));
    Put(row, "erro_dom", Count(c.erroDom));
    Put(row, "pct_nulo", Share(c.erroNulo, t.records));
    Put(row, "pct_dom", Share(c.erroDom, t.records));
    Put(row, "barra_nulo", SvgWidth(static_cast<double>(c.erroNulo) / full));
    Put(row, "barra_dom", SvgWidth(static_cast<double>(c.erroDom) / full));
    if (failures(i) > 0) {
      // By the row's place: a catalogue may give two rows the same position.
      const std::string anchor = "campo-" + std::to_string(t.numTabela) + "-" + std::to_string(i);
      Put(row, "ancora", anchor);
      Append(sections, FieldSection(t, c, anchor, failing));
    }
    Append(rows, std::move(row));
  }
  Put(table, "tem_campos", Flag(!t.fields.empty()));
  Put(table, "campos", std::move(rows));
  Put(table, "secoes", std::move(sections));
  return table;
}

}  // namespace outputs::html
