#include "frontend/run_history_table.h"

#include "engine/number_style.h"
#include "frontend/message_text.h"

namespace frontend {
namespace {

// "dd/MM/yyyy HH:mm" of "YYYY-MM-DDThh:mm:ss"; the text as it is when it has another form.
std::string DateText(const std::string& iso) {
  if (iso.size() < 16 || iso[4] != '-' || iso[7] != '-' || iso[10] != 'T') return iso;
  return iso.substr(8, 2) + "/" + iso.substr(5, 2) + "/" + iso.substr(0, 4) + " " +
         iso.substr(11, 5);
}

// The file's name without its folders (the paths are as typed, in the system's encoding).
std::string FileName(const std::string& path) {
  const std::size_t cut = path.find_last_of("/\\");
  return DecodeMessage(cut == std::string::npos ? path : path.substr(cut + 1));
}

std::string ResultText(const std::string& resultado) {
  if (resultado == "aceitavel") return "Aceitável";
  if (resultado == "rejeitado") return "Rejeitado";
  if (resultado == "erro") return "Erro";
  return resultado;
}

std::string Optional(const std::optional<std::int64_t>& n) {
  return n ? engine::CountText(*n) : std::string();
}

std::string CompanyName(const std::string& empresa) {
  return empresa.empty() ? "de todas as empresas" : "da empresa " + DecodeMessage(empresa);
}

}  // namespace

RunHistoryTable RunHistoryRows(const std::string& empresa,
                               const std::vector<history::StoredRun>& runs) {
  RunHistoryTable table;
  table.title = "Histórico de críticas " + CompanyName(empresa);
  table.rows.reserve(runs.size());
  for (const history::StoredRun& run : runs) {
    const history::RunRecord& r = run.record;
    std::string files;
    for (const history::InputStamp& input : r.entradas) {
      if (!files.empty()) files += ", ";
      files += FileName(input.caminho);
    }
    std::int64_t records = 0;
    for (const engine::TableResult& table_result : r.tabelas) records += table_result.records;
    table.rows.push_back({DateText(r.inicio), files, ResultText(r.resultado),
                          engine::CountText(records), engine::CountText(run.falhas),
                          Optional(run.corrigidas), Optional(run.novas)});
  }
  return table;
}

std::string DeleteHistoryQuestion(const std::string& empresa, std::size_t runs) {
  return "Apagar do histórico " + std::string(runs == 1 ? "a crítica " : "as ") +
         (runs == 1 ? std::string() : engine::CountText(runs) + " críticas ") +
         CompanyName(empresa) + "? Elas não poderão ser recuperadas.";
}

std::string DeletedHistoryText(std::int64_t runs) {
  return runs == 1 ? std::string("1 crítica apagada do histórico.")
                   : engine::CountText(runs) + " críticas apagadas do histórico.";
}

}  // namespace frontend
