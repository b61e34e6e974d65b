// The HTML report's section "Desde a crítica anterior": the run beside the company's earlier run
// in the history (history/run_comparison.h).
#include <algorithm>
#include <string>
#include <vector>

#include "engine/text.h"
#include "history/failure_identities.h"
#include "outputs/finding_message.h"
#include "outputs/html_report_parts.h"

namespace outputs::html {
namespace {

constexpr std::size_t kNewShown = 20;

// "2024-03-15T09:05:07" as the page writes dates: "15/03/2024 09:05:07".
std::string StoredDateTime(const std::string& iso) {
  if (iso.size() < 19 || iso[4] != '-' || iso[10] != 'T') return iso;
  return iso.substr(8, 2) + "/" + iso.substr(5, 2) + "/" + iso.substr(0, 4) + " " +
         iso.substr(11, 8);
}

std::string OutcomeWord(std::string_view resultado) {
  if (resultado == "aceitavel") return "aceitável";
  return std::string(resultado);
}

std::string Optional(const std::optional<std::int64_t>& value) {
  return value ? Count(*value) : std::string("-");
}

data GroupRow(const history::GroupComparison& g) {
  data row;
  Put(row, "comp_arquivo", std::string(engine::FindingFileName(g.group.file)));
  Put(row, "comp_campo", Utf8(g.group.field));
  Put(row, "comp_verificacao", std::string(engine::FindingCheckName(g.group.check)));
  Put(row, "comp_antes", Count(g.antes));
  Put(row, "comp_agora", Count(g.agora));
  Put(row, "comp_corrigidas", Count(g.corrigidas));
  Put(row, "comp_novas", Count(g.novas));
  return row;
}

// The groups that got better (fewer failures now) or worse, the largest change first.
data ChangedGroups(const history::RunComparison& c, bool better) {
  std::vector<const history::GroupComparison*> changed;
  for (const history::GroupComparison& g : c.por_campo) {
    if (better ? g.agora < g.antes : g.agora > g.antes) changed.push_back(&g);
  }
  std::stable_sort(changed.begin(), changed.end(), [](const auto* a, const auto* b) {
    return std::abs(a->agora - a->antes) > std::abs(b->agora - b->antes);
  });
  data rows = List();
  for (const history::GroupComparison* g : changed) Append(rows, GroupRow(*g));
  return rows;
}

// The samples the page keeps of a group, in file order; null for a group it keeps none of.
const SampleGroup* SamplesOf(const HtmlReportSamples& samples, const history::FailureGroup& g) {
  if (engine::IsFieldCheck(g.check)) return &samples.Field(g.file, g.field, g.check);
  if (g.check == engine::FindingCheck::kSemApolice) return &samples.claims();
  if (g.check == engine::FindingCheck::kVigenciaInvertida) return &samples.coverages();
  return nullptr;
}

// The failure list's sentence of a sample.
std::string Message(const history::FailureGroup& g, const RecordSample& s) {
  std::string message;
  if (g.check == engine::FindingCheck::kSemApolice) {
    AppendClaimWithoutPolicyMessage(message, s.apolice, s.item);
  } else if (g.check == engine::FindingCheck::kVigenciaInvertida) {
    AppendCoverageInvertedMessage(message, s.first, s.second);
  } else {
    message = s.second;
  }
  return Utf8(message);
}

// The first new failures among the records the page samples (the first of each group in file
// order, so each is marked as the failure list marks it), in group order.
std::vector<data> NewFailures(const history::RunComparison& c, const HtmlReportSamples& samples) {
  std::vector<data> rows;
  history::NewFailureMarker marker(*c.falhas_anteriores);
  for (const history::GroupComparison& g : c.por_campo) {
    if (g.novas == 0) continue;
    const SampleGroup* group = SamplesOf(samples, g.group);
    if (group == nullptr) continue;
    history::NewFailureMarker::Group& marks = marker.Of(g.group);
    for (const RecordSample& s : group->rows) {
      if (rows.size() == kNewShown) return rows;
      if (!marks.IsNew(history::IdentityHash(s.apolice, s.endosso, s.item))) continue;
      data row;
      Put(row, "comp_arquivo", std::string(engine::FindingFileName(g.group.file)));
      Put(row, "comp_apolice", Utf8(s.apolice));
      Put(row, "comp_endosso", Utf8(s.endosso));
      Put(row, "comp_item", Utf8(s.item));
      Put(row, "comp_campo", Utf8(g.group.field));
      Put(row, "comp_verificacao", std::string(engine::FindingCheckName(g.group.check)));
      Put(row, "comp_mensagem", Message(g.group, s));
      rows.push_back(std::move(row));
    }
  }
  return rows;
}

// The reconciliation's differences then and now, row by row (section title and branch).
data ReconciliationRows(const history::RunComparison& c) {
  struct Row {
    std::string titulo;
    std::string ramo;
    std::string antes = "-";
    std::string agora = "-";
  };
  std::vector<Row> rows;
  const auto difference = [](const engine::ReconciliationRow& r) {
    return r.difference ? Number(*r.difference, 2) + "%" : std::string("div por zero");
  };
  const auto add = [&rows, &difference](const std::vector<engine::ReconciliationSection>& sections,
                                        bool now) {
    for (const engine::ReconciliationSection& s : sections) {
      const std::string titulo = Title(s.title);
      for (const engine::ReconciliationRow& r : s.rows) {
        const std::string ramo = Utf8(engine::Trimmed(r.ramo));
        auto it = std::find_if(rows.begin(), rows.end(), [&](const Row& row) {
          return row.titulo == titulo && row.ramo == ramo;
        });
        if (it == rows.end()) it = rows.insert(rows.end(), Row{titulo, ramo});
        (now ? it->agora : it->antes) = difference(r);
      }
    }
  };
  add(c.conciliacao.antes, false);
  add(c.conciliacao.agora, true);
  data list = List();
  for (Row& r : rows) {
    data row;
    Put(row, "comp_titulo", std::move(r.titulo));
    Put(row, "comp_ramo", std::move(r.ramo));
    Put(row, "comp_antes", std::move(r.antes));
    Put(row, "comp_agora", std::move(r.agora));
    Append(list, std::move(row));
  }
  return list;
}

}  // namespace

data Comparison(const history::RunComparison& c, std::string_view resultado,
                const std::string& started, const HtmlReportSamples* samples) {
  data section;
  Put(section, "comp_antes_data", StoredDateTime(c.anterior.inicio));
  Put(section, "comp_agora_data", started);
  Put(section, "comp_antes_resultado", OutcomeWord(c.anterior.resultado));
  Put(section, "comp_agora_resultado", OutcomeWord(resultado));
  Put(section, "comp_sem_apolice_antes", Optional(c.sem_apolice.antes));
  Put(section, "comp_sem_apolice_agora", Optional(c.sem_apolice.agora));
  Put(section, "comp_vigencia_antes", Optional(c.vigencia_invertida.antes));
  Put(section, "comp_vigencia_agora", Optional(c.vigencia_invertida.agora));
  Put(section, "comp_corrigidas", Count(c.corrigidas));
  Put(section, "comp_novas", Count(c.novas));
  Put(section, "comp_mantidas", Count(c.mantidas));
  // Each list inside an object of its own, present only with rows: the table and its header
  // show only then.
  const auto put_rows = [&section](const std::string& name, data rows) {
    if (rows.list_value().empty()) return;
    data block;
    Put(block, name == "comp_conciliacao" ? "comp_linhas" : "comp_grupos", std::move(rows));
    Put(section, name, std::move(block));
  };
  put_rows("comp_pioraram", ChangedGroups(c, false));
  put_rows("comp_melhoraram", ChangedGroups(c, true));
  put_rows("comp_conciliacao", ReconciliationRows(c));
  if (samples != nullptr) {
    std::vector<data> rows = NewFailures(c, *samples);
    if (!rows.empty()) {
      const auto shown = static_cast<std::int64_t>(rows.size());
      data list = List();
      for (data& row : rows) Append(list, std::move(row));
      data block;
      Put(block, "comp_legenda",
          shown == c.novas ? Counted(shown, "falha nova", "falhas novas")
                           : "as primeiras " + Count(shown) + " de " +
                                 Counted(c.novas, "falha nova", "falhas novas"));
      Put(block, "comp_linhas", std::move(list));
      Put(section, "comp_falhas_novas", std::move(block));
    }
  }
  return section;
}

}  // namespace outputs::html
