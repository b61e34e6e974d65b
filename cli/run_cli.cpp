#include "cli/run_cli.h"

#include <optional>
#include <ostream>

#include "cli/history_step.h"
#include "cli/progress_line.h"
#include "cli/side_outputs.h"
#include "cli/usage_text.h"
#include "cmdline/exit_status.h"
#include "cmdline/option_parser.h"
#include "cmdline/output_file.h"
#include "cmdline/verdict_line.h"
#include "engine/error_explanation.h"
#include "engine/report.h"
#include "engine/run_host.h"
#include "engine/run_warnings.h"
#include "engine/text.h"
#include "engine/validation_run.h"
#include "engine/verdict.h"

namespace cli {
namespace {

// The runner's side of a run: the report kept as lines, notices straight to standard error.
class CliHost : public engine::RunHost {
 public:
  CliHost(const CliOptions& options, const engine::Regional& regional, std::ostream& err,
          platform::LocalDateTime (*clock)(), bool progress, bool err_is_terminal)
      : options_(options),
        regional_(regional),
        err_(err),
        clock_(clock),
        progress_(err, progress),
        immediate_notices_(progress || err_is_terminal) {}
  ~CliHost() override { FlushNotices(); }
  CliHost(const CliHost&) = delete;
  CliHost& operator=(const CliHost&) = delete;

  void ClearLog() override { lines_.clear(); }
  void AppendLine(std::string_view line) override { lines_.emplace_back(line); }
  void ReplaceLine(std::size_t index, std::string_view line) override {
    if (index < lines_.size()) lines_[index] = std::string(line);
  }
  void SetProgress(int) override {}
  void WalkProgress(std::string_view phase, std::uint64_t done, std::uint64_t total) override {
    progress_.Update(phase, done, total);
  }
  void ShowInvalidDate(std::string_view message) override { Notice(message, {}); }
  // "Data Inválida : 20230230 - Arquivo: riscos.dbf, registro 12, campo FIM_VIG": the notice's
  // text first, as scripts read it, then where the date stands.
  void ShowInvalidDateAt(std::string_view message, const engine::DatePlace& place) override {
    Notice(message, " - " + engine::DatePlaceText(place));
  }
  const engine::Regional& regional() const override { return regional_; }
  platform::LocalDateTime Now() override {
    return clock_ != nullptr ? clock_() : platform::LocalNow();
  }
  std::string CatalogueFolder() override { return cli::CatalogueFolder(options_); }
  std::string RiskPath() override { return options_.riscos; }
  std::string ClaimsPath() override { return options_.sinistros; }

  const std::vector<std::string>& lines() const { return lines_; }
  ProgressLine& progress() { return progress_; }
  // Before the messages that follow the run.
  void ClearProgress() {
    FlushNotices();
    progress_.Clear();
  }

 private:
  // The notice's line, `place` after its text (empty: none).
  void Notice(std::string_view message, const std::string& place) {
    if (options_.sem_avisos_de_data) return;
    progress_.Clear();
    // Standard error is unbuffered, and a file with many impossible dates sends thousands of
    // notices: on a terminal, or beside the progress line, each goes at once; into a file or a
    // pipe they go out in blocks, before anything else the run writes to standard error.
    pending_notices_ += engine::Win1252ToUtf8(message);
    pending_notices_ += place;  // the path as typed, the field's name ASCII
    pending_notices_ += '\n';
    if (immediate_notices_ || pending_notices_.size() >= kNoticeBlock) FlushNotices();
  }
  const CliOptions& options_;
  engine::Regional regional_;
  std::ostream& err_;
  platform::LocalDateTime (*clock_)();
  void FlushNotices() {
    if (pending_notices_.empty()) return;
    err_.write(pending_notices_.data(), static_cast<std::streamsize>(pending_notices_.size()));
    err_.flush();
    pending_notices_.clear();
  }

  static constexpr std::size_t kNoticeBlock = 64 * 1024;

  ProgressLine progress_;
  bool immediate_notices_;  // a terminal or the progress line: each notice goes at once
  std::string pending_notices_;
  std::vector<std::string> lines_;
};

// The progress line shows on a terminal unless turned off, elsewhere only when asked for. A
// failure list streamed to standard output during the run would share the terminal with it.
bool ShowsProgress(const CliOptions& options, bool err_is_terminal) {
  if (options.sem_progresso) return false;
  if (options.progresso) return true;
  return err_is_terminal && options.detalhes != cmdline::kStandardOutput;
}

// Wrong usage (no argument at all included), --help and --version end the runner before any
// run: their status, or nullopt when `options` asks for a run.
std::optional<int> AnswerWithoutRun(const std::vector<std::string>& args, std::ostream& out,
                                    std::ostream& err, CliOptions* options) {
  // Nothing at all to check is a slip, not an empty check: the usage, as to any wrong usage.
  if (args.empty()) {
    err << UsageText();
    return cmdline::kExitUsage;
  }
  std::string usage_error;
  if (!ParseCliOptions(args, options, &usage_error)) {
    err << cmdline::UsageErrorText("talmero-criticar", usage_error);
    return cmdline::kExitUsage;
  }
  if (!options->help && !options->version) return std::nullopt;
  const std::string text = options->help ? UsageText() : VersionText() + '\n';
  return cmdline::PrintToStandardOutput(text, out, err) ? cmdline::kExitSuccess
                                                        : cmdline::kExitRunError;
}

// Runs the checks; the message of the error that ended the run, if one did.
std::optional<std::string> Execute(engine::ValidationRun& run, CliHost& host) {
  try {
    run.Execute(host);
  } catch (const std::exception& e) {
    return engine::ErrorBoxText(e.what());
  }
  return std::nullopt;
}

// "aviso: <file>: <text>" in UTF-8, the path as typed (its bytes pass unchanged; the engine's
// text is Windows-1252).
std::string WarningLine(const engine::RunWarning& w, const CliOptions& options,
                        const std::string& catalogue_folder) {
  std::string path;
  switch (w.file) {
    case engine::WarningFile::kRiscos:
      path = options.riscos;
      break;
    case engine::WarningFile::kSinistros:
      path = options.sinistros;
      break;
    case engine::WarningFile::kTotais:
      path = catalogue_folder + "DadosKov.DBF";
      break;
  }
  return "aviso: " + path + ": " + engine::Win1252ToUtf8(w.text);
}

// The run's own message first, with the line that explains it, then every output that failed.
// Messages carry paths as typed, so they are passed on unchanged. A person at a terminal reads
// the verdict last; pipes and files keep only the messages, as scripts expect.
void TellOutcome(const std::optional<std::string>& error, const std::string& explanation,
                 const std::string& output_error, const engine::Verdict& verdict,
                 bool err_is_terminal, std::ostream& err) {
  if (error) {
    err << *error << '\n';
    if (!explanation.empty()) err << engine::CauseText(explanation) << '\n';
  }
  err << output_error;
  if (err_is_terminal) err << cmdline::TerminalVerdictLine(verdict) << '\n';
}

// The status of a run that reached the end of the runner.
int Status(bool run_failed, bool output_failed, bool rejected, const CliOptions& options) {
  if (run_failed || output_failed) return cmdline::kExitRunError;
  if (rejected && options.estrito) return cmdline::kExitRejected;
  return cmdline::kExitSuccess;
}

}  // namespace

int RunCli(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
           platform::LocalDateTime (*clock)(), bool err_is_terminal) {
  CliOptions options;
  if (const std::optional<int> status = AnswerWithoutRun(args, out, err, &options)) return *status;
  engine::Regional regional;
  engine::Regional::FromName(options.regional, &regional);
  if (options.regional == "sistema") {
    // Said once, before the run: the report's formats are not what the system would give.
    std::string note;
    regional = engine::Regional::System(&note);
    if (!note.empty()) err << "aviso: " << note << '\n';
  }
  CliHost host(options, regional, err, clock, ShowsProgress(options, err_is_terminal),
               err_is_terminal);
  const std::string catalogue_folder = host.CatalogueFolder();
  engine::ValidationRun run;
  HistoryStep history;
  // The failure list asks at its first row, once the run has read the company's code.
  const outputs::NewFailureSource new_failures = [&history, &run] {
    return history.NewFailures(run.state());
  };
  SideOutputs side;
  if (const std::string error = side.Open(options, catalogue_folder, out, new_failures);
      !error.empty()) {
    err << error;
    return cmdline::kExitRunError;
  }
  history.Open(options, err);
  if (history.active()) side.sinks.Add(history.sink());
  run.SetFindingSink(side.sinks.sink());
  if (options.nucleos > 0) run.SetWalkThreads(options.nucleos);
  // A list or extract streamed to standard output is written on a second thread until it is
  // finished (outputs/block_writer.h): meanwhile a notice on standard error must not flush it.
  std::ostream* const tied = err.tie(nullptr);
  const std::optional<std::string> error = Execute(run, host);
  host.ClearProgress();
  for (const engine::RunWarning& w : engine::RunWarnings(run.state().result)) {
    err << WarningLine(w, options, catalogue_folder) << '\n';
  }
  const platform::LocalDateTime ended = host.Now();
  const engine::Verdict verdict =
      engine::ComputeVerdict(run.state().result, error, options.limites);
  // Recorded first: the JSON result tells the comparison with the company's earlier run.
  const std::string history_error = history.Record(options, catalogue_folder, run, verdict, error);
  RunOutcome outcome{run, verdict, error, ended, host.lines(), std::nullopt, &host.progress()};
  outcome.historico = history.active() && history_error.empty();
  outcome.comparacao = history.comparison();
  const std::string output_error = history_error + side.Finish(outcome);
  host.ClearProgress();
  err.tie(tied);
  TellOutcome(error, run.state().result.error_explanation, output_error, verdict, err_is_terminal,
              err);
  return Status(error.has_value(), !output_error.empty(),
                verdict.resultado == engine::VerdictOutcome::kRejeitado, options);
}

}  // namespace cli
