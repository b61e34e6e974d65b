#pragma once
// The figures of one run as values, for a machine-readable result: what the report prints,
// recorded by the phases as they write it. Texts are Windows-1252 bytes.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "engine/findings.h"
#include "platform/clock.h"

namespace engine {

struct RunContext;

// The counters of one rule row, as the table's summary prints them.
struct FieldCounters {
  std::string field;  // trimmed
  std::int64_t position = 0;
  std::int64_t erroNulo = 0;
  std::int64_t erroDom = 0;
};

// How the processing of one input table ended.
enum class TableOutcome {
  kRead,             // walked to its end; its summary was written
  kStructureFailed,  // "Erro: estrutura incorreta ..."
  kCompanyFailed,    // "Erro: mais de uma empresa ..."
  kInterrupted,      // an error ended the run during the walk
};

// "lida", "estrutura_incorreta", "empresa", "interrompida": how a table's processing ended, as
// the JSON result, the workbook and the history name it.
std::string_view TableOutcomeName(TableOutcome outcome);

struct TableResult {
  int numTabela = 0;
  std::string nomeTabela;  // trimmed
  std::string path;        // as typed
  TableOutcome outcome = TableOutcome::kStructureFailed;
  std::int32_t records = 0;           // numRegistros; 0 after a failed structure check
  std::int64_t records_failed = 0;    // of them, those with at least one field failure
  std::vector<FieldCounters> fields;  // the rule rows' counters after the walk
};

struct ClaimsWithoutPolicyResult {
  std::int64_t without_policy = 0;
  std::int32_t claims = 0;  // regSinistros
};

struct ReconciliationRow {
  std::string ramo;
  double kov_value = 0;
  double file_value = 0;
  std::optional<double> difference;  // percent; nullopt where the report says "div por zero"
};

struct ReconciliationSection {
  std::string title;  // the section's title line
  std::vector<ReconciliationRow> rows;
};

// A company that "DadosKov.DBF" lists on more than one row; the run uses the first.
struct RepeatedCompany {
  std::string code;                 // codEmpresa, as stored
  std::vector<std::uint32_t> rows;  // every row that carries it, physical numbers from 1
};

// An amount of the company's row of "DadosKov.DBF" that holds text other than a number; it
// reads as 0, as a blank amount does.
struct UnreadableAmount {
  std::uint32_t row = 0;  // physical number from 1
  std::string field;      // PR_AUTO, SIN_RC, ...
  std::string text;       // the stored text, trimmed
};

// The risks counted as inverted coverage (INICIO_VIG sorts after FIM_VIG), by what FIM_VIG holds;
// the three add up to RunResult::inverted_coverages (engine/coverage_period.h,
// InvertedKindOf()).
struct InvertedCoverageKinds {
  std::int64_t ends_before_start = 0;  // a valid date, before the start
  std::int64_t without_end = 0;        // blank (or null)
  std::int64_t invalid_end = 0;        // neither: not eight digits of a calendar date
  std::int64_t total() const { return ends_before_start + without_end + invalid_end; }
};

// The reporting period of the company's row of "DadosKov.DBF" (INIVIG and FIMVIG, the year and
// month as stored, trailing blanks trimmed).
struct ReportingPeriod {
  std::string inivig;
  std::string fimvig;
};

struct RunResult {
  platform::LocalDateTime started;
  std::optional<platform::LocalDateTime> finished;  // nullopt: an error ended the run
  std::optional<std::string> company_name;          // EMPRESA of the totals file, when found there
  std::optional<ReportingPeriod> period;            // when the company was found there
  std::vector<TableResult> tables;                  // in the order processed; skipped tables absent
  std::optional<ClaimsWithoutPolicyResult> claims_without_policy;
  std::optional<std::int64_t> inverted_coverages;  // when the risks file was read for it
  InvertedCoverageKinds inverted_kinds;            // the same risks by their FIM_VIG
  std::vector<ReconciliationSection> reconciliation;
  bool risks_missing = false;          // the risks path was blank
  bool claims_missing = false;         // the claims path was blank
  bool company_not_in_kov = false;     // the company was looked for in DadosKov.DBF and not found
  bool catalog_without_rules = false;  // tabelas.dbf has no row for the line of business
  std::vector<HeaderFinding>
      header_mismatches;  // input files whose header disagrees with their bytes
  std::optional<RepeatedCompany> kov_repeated_company;
  std::vector<UnreadableAmount> kov_unreadable_amounts;  // in the order read
  // When an error ended the run: which file or folder it is about and why, one sentence in
  // UTF-8 (engine/error_explanation.h); empty when the error says all there is.
  std::string error_explanation;
};

// The counters of the rule rows of table ctx.state.numTabela, in field-position order, read the
// way the summary reads them. Leaves zelEstrutTab on another row.
std::vector<FieldCounters> ReadFieldCounters(RunContext& ctx);

}  // namespace engine
