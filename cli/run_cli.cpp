#include "cli/run_cli.h"

#include <future>
#include <memory>
#include <optional>
#include <ostream>

#include "cli/progress_line.h"
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
#include "outputs/failing_values.h"
#include "outputs/findings_csv.h"
#include "outputs/findings_xlsx.h"
#include "outputs/html_report.h"
#include "outputs/record_extract.h"
#include "outputs/run_json.h"
#include "outputs/verdict_sheet.h"
#include "platform/file_error.h"
#include "platform/program_folder.h"

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
  void ShowInvalidDate(std::string_view message) override {
    if (options_.sem_avisos_de_data) return;
    progress_.Clear();
    // Standard error is unbuffered, and a file with many impossible dates sends thousands of
    // notices: on a terminal, or beside the progress line, each goes at once; into a file or a
    // pipe they go out in blocks, before anything else the run writes to standard error.
    pending_notices_ += engine::Win1252ToUtf8(message);
    pending_notices_ += '\n';
    if (immediate_notices_ || pending_notices_.size() >= kNoticeBlock) FlushNotices();
  }
  const engine::Regional& regional() const override { return regional_; }
  platform::LocalDateTime Now() override {
    return clock_ != nullptr ? clock_() : platform::LocalNow();
  }
  std::string CatalogueFolder() override { return cli::CatalogueFolder(options_); }
  std::string RiskPath() override { return options_.riscos; }
  std::string ClaimsPath() override { return options_.sinistros; }

  const std::vector<std::string>& lines() const { return lines_; }
  // Before the messages that follow the run.
  void ClearProgress() {
    FlushNotices();
    progress_.Clear();
  }

 private:
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

// Wrong usage, --help and --version end the runner before any run: their status, or nullopt
// when `options` asks for a run.
std::optional<int> AnswerWithoutRun(const std::vector<std::string>& args, std::ostream& out,
                                    std::ostream& err, CliOptions* options) {
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

// The outputs written beside the report. They are created before the run, so a path that cannot
// be written costs no run.
struct SideOutputs {
  outputs::FindingTee sinks;
  std::unique_ptr<cmdline::OutputFile> details_file;
  std::unique_ptr<outputs::FindingListOutput> details;
  outputs::FindingsXlsx* workbook = nullptr;  // the failure list, when it is a workbook
  std::unique_ptr<cmdline::OutputFile> html_file;
  outputs::FailingValues failing_values;
  std::unique_ptr<cmdline::OutputFile> extract_risks;
  std::unique_ptr<cmdline::OutputFile> extract_claims;
  std::unique_ptr<outputs::RecordExtract> extract;
};

// The message and the line that names each folder where the extract's temporary files could
// not be made, and why.
std::string ScratchError(const outputs::RecordExtract& extract,
                         const std::string& catalogue_folder) {
  return "não foi possível criar o arquivo temporário de --extrato\n" +
         engine::CauseText("não foi possível criar um arquivo temporário " +
                           engine::FoldersTried(extract.ScratchFailures(), catalogue_folder)) +
         "\n";
}

// Each Open... below returns the error lines of an output that cannot be created, or nothing.
std::string OpenDetails(const CliOptions& options, const std::string& catalogue_folder,
                        std::ostream& out, SideOutputs* side) {
  if (options.detalhes.empty()) return {};
  side->details_file = std::make_unique<cmdline::OutputFile>(options.detalhes, out);
  if (!side->details_file->ok()) return side->details_file->CreateError() + "\n";
  if (outputs::IsXlsxPath(options.detalhes)) {
    // The workbook writes its file by path: into the temporary file, put in place on Close().
    auto book = std::make_unique<outputs::FindingsXlsx>(
        side->details_file->TempPath(), options.max_detalhes, outputs::FindingsXlsx::kSheetRows,
        catalogue_folder, /*summary_sheet=*/true);
    if (!book->ok()) {
      return platform::FileErrorText(platform::FileStep::kCreate, options.detalhes,
                                     book->ErrorText()) +
             "\n";
    }
    side->workbook = book.get();
    side->details = std::move(book);
  } else {
    side->details =
        std::make_unique<outputs::FindingsCsv>(side->details_file->stream(), options.max_detalhes);
  }
  side->sinks.Add(side->details.get());
  return {};
}

std::string OpenHtml(const CliOptions& options, std::ostream& out, SideOutputs* side) {
  if (options.html.empty()) return {};
  side->html_file = std::make_unique<cmdline::OutputFile>(options.html, out);
  if (!side->html_file->ok()) return side->html_file->CreateError() + "\n";
  side->sinks.Add(&side->failing_values);
  return {};
}

std::string OpenExtract(const CliOptions& options, const std::string& catalogue_folder,
                        std::ostream& out, SideOutputs* side) {
  if (options.extrato.empty()) return {};
  side->extract_risks = std::make_unique<cmdline::OutputFile>(options.extrato, out);
  const bool to_stdout = options.extrato == cmdline::kStandardOutput;
  // A workbook holds both files' sheets; CSV puts the claims in a second file.
  const bool book = outputs::IsXlsxPath(options.extrato);
  if (!to_stdout && !book) {
    side->extract_claims = std::make_unique<cmdline::OutputFile>(
        outputs::RecordExtract::ClaimsPath(options.extrato), out);
  }
  for (const cmdline::OutputFile* file : {side->extract_risks.get(), side->extract_claims.get()}) {
    if (file != nullptr && !file->ok()) return file->CreateError() + "\n";
  }
  if (book) {
    side->extract =
        std::make_unique<outputs::RecordExtract>(side->extract_risks->TempPath(), catalogue_folder);
  } else {
    side->extract = std::make_unique<outputs::RecordExtract>(
        side->extract_risks->stream(), to_stdout ? out : side->extract_claims->stream(),
        catalogue_folder);
  }
  if (!side->extract->ok()) {
    if (!side->extract->ScratchFailures().empty())
      return ScratchError(*side->extract, catalogue_folder);
    return platform::FileErrorText(platform::FileStep::kCreate, options.extrato,
                                   side->extract->WorkbookError()) +
           "\n";
  }
  side->sinks.Add(side->extract.get());
  return {};
}

std::string OpenSideOutputs(const CliOptions& options, const std::string& catalogue_folder,
                            std::ostream& out, SideOutputs* side) {
  std::string error = OpenDetails(options, catalogue_folder, out, side);
  if (error.empty()) error = OpenHtml(options, out, side);
  if (error.empty()) error = OpenExtract(options, catalogue_folder, out, side);
  return error;
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

// Completes the failure list and puts it in place; else the line that says why not.
std::string FinishDetails(const CliOptions& options, const engine::ValidationRun& run,
                          const engine::Verdict& verdict, SideOutputs& side) {
  if (side.workbook != nullptr) WriteVerdictSheet(*side.workbook, run.state(), verdict);
  if (side.details == nullptr) return {};
  // The list is completed first (the workbook writes its file then), and only a complete list is
  // put in place. A list that failed says why: the workbook in the library's words; a CSV whose
  // stream failed is closed to learn why (Close() then puts nothing in place).
  cmdline::OutputFile& file = *side.details_file;
  if (side.details->Finish()) return file.Close() ? std::string() : file.WriteError() + "\n";
  if (side.workbook == nullptr &&
      (file.stream().fail() || options.detalhes == cmdline::kStandardOutput) && !file.Close()) {
    return file.WriteError() + "\n";
  }
  const std::string reason = side.workbook != nullptr ? side.workbook->ErrorText() : std::string();
  return platform::FileErrorText(platform::FileStep::kWrite, options.detalhes, reason) + "\n";
}

// Writes the JSON result, when asked for; else the line that says why not.
std::string WriteJson(const CliOptions& options, const std::string& catalogue_folder,
                      const engine::ValidationRun& run, const engine::Verdict& verdict,
                      const SideOutputs& side, const std::optional<std::string>& error,
                      const platform::LocalDateTime& ended, std::ostream& out) {
  if (options.json.empty()) return {};
  outputs::RunJsonInputs inputs{options.riscos,   options.sinistros, catalogue_folder,
                                options.regional, std::nullopt,      std::nullopt};
  if (side.details != nullptr) {
    inputs.detalhes = options.detalhes;
    inputs.falhas = side.details->total();
  }
  const std::string document = outputs::RunJson(inputs, run.state(), verdict, error, ended);
  cmdline::OutputFile file(options.json, out);
  if (!file.ok()) return file.CreateError() + "\n";
  file.stream() << document;
  return file.Close() ? std::string() : file.WriteError() + "\n";
}

// Puts the extract's files in place once it was written; else the message that says why not:
// its temporary files, the output's own write error, or an input that could no longer be read.
std::string ExtractError(const SideOutputs& side, bool written, const std::string& catalogue_folder,
                         const std::string& path) {
  const outputs::RecordExtract& extract = *side.extract;
  if (!extract.ScratchFailures().empty()) return ScratchError(extract, catalogue_folder);
  std::string problems;
  for (cmdline::OutputFile* file : {side.extract_risks.get(), side.extract_claims.get()}) {
    // A stream that failed is closed only to learn why; Close() then puts nothing in place.
    if (file != nullptr && (written || file->stream().fail()) && !file->Close()) {
      problems += file->WriteError() + "\n";
    }
  }
  if (!written && problems.empty()) {
    problems =
        platform::FileErrorText(platform::FileStep::kWrite, path, extract.WorkbookError()) + "\n";
  }
  return problems;
}

std::string WriteHtml(const CliOptions& options, const std::string& catalogue_folder,
                      const engine::ValidationRun& run, const engine::Verdict& verdict,
                      SideOutputs& side, const std::optional<std::string>& error,
                      const platform::LocalDateTime& ended) {
  if (!side.html_file) return {};
  const outputs::HtmlReportInputs inputs{options.riscos, options.sinistros, catalogue_folder,
                                         &side.failing_values};
  side.html_file->stream() << outputs::HtmlReport(inputs, run.state(), verdict, options.limites,
                                                  error, ended);
  return side.html_file->Close() ? std::string() : side.html_file->WriteError() + "\n";
}

// Completes every output beside the report once the run is over. Returns the error lines of
// those that could not be written (empty when all went well).
std::string CloseSideOutputs(const CliOptions& options, const std::string& catalogue_folder,
                             const engine::ValidationRun& run, const engine::Verdict& verdict,
                             const std::optional<std::string>& error,
                             const platform::LocalDateTime& ended, SideOutputs& side,
                             std::ostream& out) {
  // The extract writes its rows now, after the run; meanwhile the failure list is completed and
  // put in place, and the JSON written: the extract touches only its own files and tables.
  // (Without a thread to be had, it runs deferred, at get().)
  std::future<bool> extract_written;
  if (side.extract) {
    extract_written = std::async(std::launch::async | std::launch::deferred,
                                 [&side] { return side.extract->Finish(); });
  }
  // So is the page, made from the run's counts and its own sink only, and put in place, when
  // there is something to do beside it (a thread of its own starts with no memory of its own:
  // alone it would only cost more); but not on standard output, which the JSON may share. Its
  // message still comes last.
  std::future<std::string> html_written;
  const bool html_apart = side.html_file && options.html != cmdline::kStandardOutput &&
                          (side.extract || side.details != nullptr);
  if (html_apart) {
    html_written = std::async(std::launch::async | std::launch::deferred, [&] {
      return WriteHtml(options, catalogue_folder, run, verdict, side, error, ended);
    });
  }
  std::string problems = FinishDetails(options, run, verdict, side);
  problems += WriteJson(options, catalogue_folder, run, verdict, side, error, ended, out);
  if (side.extract) {
    problems += ExtractError(side, extract_written.get(), catalogue_folder, options.extrato);
  }
  return problems + (html_apart
                         ? html_written.get()
                         : WriteHtml(options, catalogue_folder, run, verdict, side, error, ended));
}

// The report's lines, also when an error ended the run: UTF-8 on standard output, or with
// --saida as the window's export. Returns the error line when they could not be written.
std::string WriteReport(const CliOptions& options, const std::vector<std::string>& lines,
                        std::ostream& out) {
  if (options.saida.empty()) {
    cmdline::OutputFile file(cmdline::kStandardOutput, out);
    for (const auto& line : lines) out << engine::Win1252ToUtf8(line) << '\n';
    return file.Close() ? std::string() : file.WriteError() + "\n";
  }
  cmdline::OutputFile file(options.saida, out);
  if (!file.ok()) return file.CreateError() + "\n";
  for (const auto& line : lines) file.stream() << line << "\r\n";
  return file.Close() ? std::string() : file.WriteError() + "\n";
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
  CliHost host(options, regional, err, clock, ShowsProgress(options, err_is_terminal),
               err_is_terminal);
  const std::string catalogue_folder = host.CatalogueFolder();
  SideOutputs side;
  if (const std::string error = OpenSideOutputs(options, catalogue_folder, out, &side);
      !error.empty()) {
    err << error;
    return cmdline::kExitRunError;
  }
  engine::ValidationRun run;
  if (!side.sinks.empty()) {
    run.SetFindingSink(side.sinks.only() != nullptr ? side.sinks.only() : &side.sinks);
  }
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
  std::string output_error =
      CloseSideOutputs(options, catalogue_folder, run, verdict, error, ended, side, out);
  err.tie(tied);
  output_error += WriteReport(options, host.lines(), out);
  TellOutcome(error, run.state().result.error_explanation, output_error, verdict, err_is_terminal,
              err);
  return Status(error.has_value(), !output_error.empty(),
                verdict.resultado == engine::VerdictOutcome::kRejeitado, options);
}

}  // namespace cli
