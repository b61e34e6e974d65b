#include "engine/validation_run.h"

#include <new>
#include <stdexcept>
#include <system_error>
#include <thread>

#include "engine/claims_policy.h"
#include "engine/error_explanation.h"
#include "engine/field_checks.h"
#include "engine/header_check.h"
#include "engine/open_reader.h"
#include "engine/reconciliation.h"
#include "engine/report.h"
#include "engine/rule_catalog.h"
#include "engine/structure_check.h"
#include "engine/table_summary.h"
#include "engine/text.h"
#include "engine/walk_taps.h"

namespace engine {
namespace {

// Closes every reader when the run leaves, whatever way it leaves, so the next run starts from
// closed readers and no file stays held.
class ReaderCloser {
 public:
  explicit ReaderCloser(RunTables& tables) : tables_(tables) { tables_.CloseReaders(); }
  ~ReaderCloser() { tables_.CloseReaders(); }
  ReaderCloser(const ReaderCloser&) = delete;
  ReaderCloser& operator=(const ReaderCloser&) = delete;

 private:
  RunTables& tables_;
};

bool IsBlank(const std::string& path) { return Trimmed(path).empty(); }

// The phases after both walks that ride on them, so that each file is read once: on the risks
// walk the claims check gathers the policy keys (and, with threads to spare, builds its index
// from them while the run goes on) and the reconciliation the premium sums and the inverted
// coverages; on the claims walk the claims' keys and the paid-claims sums.
class LaterPhases final : public WalkRiders {
 public:
  LaterPhases(RunContext& ctx, ClaimsPolicyCheck& claims_check, Reconciliation& reconciliation)
      : ctx_(ctx), claims_check_(claims_check), reconciliation_(reconciliation) {}

  std::vector<RecordTap*> Start(const tables::DbfTable& file) override {
    RecordTap* const taps[] = {
        RisksWalk() ? claims_check_.StartPolicyKeys(file) : claims_check_.StartClaimKeys(file),
        RisksWalk() ? reconciliation_.StartPremiums(file) : reconciliation_.StartClaimSums(file)};
    std::vector<RecordTap*> started;
    for (RecordTap* tap : taps) {
      if (tap != nullptr) started.push_back(tap);
    }
    return started;
  }
  void Fed() override {
    if (RisksWalk() && ctx_.walk_threads > 1) claims_check_.StartIndexBuild();
  }

 private:
  bool RisksWalk() const { return FindingFileOf(ctx_.state.numTabela) == FindingFile::kRiscos; }

  RunContext& ctx_;
  ClaimsPolicyCheck& claims_check_;
  Reconciliation& reconciliation_;
};

void AppendNotice(RunHost& host, std::string_view text) {
  host.AppendLine(kRuleLine);
  host.AppendLine("");
  host.AppendLine(text);
  host.AppendLine("");
}

}  // namespace

int DefaultWalkThreads() {
  // Past eight workers the run's thread, which reads and tells in file order, sets the pace.
  const unsigned cores = std::thread::hardware_concurrency();
  return cores < 2 ? 1 : static_cast<int>(cores > 8 ? 8 : cores);
}

void RunTables::CloseReaders() {
  tbDados.Close();
  tbTabelas.Close();
  tbAnexos.Close();
  tbRiscos.Close();
  tbSinistros.Close();
  tbDadosKov.Close();
}

void ValidationRun::Execute(RunHost& host) {
  RunPaths paths;
  try {
    Run(host, &paths);
  } catch (const std::bad_alloc&) {
    // The machine's limits rather than a file's fault: told in the user's words, and every file
    // the run made is removed on the way out, as for any error.
    state_.result.error_explanation = std::string(kMemoryExplanation);
    throw std::runtime_error(std::string(kMemoryError));
  } catch (const std::system_error& e) {
    if (e.code() != std::errc::resource_unavailable_try_again) throw;
    state_.result.error_explanation = std::string(kThreadExplanation);
    throw std::runtime_error(std::string(kThreadError) + " (" + e.code().message() + ")");
  } catch (const std::exception& e) {
    state_.result.error_explanation = ExplainError(e, paths);
    throw;
  }
}

void ValidationRun::Run(RunHost& host, RunPaths* paths) {
  ReaderCloser closer(tables_);
  state_ = RunState{};
  const Regional regional = host.regional();
  const platform::LocalDateTime started = host.Now();
  RunContext ctx{host,
                 tables_,
                 state_,
                 regional,
                 host.CatalogueFolder(),
                 started.year,
                 host.RiskPath(),
                 host.ClaimsPath(),
                 findings_,
                 walk_threads_};
  // Declared after the closer, so that their scratch files close before the readers do.
  ClaimsPolicyCheck claims_check(ctx);
  Reconciliation reconciliation(ctx);
  LaterPhases later_phases(ctx, claims_check, reconciliation);
  state_.result.started = started;
  *paths = RunPaths{ctx.risk_path, ctx.claims_path, ctx.catalogue_folder};

  host.ClearLog();
  host.AppendLine(Ansi("Início do processamento: ") + TimeStamp(regional, started));
  host.AppendLine("");
  host.AppendLine("");  // the company line replaces this one

  LoadRuleCatalog(ctx);
  // With no rule for the line of business the table loop checks nothing: not an acceptance.
  state_.result.catalog_without_rules = tables_.zelTabelas.RecordCount() == 0;

  // Tables in ascending order of their names (the active index of zelTabelas). The next row is
  // taken before a table is processed, as the loop must not depend on what the table does.
  tables::MemTable& zelTabelas = tables_.zelTabelas;
  zelTabelas.First();
  while (!zelTabelas.Eof()) {
    const tables::FieldValue ordem = zelTabelas.GetFieldValue("ordem");
    const tables::FieldValue tabela = zelTabelas.GetFieldValue("tabela");
    state_.numTabela = static_cast<int>(ordem.AsInt64());
    state_.nomeTabela = tabela.AsString();
    zelTabelas.Next();
    ProcessTable(ctx, later_phases);
  }

  state_.result.risks_missing = IsBlank(ctx.risk_path);
  state_.result.claims_missing = IsBlank(ctx.claims_path);
  host.SetProgress(75);
  const bool last_ok = state_.estruturaOk && state_.tabelaOk;
  if (last_ok && state_.regRiscos != 0 && state_.regSinistros != 0) {
    // The phase builds the policy index and looks every claim up in it; its share is not told.
    host.WalkProgress(Ansi("sinistros sem apólice"), 0, 0);
    claims_check.Check();
  }
  if (last_ok && (IsBlank(ctx.risk_path) || IsBlank(ctx.claims_path))) {
    AppendNotice(host, "Arquivo de sinistros ou de riscos faltando.");
  }
  if (last_ok && (state_.regRiscos == 0 || state_.regSinistros == 0)) {
    AppendNotice(host, "Arquivo de sinistros ou de riscos sem registros.");
  }
  host.SetProgress(90);
  if (last_ok) reconciliation.Reconcile();
  // A file written in place while the run read it gives figures of no one file: no closing block.
  ctx.risk_file.CheckUnchanged(ctx.risk_path);
  ctx.claims_file.CheckUnchanged(ctx.claims_path);

  host.AppendLine("");
  host.AppendLine(kRuleLine);
  host.AppendLine("");
  const platform::LocalDateTime finished = host.Now();
  state_.result.finished = finished;
  host.AppendLine("Fim do processamento: " + TimeStamp(regional, finished));
  host.AppendLine("");
  host.AppendLine(kRuleLine);
  host.SetProgress(0);
}

void ValidationRun::NoteHeaderMismatch(RunContext& ctx, FindingFile file) {
  std::vector<HeaderFinding>& found = state_.result.header_mismatches;
  for (const HeaderFinding& h : found) {
    if (h.file == file) return;  // the claims file serves several tables: told once
  }
  const std::optional<HeaderFinding> finding = FindHeaderMismatch(tables_.tbDados, file);
  if (!finding) return;
  found.push_back(*finding);
  if (ctx.findings != nullptr) ctx.findings->HeaderMismatch(*finding);
}

void ValidationRun::ProcessTable(RunContext& ctx, WalkRiders& riders) {
  tables::DbfTable& tbDados = tables_.tbDados;
  tbDados.Close();
  const bool risks = state_.numTabela == 1;
  const std::string& path = risks ? ctx.risk_path : ctx.claims_path;
  if (IsBlank(path)) return;  // skipped: no line, no flag, no count

  state_.numRegistros = 0;
  state_.numRegistrosComFalha = 0;
  state_.tabelaOk = false;
  const OpenReader open(tbDados, path, risks ? ctx.risk_file : ctx.claims_file);
  // The company first: a sink may need the code before the file's first finding (the failure
  // list marks its rows against the company's earlier run).
  CaptureCompany(ctx);
  NoteHeaderMismatch(ctx, risks ? FindingFile::kRiscos : FindingFile::kSinistros);
  state_.estruturaOk = false;
  TableResult& result = state_.result.tables.emplace_back();
  result.numTabela = state_.numTabela;
  result.nomeTabela = std::string(Trimmed(state_.nomeTabela));
  result.path = path;
  if (CheckStructure(ctx)) {
    state_.estruturaOk = true;
    state_.tabelaOk = true;
    result.outcome = TableOutcome::kInterrupted;  // until the walk returns
    ctx.host.SetProgress(risks ? 25 : 50);
    if (!WalkRecords(ctx, &riders)) state_.tabelaOk = false;
    (risks ? state_.regRiscos : state_.regSinistros) = state_.numRegistros;
    if (state_.tabelaOk) WriteTableSummary(ctx);
    result.outcome = state_.tabelaOk ? TableOutcome::kRead : TableOutcome::kCompanyFailed;
    result.records = state_.numRegistros;
    result.records_failed = state_.numRegistrosComFalha;
    result.fields = ReadFieldCounters(ctx);
  }
}

}  // namespace engine
