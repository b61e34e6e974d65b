#include "outputs/html_report.h"

#include <algorithm>
#include <cassert>
#include <cmath>
#include <cstdio>
#include <iterator>
#include <kainjow/mustache.hpp>

#include "engine/number_style.h"
#include "engine/text.h"
#include "engine/verdict_style.h"
#include "outputs/html_report_parts.h"
#include "outputs/html_report_template.h"
#include "outputs/output_text.h"

namespace outputs {
namespace html {

std::string Utf8(std::string_view win1252) { return engine::Win1252ToUtf8(win1252); }

std::string Number(double value, int decimals) {
  return engine::FormatNumber(value, decimals, engine::Regional::PtBr());
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
  std::string_view title = engine::Trimmed(win1252);
  if (!title.empty() && title.back() == ':') title.remove_suffix(1);
  return Utf8(engine::Trimmed(title));
}

std::string SvgWidth(double share_of_full) {
  char text[32];
  std::snprintf(text, sizeof text, "%.1f", std::clamp(share_of_full, 0.0, 1.0) * kBarWidth);
  return text;
}

namespace {

// Pixels a scale label takes at its 10 px, in the widest of the page's fonts: digits and "-"
// 6.4, separators and blanks 3.3, any letter at most 10.
double LabelWidth(std::string_view utf8) {
  double width = 0;
  for (const char c : utf8) {
    if ((static_cast<unsigned char>(c) & 0xC0) == 0x80) continue;  // inside a character
    if ((c >= '0' && c <= '9') || c == '-') {
      width += 6.4;
    } else if (c == '.' || c == ',' || c == ' ') {
      width += 3.3;
    } else {
      width += 10.0;
    }
  }
  return width;
}

// Whether "0" (from x 1), the middle label (centred on x 100) and the end label (ending at x 203)
// keep a gap between each other.
bool ScaleFits(std::string_view middle, std::string_view end) {
  constexpr double kGap = 4.0;
  const double half = LabelWidth(middle) / 2.0;
  const double end_left = 203.0 - LabelWidth(end);
  if (middle.empty()) return end_left >= 1.0 + LabelWidth("0") + kGap;
  return 100.0 - half >= 1.0 + LabelWidth("0") + kGap && 100.0 + half + kGap <= end_left;
}

// A figure in a few characters: "950", "97,1 mil", "1,2 mi", "123 bi", "4,5 tri".
std::string ShortFigure(double value, int decimals) {
  struct Unit {
    double size;
    std::string_view name;
  };
  static constexpr Unit kUnits[] = {{1e12, "tri"}, {1e9, "bi"}, {1e6, "mi"}, {1e3, "mil"}};
  const double magnitude = std::fabs(value);
  for (std::size_t u = 0; u < std::size(kUnits); ++u) {
    if (magnitude < kUnits[u].size) continue;
    double scaled = value / kUnits[u].size;
    // 999.960 is "1 mi", not "1.000 mil".
    if (u > 0 && std::fabs(scaled) >= 999.5) scaled = value / kUnits[--u].size;
    std::string text = Number(scaled, std::fabs(scaled) < 99.95 ? 1 : 0);
    if (text.size() > 2 && text.ends_with(",0")) text.resize(text.size() - 2);
    return text + " " + std::string(kUnits[u].name);
  }
  return Number(value, decimals);
}

}  // namespace

ScaleLabels ScaleLabelsFor(double full, int decimals) {
  ScaleLabels labels{Number(full / 2.0, full < 2.0 ? 1 : decimals), Number(full, decimals)};
  if (ScaleFits(labels.middle, labels.end)) return labels;
  labels = {ShortFigure(full / 2.0, full < 2.0 ? 1 : decimals), ShortFigure(full, decimals)};
  if (!ScaleFits(labels.middle, labels.end)) labels.middle.clear();
  return labels;
}

void SetScale(data& section, double full, int decimals) {
  ScaleLabels labels = ScaleLabelsFor(full, decimals);
  Put(section, "escala_meio", std::move(labels.middle));
  Put(section, "escala_fim", std::move(labels.end));
}

data List() { return data(data::type::list); }

void Put(data& object, const std::string& name, data value) {
  object.set(name, data(false));  // a placeholder that costs nothing to copy
  *const_cast<data*>(object.get(name)) = std::move(value);
}

void Append(data& list, data item) {
  auto& items = const_cast<kainjow::mustache::list&>(list.list_value());
  if (items.size() == items.capacity()) {
    // kainjow's move may throw by its signature, so a growing vector would copy every item, a
    // whole subtree each; grown here by moves instead.
    kainjow::mustache::list grown;
    grown.reserve(std::max<std::size_t>(8, 2 * items.size()));
    for (data& d : items) grown.emplace_back(false) = std::move(d);
    items.swap(grown);
  }
  items.push_back(std::move(item));
}

data Flag(bool value) { return data(value ? data::type::bool_true : data::type::bool_false); }

data SampleRows(const std::vector<RecordSample>& samples) {
  data rows = List();
  for (const RecordSample& s : samples) {
    data row;
    Put(row, "registro", std::to_string(s.record));  // as the failure list writes it
    Put(row, "apolice", Utf8(s.apolice));
    Put(row, "endosso", Utf8(s.endosso));
    Put(row, "item", Utf8(s.item));
    Put(row, "primeira", Utf8(s.first));
    if (s.first.empty()) Put(row, "sem_primeira", Flag(true));
    Put(row, "segunda", Utf8(s.second));
    if (s.second.empty()) Put(row, "sem_segunda", Flag(true));
    Append(rows, std::move(row));
  }
  return rows;
}

namespace {

using kainjow::mustache::mustache;

std::string DateTime(const platform::LocalDateTime& t) {
  return engine::FormatDateTime("dd/MM/yyyy HH:mm:ss", t);
}

std::string Hex(std::uint32_t rgb) {
  char text[8];
  std::snprintf(text, sizeof text, "#%06X", static_cast<unsigned>(rgb & 0xFFFFFF));
  return text;
}

// A list whose first kShownFirst items are shown and the rest folded: primeiros, tem_resto,
// resto, resto_texto ("Mais 3 avisos"), quantidade, total_texto ("13 avisos").
data Folded(std::vector<data> items, std::string_view one, std::string_view many) {
  data first = List();
  data rest = List();
  for (std::size_t i = 0; i < items.size(); ++i) {
    Append(i < kShownFirst ? first : rest, std::move(items[i]));
  }
  data folded;
  const auto count = static_cast<std::int64_t>(items.size());
  Put(folded, "quantidade", Count(count));
  Put(folded, "total_texto", Counted(count, one, many));
  Put(folded, "primeiros", std::move(first));
  if (items.size() > kShownFirst) {
    Put(folded, "tem_resto", Flag(true));
    Put(folded, "resto", std::move(rest));
    const auto rest_count = static_cast<std::int64_t>(items.size() - kShownFirst);
    Put(folded, "resto_texto", "Mais " + Counted(rest_count, one, many));
  }
  return folded;
}

data Item(const engine::VerdictItem& i) {
  data item;
  Put(item, "texto", engine::TypedToUtf8(i.texto));
  Put(item, "valor", i.valor && i.tipo != "vigencia_invertida" ? Number(*i.valor, 2) + "%" : "");
  return item;
}

// The warnings per table (by the table's name), then those of the claims without a policy, of
// the reconciliation and any other; each group by its share (or difference) from the largest,
// items without one last.
data WarningGroups(const std::vector<engine::VerdictItem>& avisos, const engine::RunResult& r) {
  struct Group {
    std::string title;
    std::vector<const engine::VerdictItem*> items;
  };
  std::vector<Group> groups;
  for (const engine::TableResult& t : r.tables)
    groups.push_back({"Tabela " + Utf8(t.nomeTabela), {}});
  const std::size_t claims = groups.size();
  groups.push_back({"Sinistros sem apólice", {}});
  groups.push_back({"Conciliação", {}});
  groups.push_back({"Outros", {}});
  for (const engine::VerdictItem& i : avisos) {
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
                     [](const engine::VerdictItem* a, const engine::VerdictItem* b) {
                       const double x = a->valor ? std::fabs(*a->valor) : -1.0;
                       const double y = b->valor ? std::fabs(*b->valor) : -1.0;
                       return x > y;
                     });
    std::vector<data> items;
    items.reserve(g.items.size());  // a vector of them copies its items when it grows
    for (const engine::VerdictItem* i : g.items) items.push_back(Item(*i));
    data group = Folded(std::move(items), "aviso", "avisos");
    Put(group, "titulo", g.title);
    Append(list, std::move(group));
  }
  return list;
}

data Reconciliation(const engine::ReconciliationSection& s, const engine::VerdictLimits& limits,
                    const std::string& anchor) {
  double largest = 0.0;
  for (const engine::ReconciliationRow& r : s.rows) {
    largest = std::max({largest, std::fabs(r.kov_value), std::fabs(r.file_value)});
  }
  if (largest == 0.0) largest = 1.0;
  data rows = List();
  for (const engine::ReconciliationRow& r : s.rows) {
    data row;
    Put(row, "ramo", Utf8(r.ramo));
    Put(row, "kov", Number(r.kov_value, 0));
    Put(row, "arquivo", Number(r.file_value, 0));
    Put(row, "barra_kov", SvgWidth(std::fabs(r.kov_value) / largest));
    Put(row, "barra_arquivo", SvgWidth(std::fabs(r.file_value) / largest));
    Put(row, "diferenca",
        r.difference ? Number(*r.difference, 2) + "%" : std::string("div por zero"));
    Put(row, "fora", Flag(limits.tolerancia && ReconciliationOutside(r, limits.tolerancia)));
    Append(rows, std::move(row));
  }
  data section;
  Put(section, "ancora", anchor);
  Put(section, "titulo", Title(s.title));
  SetScale(section, largest, 0);
  Put(section, "linhas", std::move(rows));
  return section;
}

std::string ReconciliationAnchor(std::size_t i) { return "conciliacao-" + std::to_string(i + 1); }

// The reconciliation row furthest from its totals, either way; none without a difference.
std::optional<data> LargestDifference(const std::vector<engine::ReconciliationSection>& sections) {
  const engine::ReconciliationRow* largest = nullptr;
  std::size_t at = 0;
  for (std::size_t i = 0; i < sections.size(); ++i) {
    for (const engine::ReconciliationRow& r : sections[i].rows) {
      if (r.difference &&
          (largest == nullptr || std::fabs(*r.difference) > std::fabs(*largest->difference))) {
        largest = &r;
        at = i;
      }
    }
  }
  if (largest == nullptr) return std::nullopt;
  data d;
  Put(d, "diferenca", Number(*largest->difference, 2) + "%");
  Put(d, "titulo", Title(sections[at].title));
  Put(d, "ramo", Utf8(engine::Trimmed(largest->ramo)));
  Put(d, "ancora", ReconciliationAnchor(at));
  return d;
}

// `group`: null when no samples were kept.
data Samples(data block, const SampleGroup* group) {
  if (group != nullptr && !group->rows.empty()) {
    Put(block, "tem_linhas", Flag(true));
    Put(block, "legenda", SampleCaption(*group));
    Put(block, "linhas", SampleRows(group->rows));
  }
  return block;
}

data Entry(std::string id, std::string title) {
  data entry;
  Put(entry, "id", std::move(id));
  Put(entry, "titulo", std::move(title));
  return entry;
}

std::string Page(const HtmlReportInputs& inputs, const engine::RunState& state,
                 const engine::Verdict& verdict, const engine::VerdictLimits& limits,
                 const std::optional<std::string>& error, const platform::LocalDateTime& ended) {
  const engine::RunResult& r = state.result;
  const HtmlReportSamples* samples =
      inputs.failing_values == nullptr ? nullptr : &inputs.failing_values->samples();
  const engine::VerdictStyle style = StyleOf(verdict);
  data page;
  data contents = List();
  Put(page, "resultado", std::string(engine::VerdictOutcomeName(verdict.resultado)));
  Put(page, "titulo", Utf8(style.title));
  Put(page, "cor", std::string(engine::ColourName(style.colour)));
  Put(page, "cor_rgb", Hex(ColourRgb(style.colour)));
  if (!verdict.motivos.empty()) {
    std::vector<data> items;
    items.reserve(verdict.motivos.size());
    for (const engine::VerdictItem& i : verdict.motivos)
      items.push_back(data("texto", engine::TypedToUtf8(i.texto)));
    Put(page, "motivos", Folded(std::move(items), "motivo", "motivos"));
  }
  Append(contents, Entry("resumo", "Resumo"));
  if (inputs.comparacao != nullptr) {
    Put(page, "comparacao",
        Comparison(*inputs.comparacao, engine::VerdictOutcomeName(verdict.resultado),
                   DateTime(r.started), samples));
    Append(contents, Entry("comparacao", "Desde a crítica anterior"));
  }
  if (!verdict.avisos.empty()) {
    const std::string count = Count(static_cast<std::int64_t>(verdict.avisos.size()));
    Put(page, "tem_avisos", Flag(true));
    Put(page, "avisos_quantidade", count);
    Put(page, "avisos_texto",
        Counted(static_cast<std::int64_t>(verdict.avisos.size()), "aviso", "avisos"));
    Put(page, "grupos_avisos", WarningGroups(verdict.avisos, r));
    Append(contents, Entry("avisos", "Avisos (" + count + ")"));
  }
  Append(contents, Entry("entradas", "Entradas"));
  Put(page, "riscos", engine::TypedToUtf8(inputs.riscos));
  Put(page, "sinistros", engine::TypedToUtf8(inputs.sinistros));
  Put(page, "catalogo", engine::TypedToUtf8(inputs.catalogo));
  Put(page, "empresa_codigo", Utf8(engine::Trimmed(state.codEmpresa)));
  Put(page, "empresa_nome", r.company_name ? Utf8(*r.company_name) : std::string());
  Put(page, "inicio", DateTime(r.started));
  Put(page, "fim", DateTime(r.finished.value_or(ended)));
  if (error) {
    Put(page, "erro", data("texto", engine::TypedToUtf8(*error)));
    Append(contents, Entry("erro", "Erro que interrompeu a crítica"));
  }
  data tables = List();
  for (const engine::TableResult& t : r.tables) {
    Append(tables, Table(t, inputs.failing_values));
    Append(contents,
           Entry("tabela-" + std::to_string(t.numTabela), "Tabela " + Utf8(t.nomeTabela)));
  }
  Put(page, "tabelas", std::move(tables));
  if (r.claims_without_policy) {
    const auto& s = *r.claims_without_policy;
    data block;
    Put(block, "quantidade", Count(s.without_policy));
    Put(block, "sinistros", Count(s.claims));
    Put(block, "percentual", s.claims > 0 ? Share(s.without_policy, s.claims) : "0,00");
    Put(page, "sem_apolice", Samples(std::move(block), samples ? &samples->claims() : nullptr));
    Append(contents, Entry("sem-apolice", "Sinistros sem apólice"));
  }
  if (r.inverted_coverages) {
    data block("quantidade", Count(*r.inverted_coverages));
    Put(block, "riscos_texto", Counted(*r.inverted_coverages, "risco", "riscos"));
    Put(page, "vigencia", Samples(std::move(block), samples ? &samples->coverages() : nullptr));
    Append(contents, Entry("vigencia", "Vigências invertidas"));
  }
  data conciliacao = List();
  for (std::size_t i = 0; i < r.reconciliation.size(); ++i) {
    const std::string anchor = ReconciliationAnchor(i);
    Append(conciliacao, Reconciliation(r.reconciliation[i], limits, anchor));
    Append(contents, Entry(anchor, Title(r.reconciliation[i].title)));
  }
  Put(page, "conciliacao", std::move(conciliacao));
  if (auto largest = LargestDifference(r.reconciliation)) Put(page, "maior_diferenca", *largest);
  Put(page, "conteudo", std::move(contents));
  Put(page, "escala", std::string(kHtmlScalePartial));
  Put(page, "comp_tabela", std::string(kHtmlComparisonGroupsPartial));
  mustache tmpl(kHtmlReportTemplate);
  tmpl.set_custom_escape(HtmlEscaped);
  // The template is this program's own: a fault in it is a programmer's error.
  assert(tmpl.is_valid() && "html_report_template.h");
  return tmpl.render(page);
}

}  // namespace
}  // namespace html

std::string HtmlReport(const HtmlReportInputs& inputs, const engine::RunState& state,
                       const engine::Verdict& verdict, const engine::VerdictLimits& limits,
                       const std::optional<std::string>& error,
                       const platform::LocalDateTime& ended) {
  return html::Page(inputs, state, verdict, limits, error, ended);
}

}  // namespace outputs
