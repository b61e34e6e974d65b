#include "outputs/comparison_json.h"

#include <chrono>
#include <cstdio>

#include "engine/text.h"

namespace outputs {
namespace {

using json = nlohmann::ordered_json;

// Seconds since 1970 as "YYYY-MM-DDThh:mm:ssZ" (UTC).
std::string UtcTime(std::int64_t seconds) {
  using namespace std::chrono;
  const sys_seconds t{std::chrono::seconds(seconds)};
  const sys_days day = floor<days>(t);
  const year_month_day date(day);
  const hh_mm_ss<std::chrono::seconds> time(t - day);
  char text[40];
  std::snprintf(text, sizeof text, "%04d-%02u-%02uT%02d:%02d:%02dZ", static_cast<int>(date.year()),
                static_cast<unsigned>(date.month()), static_cast<unsigned>(date.day()),
                static_cast<int>(time.hours().count()), static_cast<int>(time.minutes().count()),
                static_cast<int>(time.seconds().count()));
  return text;
}

template <typename T>
json Optional(const std::optional<T>& value) {
  return value ? json(*value) : json(nullptr);
}

}  // namespace

json ReconciliationJson(const std::vector<engine::ReconciliationSection>& sections) {
  json out = json::array();
  for (const engine::ReconciliationSection& s : sections) {
    json rows = json::array();
    for (const engine::ReconciliationRow& r : s.rows) {
      rows.push_back({{"ramo", engine::Win1252ToUtf8(r.ramo)},
                      {"valor_kov", r.kov_value},
                      {"valor_arquivo", r.file_value},
                      {"diferenca", r.difference ? json(*r.difference) : json(nullptr)}});
    }
    out.push_back({{"titulo", engine::Win1252ToUtf8(s.title)}, {"linhas", std::move(rows)}});
  }
  return out;
}

json ComparisonJson(const history::RunComparison& c) {
  json entradas = json::array();
  for (const history::InputStamp& e : c.anterior.entradas) {
    entradas.push_back(
        {{"arquivo", engine::FindingFileName(e.arquivo)},
         {"caminho", engine::TypedToUtf8(e.caminho)},
         {"tamanho", Optional(e.tamanho)},
         {"modificado", e.modificado ? json(UtcTime(*e.modificado)) : json(nullptr)}});
  }
  json por_campo = json::array();
  for (const history::GroupComparison& g : c.por_campo) {
    por_campo.push_back({{"arquivo", engine::FindingFileName(g.group.file)},
                         {"campo", engine::Win1252ToUtf8(g.group.field)},
                         {"verificacao", engine::FindingCheckName(g.group.check)},
                         {"antes", g.antes},
                         {"agora", g.agora},
                         {"corrigidas", g.corrigidas},
                         {"novas", g.novas}});
  }
  return {{"anterior",
           {{"id", c.anterior.id},
            {"inicio", c.anterior.inicio},
            {"resultado", c.anterior.resultado},
            {"entradas", std::move(entradas)}}},
          {"falhas_corrigidas", c.corrigidas},
          {"falhas_novas", c.novas},
          {"falhas_mantidas", c.mantidas},
          {"por_campo", std::move(por_campo)},
          {"sem_apolice",
           {{"antes", Optional(c.sem_apolice.antes)}, {"agora", Optional(c.sem_apolice.agora)}}},
          {"vigencia_invertida",
           {{"antes", Optional(c.vigencia_invertida.antes)},
            {"agora", Optional(c.vigencia_invertida.agora)}}},
          {"conciliacao",
           {{"antes", ReconciliationJson(c.conciliacao.antes)},
            {"agora", ReconciliationJson(c.conciliacao.agora)}}}};
}

}  // namespace outputs
