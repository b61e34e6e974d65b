#include "resumo/history_rows.h"

#include <algorithm>
#include <cstdint>

#include "cmdline/verdict_line.h"
#include "engine/text.h"

namespace resumo {
namespace {

// A history read as it lies on disk is read again when a run was recorded meanwhile; one that
// keeps changing is read under SQLite's locks on the last try.
constexpr int kReadAttempts = 3;

std::vector<history::StoredRun> AllRuns(const std::string& path) {
  for (int attempt = 1;; ++attempt) {
    history::HistoryDb db = history::HistoryDb::OpenReadOnly(path);
    std::vector<history::StoredRun> runs = db.AllRuns();
    if (!db.ChangedWhileRead()) return runs;
    if (attempt == kReadAttempts) {
      throw history::HistoryError("runs were recorded in it all the while it was read");
    }
  }
}

std::string Digits(std::int64_t n) { return std::to_string(n); }

}  // namespace

SummaryRow SummaryRowOfRun(const history::StoredRun& run, const std::string& history_path) {
  const history::RunRecord& r = run.record;
  SummaryRow row;
  auto& cells = row.cells;
  cells[kCodSeg] = engine::Win1252ToUtf8(r.empresa);
  if (r.empresa_nome) cells[kEmpresa] = engine::Win1252ToUtf8(*r.empresa_nome);
  for (const history::InputStamp& input : r.entradas) {
    const std::size_t c = input.arquivo == engine::FindingFile::kRiscos ? kRiscos : kSinistros;
    cells[c] = engine::TypedToUtf8(input.caminho);
  }
  cells[kResultado] = r.resultado;
  if (r.resultado == "erro") {
    cells[kMotivos] = engine::TypedToUtf8(r.erro.value_or(""));
  } else {
    std::vector<std::string> codes;
    for (const history::VerdictLine& line : r.motivos) codes.push_back(line.tipo);
    cells[kMotivos] = cmdline::CountedCodes(codes);
  }
  std::vector<FieldTally> fields;
  for (const engine::TableResult& t : r.tabelas) {
    if (t.numTabela == 1) cells[kRegistrosRiscos] = Digits(t.records);
    if (t.numTabela == 2) cells[kRegistrosSinistros] = Digits(t.records);
    const std::string table = engine::Win1252ToUtf8(t.nomeTabela);
    for (const engine::FieldCounters& c : t.fields) {
      std::int64_t failures = 0;
      // A damaged history's figures end at the largest count rather than wrapping round.
      if (__builtin_add_overflow(c.erroNulo, c.erroDom, &failures)) failures = INT64_MAX;
      if (failures == 0) continue;
      fields.push_back(
          {failures, t.numTabela, c.position, table + "." + engine::Win1252ToUtf8(c.field)});
      row.field_failures.push_back({fields.back().name, failures});
    }
  }
  SetMostFailed(std::move(fields), &row);
  if (r.sem_apolice) cells[kSemApolice] = Digits(r.sem_apolice->without_policy);
  if (r.vigencia_invertida) cells[kVigenciaInvertida] = Digits(*r.vigencia_invertida);
  cells[kAvisos] = Digits(static_cast<std::int64_t>(r.avisos.size()));
  row.com_avisos = r.resultado == "aceitavel" && !r.avisos.empty();
  cells[kId] = Digits(run.id);
  cells[kInicio] = r.inicio;
  cells[kHistorico] = engine::TypedToUtf8(history_path);
  return row;
}

bool ReadHistoryRows(const std::string& path, std::string_view empresa,
                     std::vector<SummaryRow>* rows, std::string* reason) {
  std::vector<history::StoredRun> runs;
  try {
    runs = AllRuns(path);
  } catch (const history::HistoryError& e) {
    *reason = e.what();
    return false;
  }
  const std::string_view code = engine::Trimmed(empresa);
  for (const history::StoredRun& run : runs) {
    if (!code.empty() && engine::Trimmed(run.record.empresa) != code) continue;
    rows->push_back(SummaryRowOfRun(run, path));
  }
  return true;
}

void SortByStart(std::vector<SummaryRow>* rows) {
  std::stable_sort(rows->begin(), rows->end(), [](const SummaryRow& a, const SummaryRow& b) {
    return a.cells[kInicio] < b.cells[kInicio];
  });
}

}  // namespace resumo
