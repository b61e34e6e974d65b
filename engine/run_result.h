#pragma once
// The figures of one run as values, for a machine-readable result: what the report prints,
// recorded by the phases as they write it. Texts are Windows-1252 bytes.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "engine/findings.h"
#include "platform/clock.h"

namespace engine {

struct RunContext;

// The counters of one rule row, as the table's summary prints them.
struct FieldCounters {
  std::string campo;  // trimmed
  std::int64_t ordem = 0;
  std::int64_t erro_nulo = 0;
  std::int64_t erro_dom = 0;
};

// How the processing of one input table ended.
enum class TableOutcome {
  kRead,             // walked to its end; its summary was written
  kStructureFailed,  // "Erro: estrutura incorreta ..."
  kCompanyFailed,    // "Erro: mais de uma empresa ..."
  kInterrupted,      // an error ended the run during the walk
};

struct TableResult {
  int numTabela = 0;
  std::string nomeTabela;  // trimmed
  std::string path;        // as typed
  TableOutcome outcome = TableOutcome::kStructureFailed;
  std::int32_t registros = 0;         // numRegistros; 0 after a failed structure check
  std::vector<FieldCounters> campos;  // the rule rows' counters after the walk
};

struct ClaimsWithoutPolicyResult {
  std::int64_t sem_apolice = 0;
  std::int32_t sinistros = 0;  // regSinistros
};

struct ReconciliationRow {
  std::string ramo;
  double valor_kov = 0;
  double valor_arquivo = 0;
  std::optional<double> diferenca;  // percent; nullopt where the report says "div por zero"
};

struct ReconciliationSection {
  std::string title;  // the section's title line
  std::vector<ReconciliationRow> rows;
};

struct RunResult {
  platform::LocalDateTime inicio;
  std::optional<platform::LocalDateTime> fim;  // nullopt: an error ended the run
  std::optional<std::string> empresa_nome;     // EMPRESA of the totals file, when found there
  std::vector<TableResult> tabelas;            // in the order processed; skipped tables absent
  std::optional<ClaimsWithoutPolicyResult> sem_apolice;
  std::optional<std::int64_t> vigencia_invertida;  // when the risks file was read for it
  std::vector<ReconciliationSection> conciliacao;
  bool riscos_faltando = false;          // the risks path was blank
  bool sinistros_faltando = false;       // the claims path was blank
  bool empresa_sem_kov = false;          // the company was looked for in DadosKov.DBF and not found
  std::vector<HeaderFinding> cabecalho;  // input files whose header disagrees with their length
};

// The counters of the rule rows of table ctx.state.numTabela, in field-position order, read the
// way the summary reads them. Leaves zelEstrutTab on another row.
std::vector<FieldCounters> ReadFieldCounters(RunContext& ctx);

}  // namespace engine
