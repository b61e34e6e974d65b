#include "engine/html_report.h"

#include <algorithm>
#include <cassert>
#include <cmath>
#include <cstdio>
#include <kainjow/mustache.hpp>

#include "engine/html_report_parts.h"
#include "engine/html_report_template.h"
#include "engine/number_style.h"
#include "engine/text.h"
#include "engine/verdict_style.h"

namespace engine {
namespace html {

std::string Utf8(std::string_view win1252) { return Win1252ToUtf8(win1252); }

std::string Number(double value, int decimals) {
  return FormatNumber(value, decimals, Regional::PtBr());
}

std::string Count(std::int64_t value) { return Number(static_cast<double>(value), 0); }

std::string Share(std::int64_t count, std::int64_t total) {
  if (total <= 0) return "-";
  return Number(static_cast<double>(count) * 100.0 / static_cast<double>(total), 2);
}

std::string Counted(std::int64_t count, std::string_view one, std::string_view many) {
  return Count(count) + " " + std::string(count == 1 ? one : many);
}

std::string SampleCaption(const SampleGroup& group) {
  const auto shown = static_cast<std::int64_t>(group.rows.size());
  if (shown == group.count) return Counted(shown, "registro", "registros");
  return "os primeiros " + Count(shown) + " de " + Counted(group.count, "registro", "registros");
}

std::string Title(std::string_view win1252) {
  std::string_view title = Trimmed(win1252);
  if (!title.empty() && title.back() == ':') title.remove_suffix(1);
  return Utf8(Trimmed(title));
}

std::string SvgWidth(double share_of_full) {
  char text[32];
  std::snprintf(text, sizeof text, "%.1f", std::clamp(share_of_full, 0.0, 1.0) * kBarWidth);
  return text;
}

void SetScale(data& section, double full, int decimals) {
  section.set("escala_meio", Number(full / 2.0, full < 2.0 ? 1 : decimals));
  section.set("escala_fim", Number(full, decimals));
}

data List() { return data(data::type::list); }

data Flag(bool value) { return data(value ? data::type::bool_true : data::type::bool_false); }

data SampleRows(const std::vector<RecordSample>& samples) {
  data rows = List();
  for (const RecordSample& s : samples) {
    data row;
    row.set("registro", std::to_string(s.record));  // as the failure list writes it
    row.set("apolice", Utf8(s.apolice));
    row.set("endosso", Utf8(s.endosso));
    row.set("item", Utf8(s.item));
    row.set("primeira", Utf8(s.first));
    if (s.first.empty()) row.set("sem_primeira", Flag(true));
    row.set("segunda", Utf8(s.second));
    if (s.second.empty()) row.set("sem_segunda", Flag(true));
    rows.push_back(row);
  }
  return rows;
}

namespace {

using kainjow::mustache::mustache;

std::string DateTime(const platform::LocalDateTime& t) {
  return FormatDateTime("dd/MM/yyyy HH:mm:ss", t);
}

std::string Hex(std::uint32_t rgb) {
  char text[8];
  std::snprintf(text, sizeof text, "#%06X", static_cast<unsigned>(rgb & 0xFFFFFF));
  return text;
}

// A list whose first kShownFirst items are shown and the rest folded: primeiros, tem_resto,
// resto, resto_texto ("Mais 3 avisos"), quantidade, total_texto ("13 avisos").
data Folded(const std::vector<data>& items, std::string_view one, std::string_view many) {
  data first = List();
  data rest = List();
  for (std::size_t i = 0; i < items.size(); ++i) {
    (i < kShownFirst ? first : rest).push_back(items[i]);
  }
  data folded;
  const auto count = static_cast<std::int64_t>(items.size());
  folded.set("quantidade", Count(count));
  folded.set("total_texto", Counted(count, one, many));
  folded.set("primeiros", first);
  if (items.size() > kShownFirst) {
    folded.set("tem_resto", Flag(true));
    folded.set("resto", rest);
    const auto rest_count = static_cast<std::int64_t>(items.size() - kShownFirst);
    folded.set("resto_texto", "Mais " + Counted(rest_count, one, many));
  }
  return folded;
}

data Item(const VerdictItem& i) {
  data item;
  item.set("texto", TypedToUtf8(i.texto));
  item.set("valor", i.valor && i.tipo != "vigencia_invertida" ? Number(*i.valor, 2) + "%" : "");
  return item;
}

// The warnings per table (by the table's name), then those of the claims without a policy, of
// the reconciliation and any other; each group by its share (or difference) from the largest,
// items without one last.
data WarningGroups(const std::vector<VerdictItem>& avisos, const RunResult& r) {
  struct Group {
    std::string title;
    std::vector<const VerdictItem*> items;
  };
  std::vector<Group> groups;
  for (const TableResult& t : r.tables) groups.push_back({"Tabela " + Utf8(t.nomeTabela), {}});
  const std::size_t claims = groups.size();
  groups.push_back({"Sinistros sem apólice", {}});
  groups.push_back({"Conciliação", {}});
  groups.push_back({"Outros", {}});
  for (const VerdictItem& i : avisos) {
    std::size_t g = claims + 2;
    if (i.tipo == "sem_apolice") {
      g = claims;
    } else if (i.tipo == "conciliacao") {
      g = claims + 1;
    } else if (i.tabela) {
      for (std::size_t t = 0; t < r.tables.size(); ++t) {
        if (r.tables[t].numTabela == *i.tabela) g = t;
      }
    }
    groups[g].items.push_back(&i);
  }
  data list = List();
  for (Group& g : groups) {
    if (g.items.empty()) continue;
    std::stable_sort(g.items.begin(), g.items.end(),
                     [](const VerdictItem* a, const VerdictItem* b) {
                       const double x = a->valor ? std::fabs(*a->valor) : -1.0;
                       const double y = b->valor ? std::fabs(*b->valor) : -1.0;
                       return x > y;
                     });
    std::vector<data> items;
    for (const VerdictItem* i : g.items) items.push_back(Item(*i));
    data group = Folded(items, "aviso", "avisos");
    group.set("titulo", g.title);
    list.push_back(group);
  }
  return list;
}

data Reconciliation(const ReconciliationSection& s, const VerdictLimits& limits,
                    const std::string& anchor) {
  double largest = 0.0;
  for (const ReconciliationRow& r : s.rows) {
    largest = std::max({largest, std::fabs(r.kov_value), std::fabs(r.file_value)});
  }
  if (largest == 0.0) largest = 1.0;
  data rows = List();
  for (const ReconciliationRow& r : s.rows) {
    data row;
    row.set("ramo", Utf8(r.ramo));
    row.set("kov", Number(r.kov_value, 0));
    row.set("arquivo", Number(r.file_value, 0));
    row.set("barra_kov", SvgWidth(std::fabs(r.kov_value) / largest));
    row.set("barra_arquivo", SvgWidth(std::fabs(r.file_value) / largest));
    row.set("diferenca",
            r.difference ? Number(*r.difference, 2) + "%" : std::string("div por zero"));
    row.set("fora", Flag(limits.tolerancia && ReconciliationOutside(r, limits.tolerancia)));
    rows.push_back(row);
  }
  data section;
  section.set("ancora", anchor);
  section.set("titulo", Title(s.title));
  SetScale(section, largest, 0);
  section.set("linhas", rows);
  return section;
}

std::string ReconciliationAnchor(std::size_t i) { return "conciliacao-" + std::to_string(i + 1); }

// The reconciliation row furthest from its totals, either way; none without a difference.
std::optional<data> LargestDifference(const std::vector<ReconciliationSection>& sections) {
  const ReconciliationRow* largest = nullptr;
  std::size_t at = 0;
  for (std::size_t i = 0; i < sections.size(); ++i) {
    for (const ReconciliationRow& r : sections[i].rows) {
      if (r.difference &&
          (largest == nullptr || std::fabs(*r.difference) > std::fabs(*largest->difference))) {
        largest = &r;
        at = i;
      }
    }
  }
  if (largest == nullptr) return std::nullopt;
  data d;
  d.set("diferenca", Number(*largest->difference, 2) + "%");
  d.set("titulo", Title(sections[at].title));
  d.set("ramo", Utf8(Trimmed(largest->ramo)));
  d.set("ancora", ReconciliationAnchor(at));
  return d;
}

// `group`: null when no samples were kept.
data Samples(data block, const SampleGroup* group) {
  if (group != nullptr && !group->rows.empty()) {
    block.set("tem_linhas", Flag(true));
    block.set("legenda", SampleCaption(*group));
    block.set("linhas", SampleRows(group->rows));
  }
  return block;
}

data Entry(std::string id, std::string title) {
  data entry;
  entry.set("id", std::move(id));
  entry.set("titulo", std::move(title));
  return entry;
}

std::string Page(const HtmlReportInputs& inputs, const RunState& state, const Verdict& verdict,
                 const VerdictLimits& limits, const std::optional<std::string>& error,
                 const platform::LocalDateTime& ended) {
  const RunResult& r = state.result;
  const HtmlReportSamples* samples =
      inputs.failing_values == nullptr ? nullptr : &inputs.failing_values->samples();
  const VerdictStyle style = StyleOf(verdict);
  data page;
  data contents = List();
  page.set("resultado", std::string(VerdictOutcomeName(verdict.resultado)));
  page.set("titulo", Utf8(style.title));
  page.set("cor", std::string(ColourName(style.colour)));
  page.set("cor_rgb", Hex(ColourRgb(style.colour)));
  if (!verdict.motivos.empty()) {
    std::vector<data> items;
    for (const VerdictItem& i : verdict.motivos)
      items.push_back(data("texto", TypedToUtf8(i.texto)));
    page.set("motivos", Folded(items, "motivo", "motivos"));
  }
  contents.push_back(Entry("resumo", "Resumo"));
  if (!verdict.avisos.empty()) {
    const std::string count = Count(static_cast<std::int64_t>(verdict.avisos.size()));
    page.set("tem_avisos", Flag(true));
    page.set("avisos_quantidade", count);
    page.set("avisos_texto",
             Counted(static_cast<std::int64_t>(verdict.avisos.size()), "aviso", "avisos"));
    page.set("grupos_avisos", WarningGroups(verdict.avisos, r));
    contents.push_back(Entry("avisos", "Avisos (" + count + ")"));
  }
  contents.push_back(Entry("entradas", "Entradas"));
  page.set("riscos", TypedToUtf8(inputs.riscos));
  page.set("sinistros", TypedToUtf8(inputs.sinistros));
  page.set("catalogo", TypedToUtf8(inputs.catalogo));
  page.set("empresa_codigo", Utf8(Trimmed(state.codEmpresa)));
  page.set("empresa_nome", r.company_name ? Utf8(*r.company_name) : std::string());
  page.set("inicio", DateTime(r.started));
  page.set("fim", DateTime(r.finished.value_or(ended)));
  if (error) {
    page.set("erro", data("texto", TypedToUtf8(*error)));
    contents.push_back(Entry("erro", "Erro que interrompeu a crítica"));
  }
  data tables = List();
  for (const TableResult& t : r.tables) {
    tables.push_back(Table(t, inputs.failing_values));
    contents.push_back(
        Entry("tabela-" + std::to_string(t.numTabela), "Tabela " + Utf8(t.nomeTabela)));
  }
  page.set("tabelas", tables);
  if (r.claims_without_policy) {
    const auto& s = *r.claims_without_policy;
    data block;
    block.set("quantidade", Count(s.without_policy));
    block.set("sinistros", Count(s.claims));
    block.set("percentual", s.claims > 0 ? Share(s.without_policy, s.claims) : "0,00");
    page.set("sem_apolice", Samples(block, samples ? &samples->claims() : nullptr));
    contents.push_back(Entry("sem-apolice", "Sinistros sem apólice"));
  }
  if (r.inverted_coverages) {
    data block("quantidade", Count(*r.inverted_coverages));
    block.set("riscos_texto", Counted(*r.inverted_coverages, "risco", "riscos"));
    page.set("vigencia", Samples(block, samples ? &samples->coverages() : nullptr));
    contents.push_back(Entry("vigencia", "Vigências invertidas"));
  }
  data conciliacao = List();
  for (std::size_t i = 0; i < r.reconciliation.size(); ++i) {
    const std::string anchor = ReconciliationAnchor(i);
    conciliacao.push_back(Reconciliation(r.reconciliation[i], limits, anchor));
    contents.push_back(Entry(anchor, Title(r.reconciliation[i].title)));
  }
  page.set("conciliacao", conciliacao);
  if (auto largest = LargestDifference(r.reconciliation)) page.set("maior_diferenca", *largest);
  page.set("conteudo", contents);
  page.set("escala", std::string(kHtmlScalePartial));
  mustache tmpl(kHtmlReportTemplate);
  // The template is this program's own: a fault in it is a programmer's error.
  assert(tmpl.is_valid() && "html_report_template.h");
  return tmpl.render(page);
}

}  // namespace
}  // namespace html

std::string HtmlReport(const HtmlReportInputs& inputs, const RunState& state,
                       const Verdict& verdict, const VerdictLimits& limits,
                       const std::optional<std::string>& error,
                       const platform::LocalDateTime& ended) {
  return html::Page(inputs, state, verdict, limits, error, ended);
}

}  // namespace engine
