#pragma once
// The window's logic, once for both windows: a run on the worker thread with its failure list,
// the strip and the findings panel over the last run, the catalogue folder, and the saves, which
// never replace a file a run reads. The window draws through WindowView and calls one method here
// per action; nothing here knows a toolkit.
//
// During a run the window takes no input and every action but the run's own flushing is refused;
// an error that ends a run is shown in the error box once the window takes input again.

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "engine/finding_tee.h"
#include "engine/regional.h"
#include "engine/validation_run.h"
#include "frontend/history_job.h"
#include "frontend/input_overwrite.h"
#include "frontend/record_view.h"
#include "frontend/run_findings.h"
#include "frontend/verdict_strip.h"
#include "frontend/window_history.h"
#include "frontend/window_run_host.h"
#include "frontend/window_view.h"
#include "platform/clock.h"

namespace frontend {

struct WindowSetup {
  // The executable's folder, with separator: the help's, and the catalogue's unless another is
  // chosen.
  std::string program_folder;
  std::optional<engine::Regional> regional;        // none: the system's, read at every run
  std::function<platform::LocalDateTime()> clock;  // empty: the local clock
  bool invalid_date_notices = true;                // false: no invalid-date box in any run
  HistoryPlace history{};                          // an empty path: no history
};

class WindowController : private RunView {
 public:
  // `view` must outlive the controller; nothing is asked of it before Opened().
  WindowController(WindowView& view, WindowSetup setup);
  ~WindowController() override;
  WindowController(const WindowController&) = delete;
  WindowController& operator=(const WindowController&) = delete;

  // Shows the first state: the strip ready, the catalogue's tooltip, the actions' enabling.
  void Opened();

  // Starts a run over the path boxes (ignored while one goes). The previous failure list goes.
  void Run();
  // What WakeForRun asks for: applies the run's output, and its end once it has come; shows what
  // the history's reading or deletion found once it is over.
  void FlushRun();
  // For a window closing during a run, which cannot be cancelled: calls `serve_events` until the
  // run has ended, then lets it go without telling the view. True when a run was going.
  bool WaitForRun(const std::function<void()>& serve_events);

  // The log's report as a text file, then opened with its default program.
  void ExportReport();
  // Whether the window may close now: when the log holds a report that was never exported, only
  // once the user said so.
  bool MayClose();
  // The last run's failure list, saved where the user says.
  void SaveFailures();
  // Brings the panel up, reading the last run into it first when it shows an older one.
  void OpenPanel();
  // The log menu's choice of the insurer's catalogue folder, and the way back to the program's.
  void AskCatalogue();
  void ProgramCatalogue();
  // Makes the runs read the catalogue and DadosKov.DBF from `folder` (empty: the program's
  // folder) until the window closes. A folder lacking one of the three files is refused in the
  // error box and the choice stays; returns whether it was taken.
  bool ChooseCatalogue(const std::string& folder);
  // The help file, or its pages where nothing opens it; a failure is told in a box.
  void ShowHelp();
  // The log menu's history of runs: the runs of the last run's company (all when there was none),
  // read off the window's thread and then shown, and on request, once confirmed, their deletion
  // (off the window's thread too, then told in a box). Ignored while either is going on.
  void ShowRunHistory();
  // Whether the history's runs are being read or deleted.
  bool history_busy() const { return history_job_ != nullptr; }

  bool running() const { return running_; }
  bool Enabled(WindowAction action) const;
  // Where the next run reads the catalogue (with separator).
  std::string CatalogueFolder() const;
  // The report as the run wrote it (Windows-1252 bytes).
  const std::vector<std::string>& report() const { return lines_; }
  // The engine's tables of the last run (the rule counters stay visible after it).
  engine::ValidationRun& validation_run() { return run_; }
  const VerdictStrip& strip() const { return strip_; }

 private:
  // RunView: the log goes to the view; the end is ours.
  void LogCleared() override { view_.LogCleared(); }
  void LinesAppended(std::size_t first) override { view_.LinesAppended(first); }
  void LineReplaced(std::size_t index) override { view_.LineReplaced(index); }
  void ProgressChanged(int position) override { view_.ProgressChanged(position); }
  bool AskInvalidDate(const std::string& message) override { return view_.AskInvalidDate(message); }
  bool AskInvalidDateAt(const std::string& message, const std::string& place) override {
    return view_.AskInvalidDateAt(message, place);
  }
  void RunFinished(const std::optional<std::string>& error) override;

  void ShowStrip(VerdictStrip strip);
  // The main reason whole, then the catalogue the next run reads.
  void ShowStripTooltip();
  void RefreshActions();
  void LoadPanel();
  // The files no save may replace: the last run's and the path boxes' inputs, both catalogues.
  std::vector<std::string> ProtectedFiles() const;
  // Saves through `save` unless `path` names a protected file; true when saved, else the error
  // box has told why.
  bool SaveChecked(const std::string& path, const SaveAction& save);
  void ShowShellResult(int code);
  void StartHistoryJob(HistoryJob::Kind kind, std::string empresa);
  // The history's reading or deletion, once it is over: the dialog, the question, the outcome.
  void FinishHistoryJob();

  WindowView& view_;
  WindowSetup setup_;
  std::string catalogue_folder_;  // the insurer's, chosen for the window's life; empty: none

  engine::ValidationRun run_;              // owns the table objects for the window's whole life
  std::vector<std::string> lines_;         // the report, Windows-1252
  std::unique_ptr<RunFindings> findings_;  // the failure list of the last run
  RunFiles run_files_;                     // the last run's inputs, as it opened them
  bool have_run_ = false;                  // a run has ended since the window opened
  bool report_exported_ = false;           // the log's report was exported since its run
  platform::LocalDateTime run_date_{};     // when the last run started
  bool panel_current_ = false;             // the panel shows the last run
  std::optional<std::string> run_error_;   // the message that ended the last run, if one did
  bool running_ = false;
  bool closing_ = false;  // the window goes while a run goes: its end is told to no one
  VerdictStrip strip_;
  WindowHistory history_;
  std::unique_ptr<engine::FindingTee> sinks_;  // the run's: the list's and the history's
  // Why the history is not kept, for the next strip: the worker writes it after the walk, the
  // window's thread reads it once the worker has been joined.
  std::string history_notice_;
  std::unique_ptr<HistoryJob> history_job_;  // the dialog's reading or deletion, while it goes
  std::unique_ptr<WindowRunHost> host_;      // last: it goes (joining its worker) before the rest
};

}  // namespace frontend
