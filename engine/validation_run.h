#pragma once
// The validation run: the driver of one press of "&Criticar". It clears the log, loads the rule
// catalogue, validates the risks file and the claims file in the catalogue's table order, runs
// the cross-file checks that the gates allow and closes the report.
//
// Each input file is read once. The field-check walk of a file (engine/field_checks.h) also
// hands every record it shows to the file's taps (engine/walk_carry.h): the policy keys of the
// risks file for the temporary index, the claims' keys, and the reconciliation's sums and
// inverted coverages. The claims check and the reconciliation come after both walks and only use
// what the taps gathered; the findings they tell later (claims without a policy, inverted
// coverage) are kept as record numbers and read back from their records in record order, so
// memory does not grow with the failures. With two threads or more each tap runs on a thread of
// its own (engine/tap_threads.h) and the field checks on workers (engine/check_pipeline.h) whose
// findings and notices the run's thread tells in file order. The report's order is that of the
// three passes a run once made: an error a tap meets is kept and raised where its phase would have
// met it.
//
// Data faults never end a run: they become counters, error lines or notices. An error of the
// environment (a missing file, a missing field, a value that cannot be converted) ends the run
// where it occurs: Execute() throws, the lines written so far stay, no closing block is written
// and the progress position stays where it was. Every reader is closed again on every path, so
// each run starts from closed readers. A path that gives another file than it gave at the run's
// first open of it (renamed or replaced during the run) ends the run with the changed-file error
// rather than mix two files' figures.

#include <cstdint>
#include <optional>
#include <string>

#include "engine/error_explanation.h"
#include "engine/findings.h"
#include "engine/open_reader.h"
#include "engine/regional.h"
#include "engine/run_host.h"
#include "engine/run_result.h"
#include "platform/file_identity.h"
#include "tables/dbf_table.h"
#include "tables/mem_table.h"

namespace engine {

struct WalkCarry;

// The state carried from phase to phase; created empty at the start of every run.
struct RunState {
  std::string codEmpresa;    // company code of the run (untrimmed)
  int numTabela = 0;         // table number in progress: 1 is the risks file
  std::string nomeTabela;    // table name as the catalogue holds it, trailing blanks included
  bool estruturaOk = false;  // outcome of the structure check of the table processed last
  bool tabelaOk = false;     // true when that table also had no company error
  std::int32_t numRegistros = 0;
  std::int64_t numRegistrosComFalha = 0;  // of them, those with at least one field failure
  std::int32_t regRiscos = 0;
  std::int32_t regSinistros = 0;
  RunResult result;  // the run's figures as values, recorded as the report is written
};

// The table objects of the run. They outlive a run: the in-memory tables keep the catalogue and
// its counters until the next run starts.
struct RunTables {
  tables::DbfTable tbDados{"tbDados", true};
  tables::DbfTable tbTabelas{"tbTabelas", false};
  tables::DbfTable tbAnexos{"tbAnexos", false};
  tables::DbfTable tbRiscos{"tbRiscos", true};
  tables::DbfTable tbSinistros{"tbSinistros", true};
  tables::DbfTable tbDadosKov{"tbDadosKov", false};
  tables::MemTable zelTabelas{"zelTabelas"};
  tables::MemTable zelEstrutTab{"zelEstrutTab"};
  tables::MemTable zelAnexos{"zelAnexos"};

  void CloseReaders();
};

// What every phase works with during one run.
struct RunContext {
  RunHost& host;
  RunTables& tables;
  RunState& state;
  const Regional& regional;
  std::string catalogue_folder;  // ends with the path separator
  int current_year = 0;          // of the clock at the start of the run (date check window)
  std::string risk_path;         // path texts as typed, read when the run starts
  std::string claims_path;
  FindingSink* findings = nullptr;  // null: no row-level findings are told
  // What the walks gather for the later phases; null: each phase reads its files itself.
  WalkCarry* carry = nullptr;
  // Threads of a walk: 1 does everything on the run's thread; N >= 2 checks the fields on N
  // workers and gives each tap a thread of its own. The outputs are the same either way.
  int walk_threads = 1;
  // The files the run found first under the two paths, held until it ends: every later pass
  // reads them, never the paths again (engine/open_reader.h).
  HeldInput risk_file{};
  HeldInput claims_file{};
};

// The machine's cores, at most 8.
int DefaultWalkThreads();

class ValidationRun {
 public:
  ValidationRun() = default;

  // One run. Throws the error that ended it (std::exception; its what() is the message), with
  // the sentence that explains it in state().result.error_explanation.
  void Execute(RunHost& host);

  // Every later run tells its findings to `sink` (null: none). The sink must outlive the runs.
  void SetFindingSink(FindingSink* sink) { findings_ = sink; }
  // Threads of the later runs' walks (RunContext::walk_threads); by default DefaultWalkThreads().
  void SetWalkThreads(int threads) { walk_threads_ = threads < 1 ? 1 : threads; }
  int walk_threads() const { return walk_threads_; }

  RunTables& tables() { return tables_; }
  const RunState& state() const { return state_; }

 private:
  // The run itself; `*paths` gets the run's paths as soon as they are read.
  void Run(RunHost& host, RunPaths* paths);
  void ProcessTable(RunContext& ctx);
  // Records a header that disagrees with the file's length, once per input file.
  void NoteHeaderMismatch(RunContext& ctx, FindingFile file);

  RunTables tables_;
  RunState state_;
  FindingSink* findings_ = nullptr;
  int walk_threads_ = DefaultWalkThreads();
};

}  // namespace engine
