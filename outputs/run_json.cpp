#include "outputs/run_json.h"

#include <cstdio>
#include <nlohmann/json.hpp>

#include "engine/regional.h"
#include "engine/text.h"
#include "engine/verdict_style.h"
#include "outputs/comparison_json.h"

namespace outputs {
namespace {

using json = nlohmann::ordered_json;  // keys in the order written

// Engine texts are Windows-1252 bytes.
std::string Utf8(const std::string& win1252) { return engine::Win1252ToUtf8(win1252); }

// Paths and messages come as typed.
std::string Typed(const std::string& text) { return engine::TypedToUtf8(text); }

json Table(const engine::TableResult& t) {
  json campos = json::array();
  for (const engine::FieldCounters& c : t.fields) {
    campos.push_back({{"campo", Utf8(c.field)},
                      {"ordem", c.position},
                      {"erro_nulo", c.erroNulo},
                      {"erro_dom", c.erroDom}});
  }
  return {{"tabela", t.numTabela},      {"nome", Utf8(t.nomeTabela)},
          {"arquivo", Typed(t.path)},   {"situacao", engine::TableOutcomeName(t.outcome)},
          {"registros", t.records},     {"registros_com_falha", t.records_failed},
          {"campos", std::move(campos)}};
}

json Items(const std::vector<engine::VerdictItem>& items) {
  json out = json::array();
  for (const engine::VerdictItem& i : items) {
    json item = {{"tipo", i.tipo}, {"texto", Typed(i.texto)}};
    if (i.tabela) item["tabela"] = *i.tabela;
    if (i.campo) item["campo"] = Utf8(*i.campo);
    if (i.valor) item["valor"] = *i.valor;
    if (i.limite) item["limite"] = *i.limite;
    if (i.vigencia_invertida) {
      item["terminam_antes_de_comecar"] = i.vigencia_invertida->ends_before_start;
      item["sem_data_de_fim"] = i.vigencia_invertida->without_end;
      item["com_data_de_fim_invalida"] = i.vigencia_invertida->invalid_end;
    }
    out.push_back(std::move(item));
  }
  return out;
}

}  // namespace

std::string RunJson(const RunJsonInputs& inputs, const engine::RunState& state,
                    const engine::Verdict& verdict, const std::optional<std::string>& error,
                    const platform::LocalDateTime& ended) {
  const engine::RunResult& r = state.result;
  json doc;
  doc["entradas"] = {{"riscos", Typed(inputs.riscos)},
                     {"sinistros", Typed(inputs.sinistros)},
                     {"catalogo", Typed(inputs.catalogo)},
                     {"regional", inputs.regional}};
  doc["inicio"] = engine::IsoDateTime(r.started);
  doc["fim"] = engine::IsoDateTime(r.finished.value_or(ended));
  doc["empresa"] = {{"codigo", Utf8(state.codEmpresa)},
                    {"nome", r.company_name ? json(Utf8(*r.company_name)) : json(nullptr)}};
  json tabelas = json::array();
  for (const engine::TableResult& t : r.tables) tabelas.push_back(Table(t));
  doc["tabelas"] = std::move(tabelas);
  if (r.claims_without_policy) {
    const auto& s = *r.claims_without_policy;
    doc["sinistros_sem_apolice"] = {
        {"quantidade", s.without_policy},
        {"sinistros", s.claims},
        {"percentual", s.claims == 0 ? 0.0
                                     : static_cast<double>(s.without_policy) * 100.0 /
                                           static_cast<double>(s.claims)}};
  } else {
    doc["sinistros_sem_apolice"] = nullptr;
  }
  doc["vigencia_invertida"] = r.inverted_coverages ? json(*r.inverted_coverages) : json(nullptr);
  doc["conciliacao"] = ReconciliationJson(r.reconciliation);
  json cabecalho = json::array();
  for (const engine::HeaderFinding& h : r.header_mismatches) {
    json entry = {{"arquivo", engine::FindingFileName(h.file)},
                  {"registros_no_cabecalho", h.header_records},
                  {"registros_no_arquivo", h.file_records}};
    if (h.trailing_bytes > 0) entry["bytes_finais"] = h.trailing_bytes;
    if (h.HeaderShort()) {
      entry["tamanho_cabecalho"] = h.header_length;
      entry["tamanho_descricao_campos"] = h.descriptors_end;
    }
    cabecalho.push_back(std::move(entry));
  }
  doc["cabecalho"] = std::move(cabecalho);
  if (inputs.detalhes) {
    doc["detalhes"] = {{"arquivo", Typed(*inputs.detalhes)},
                       {"falhas", inputs.falhas ? json(*inputs.falhas) : json(nullptr)}};
  } else {
    doc["detalhes"] = nullptr;
  }
  // com_avisos: the amber state, accepted with warnings (engine/verdict_style.h); resultado
  // keeps its three values for the scripts that read it.
  doc["veredito"] = {{"resultado", engine::VerdictOutcomeName(verdict.resultado)},
                     {"com_avisos", engine::ComAvisos(verdict)},
                     {"motivos", Items(verdict.motivos)},
                     {"avisos", Items(verdict.avisos)}};
  doc["erro"] = error ? json(Typed(*error)) : json(nullptr);
  // Which file or folder the error is about and why (already UTF-8), where there is more to say.
  if (error && !r.error_explanation.empty()) doc["explicacao"] = r.error_explanation;
  if (inputs.historico) {
    doc["comparacao"] = inputs.comparacao != nullptr ? ComparisonJson(*inputs.comparacao) : nullptr;
  }
  // Every text above is UTF-8 by now; a stray byte would still not stop the document.
  return doc.dump(2, ' ', false, json::error_handler_t::replace) + "\n";
}

}  // namespace outputs
