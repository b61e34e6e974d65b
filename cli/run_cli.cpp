#include "cli/run_cli.h"

#include <future>
#include <initializer_list>
#include <memory>
#include <optional>
#include <ostream>

#include "cli/exit_status.h"
#include "cli/option_parser.h"
#include "cli/output_file.h"
#include "cli/progress_line.h"
#include "cli/verdict_line.h"
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
  std::string ProgramFolder() override { return CatalogFolder(options_); }
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
  return err_is_terminal && options.detalhes != kStandardOutput;
}

// Ends the failure list and writes the JSON result. Returns the error lines of the files that
// could not be written (empty when all went well).
std::string FinishOutputs(const CliOptions& options, const std::string& catalog_folder,
                          const engine::ValidationRun& run, const engine::Verdict& verdict,
                          engine::FindingListOutput* details, OutputFile* details_file,
                          engine::FindingsXlsx* workbook, const std::optional<std::string>& error,
                          const platform::LocalDateTime& ended, std::ostream& out) {
  std::string problems;
  if (workbook != nullptr) WriteVerdictSheet(*workbook, run.state(), verdict);
  if (details != nullptr) {
    // The list is completed first (the workbook writes its file then), and only a complete
    // list is put in place. A list that failed says why: the workbook in the library's words;
    // a CSV whose stream failed is closed to learn why (Close() then puts nothing in place).
    if (details->Finish()) {
      if (!details_file->Close()) problems += details_file->WriteError() + "\n";
    } else if (workbook == nullptr &&
               (details_file->stream().fail() || options.detalhes == kStandardOutput) &&
               !details_file->Close()) {
      problems += details_file->WriteError() + "\n";
    } else {
      const std::string reason = workbook != nullptr ? workbook->ErrorText() : std::string();
      problems += "Cannot write file \"" + options.detalhes + "\"." +
                  (reason.empty() ? "" : " " + reason) + "\n";
    }
  }
  if (!options.json.empty()) {
    RunJsonInputs inputs{options.riscos,   options.sinistros, catalog_folder,
                         options.regional, std::nullopt,      std::nullopt};
    if (details != nullptr) {
      inputs.detalhes = options.detalhes;
      inputs.falhas = details->total();
    }
    const std::string document = RunJson(inputs, run.state(), verdict, error, ended);
    OutputFile file(options.json, out);
    if (!file.ok()) {
      problems += file.CreateError() + "\n";
    } else {
      file.stream() << document;
      if (!file.Close()) problems += file.WriteError() + "\n";
    }
  }
  return problems;
}

// "aviso: <file>: <text>" in UTF-8, the path as typed (its bytes pass unchanged; the engine's
// text is Windows-1252).
std::string WarningLine(const engine::RunWarning& w, const CliOptions& options,
                        const std::string& catalog_folder) {
  std::string path;
  switch (w.file) {
    case engine::WarningFile::kRiscos:
      path = options.riscos;
      break;
    case engine::WarningFile::kSinistros:
      path = options.sinistros;
      break;
    case engine::WarningFile::kTotais:
      path = catalog_folder + "DadosKov.DBF";
      break;
  }
  return "aviso: " + path + ": " + engine::Win1252ToUtf8(w.text);
}

// The extract's temporary files could be made in no folder: the message and the line that
// names each folder and why it failed.
std::string ScratchError(const engine::RecordExtract& extract, const std::string& catalog_folder) {
  return "Cannot create a temporary file for --extrato.\ncausa: não foi possível criar um "
         "arquivo temporário " +
         engine::FoldersTried(extract.ScratchFailures(), catalog_folder) + "\n";
}

// Puts the extract's files in place once it was written; else the message that says why not:
// its temporary files, the output's own write error, or an input that could no longer be read.
std::string ExtractError(const engine::RecordExtract& extract, bool written,
                         const std::string& catalog_folder, const std::string& path,
                         std::initializer_list<OutputFile*> files) {
  if (!extract.ScratchFailures().empty()) return ScratchError(extract, catalog_folder);
  std::string problems;
  for (OutputFile* file : files) {
    // A stream that failed is closed only to learn why; Close() then puts nothing in place.
    if (file != nullptr && (written || file->stream().fail()) && !file->Close()) {
      problems += file->WriteError() + "\n";
    }
  }
  if (!written && problems.empty()) {
    const std::string reason = extract.WorkbookError();
    problems = "Cannot write file \"" + path + "\"." + (reason.empty() ? "" : " " + reason) + "\n";
  }
  return problems;
}

// The status of a run that reached the end of the runner.
int Status(bool run_failed, bool output_failed, bool rejected, const CliOptions& options) {
  if (run_failed || output_failed) return kExitRunError;
  if (rejected && options.estrito) return kExitRejected;
  return kExitSuccess;
}

}  // namespace

int RunCli(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
           platform::LocalDateTime (*clock)(), bool err_is_terminal) {
  CliOptions options;
  std::string usage_error;
  if (!ParseCliOptions(args, &options, &usage_error)) {
    err << UsageErrorText("talmero-criticar", usage_error);
    return kExitUsage;
  }
  if (options.help || options.version) {
    const std::string text = options.help ? UsageText() : VersionText() + '\n';
    return PrintToStandardOutput(text, out, err) ? kExitSuccess : kExitRunError;
  }
  engine::Regional regional;
  engine::Regional::FromName(options.regional, &regional);

  CliHost host(options, regional, err, clock, ShowsProgress(options, err_is_terminal),
               err_is_terminal);
  engine::ValidationRun run;
  // The failure list is created before the run, so a path that cannot be written costs no run.
  engine::FindingTee sinks;
  std::unique_ptr<OutputFile> details_file;
  std::unique_ptr<engine::FindingListOutput> details;
  if (!options.detalhes.empty()) {
    details_file = std::make_unique<OutputFile>(options.detalhes, out);
    if (!details_file->ok()) {
      err << details_file->CreateError() << '\n';
      return kExitRunError;
    }
  }
  engine::FindingsXlsx* workbook = nullptr;  // the failure list, when it is a workbook
  if (engine::IsXlsxPath(options.detalhes)) {
    // The workbook writes its file by path: into the temporary file, put in place on Close().
    auto book = std::make_unique<engine::FindingsXlsx>(
        details_file->TempPath(), options.max_detalhes, engine::FindingsXlsx::kSheetRows,
        host.ProgramFolder(), /*summary_sheet=*/true);
    if (!book->ok()) {
      err << "Cannot create file \"" << options.detalhes << "\". " << book->ErrorText() << '\n';
      return kExitRunError;
    }
    workbook = book.get();
    details = std::move(book);
    sinks.Add(details.get());
  } else if (details_file) {
    details = std::make_unique<engine::FindingsCsv>(details_file->stream(), options.max_detalhes);
    sinks.Add(details.get());
  }
  std::unique_ptr<OutputFile> html_file;
  engine::FailingValues failing_values;
  if (!options.html.empty()) {
    html_file = std::make_unique<OutputFile>(options.html, out);
    if (!html_file->ok()) {
      err << html_file->CreateError() << '\n';
      return kExitRunError;
    }
    sinks.Add(&failing_values);
  }
  std::unique_ptr<OutputFile> extract_risks;
  std::unique_ptr<OutputFile> extract_claims;
  std::unique_ptr<engine::RecordExtract> extract;
  if (!options.extrato.empty()) {
    extract_risks = std::make_unique<OutputFile>(options.extrato, out);
    const bool to_stdout = options.extrato == kStandardOutput;
    // A workbook holds both files' sheets; CSV puts the claims in a second file.
    const bool book = engine::IsXlsxPath(options.extrato);
    if (!to_stdout && !book) {
      extract_claims =
          std::make_unique<OutputFile>(engine::RecordExtract::ClaimsPath(options.extrato), out);
    }
    for (const OutputFile* file : {extract_risks.get(), extract_claims.get()}) {
      if (file != nullptr && !file->ok()) {
        err << file->CreateError() << '\n';
        return kExitRunError;
      }
    }
    if (book) {
      extract =
          std::make_unique<engine::RecordExtract>(extract_risks->TempPath(), host.ProgramFolder());
    } else {
      extract = std::make_unique<engine::RecordExtract>(extract_risks->stream(),
                                                        to_stdout ? out : extract_claims->stream(),
                                                        host.ProgramFolder());
    }
    if (!extract->ok()) {
      if (extract->ScratchFailures().empty()) {
        err << "Cannot create file \"" << options.extrato << "\". " << extract->WorkbookError()
            << '\n';
      } else {
        err << ScratchError(*extract, host.ProgramFolder());
      }
      return kExitRunError;
    }
    sinks.Add(extract.get());
  }
  if (!sinks.empty()) run.SetFindingSink(&sinks);
  if (options.nucleos > 0) run.SetWalkThreads(options.nucleos);
  // A list or extract streamed to standard output is written on a second thread until it is
  // finished (engine/block_writer.h): meanwhile a notice on standard error must not flush it.
  std::ostream* const tied = err.tie(nullptr);
  std::optional<std::string> message;
  try {
    run.Execute(host);
  } catch (const std::exception& e) {
    message = engine::ErrorBoxText(e.what());
  }
  host.ClearProgress();
  for (const engine::RunWarning& w : engine::RunWarnings(run.state().result)) {
    err << WarningLine(w, options, host.ProgramFolder()) << '\n';
  }
  const platform::LocalDateTime ended = host.Now();
  const engine::Verdict verdict =
      engine::ComputeVerdict(run.state().result, message, options.limites);
  // The extract writes its rows now, after the run; meanwhile the failure list is completed and
  // put in place, and the JSON written: the extract touches only its own files and tables.
  // (Without a thread to be had, it runs deferred, at get().)
  std::future<bool> extract_written;
  if (extract) {
    extract_written =
        std::async(std::launch::async | std::launch::deferred, [&] { return extract->Finish(); });
  }
  std::string output_error =
      FinishOutputs(options, host.ProgramFolder(), run, verdict, details.get(), details_file.get(),
                    workbook, message, ended, out);
  if (extract) {
    output_error += ExtractError(*extract, extract_written.get(), host.ProgramFolder(),
                                 options.extrato, {extract_risks.get(), extract_claims.get()});
  }
  err.tie(tied);
  if (html_file) {
    const engine::HtmlReportInputs inputs{options.riscos, options.sinistros, host.ProgramFolder(),
                                          &failing_values};
    html_file->stream() << engine::HtmlReport(inputs, run.state(), verdict, options.limites,
                                              message, ended);
    if (!html_file->Close()) output_error += html_file->WriteError() + "\n";
  }

  // The lines written so far are output also when an error ended the run.
  if (options.saida.empty()) {
    OutputFile file(kStandardOutput, out);
    for (const auto& line : host.lines()) out << engine::Win1252ToUtf8(line) << '\n';
    if (!file.Close()) output_error += file.WriteError() + "\n";
  } else {
    OutputFile file(options.saida, out);
    if (!file.ok()) {
      output_error += file.CreateError() + "\n";
    } else {
      for (const auto& line : host.lines()) file.stream() << line << "\r\n";
      if (!file.Close()) output_error += file.WriteError() + "\n";
    }
  }
  // The run's own message first, with the line that explains it, then every output that
  // failed. Messages carry paths as typed, so they are passed on unchanged.
  if (message) {
    err << *message << '\n';
    const std::string& explanation = run.state().result.error_explanation;
    if (!explanation.empty()) err << "causa: " << explanation << '\n';
  }
  err << output_error;
  // A person at a terminal reads the verdict last; pipes and files keep only the messages, as
  // scripts expect.
  if (err_is_terminal) err << TerminalVerdictLine(verdict) << '\n';
  return Status(message.has_value(), !output_error.empty(),
                verdict.resultado == engine::VerdictOutcome::kRejeitado, options);
}

}  // namespace cli
