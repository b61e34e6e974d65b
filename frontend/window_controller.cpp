#include "frontend/window_controller.h"

#include <filesystem>
#include <string_view>
#include <utility>

#include "engine/text.h"
#include "frontend/catalogue_folder.h"
#include "frontend/file_snapshot.h"
#include "frontend/help_open.h"
#include "frontend/input_overwrite.h"
#include "frontend/list_save.h"
#include "frontend/message_text.h"
#include "frontend/report_export.h"
#include "frontend/shell_messages.h"
#include "frontend/window_texts.h"
#include "platform/file_identity.h"
#include "platform/path_separator.h"
#include "platform/program_folder.h"
#include "platform/system_path.h"

namespace frontend {

WindowController::WindowController(WindowView& view, WindowSetup setup)
    : view_(view), setup_(std::move(setup)), history_(setup_.history) {
  if (setup_.program_folder.empty()) setup_.program_folder = platform::ExecutableFolder();
  if (!setup_.clock) setup_.clock = platform::LocalNow;
}

WindowController::~WindowController() = default;

void WindowController::Opened() {
  ShowStrip(StripReady());
  ShowStripTooltip();
  RefreshActions();
}

void WindowController::Run() {
  if (running_) return;
  // The path texts are read once, here; the run takes them from its host.
  PathBoxes boxes = view_.ReadPathBoxes();
  run_date_ = setup_.clock();
  report_exported_ = false;
  run_files_ = {{boxes.riscos, std::nullopt}, {boxes.sinistros, std::nullopt}};
  RunInputs inputs{std::move(boxes.riscos),
                   std::move(boxes.sinistros),
                   CatalogueFolder(),
                   setup_.regional ? *setup_.regional : engine::Regional::System(),
                   setup_.clock,
                   setup_.invalid_date_notices};
  // The previous list goes (the panel lets go of it first); a new one streams to a temporary
  // file while the run goes.
  view_.UnloadPanel();
  panel_current_ = false;
  findings_.reset();
  history_.StartRun();
  findings_ = std::make_unique<RunFindings>();
  history_notice_ = history_.Prepare();
  if (history_.active()) {
    findings_->MarkNewAgainst([this] { return history_.NewFailures(run_.state()); });
  }
  sinks_ = std::make_unique<engine::FindingTee>();
  if (findings_->sink() != nullptr) sinks_->Add(findings_->sink());
  if (history_.active()) sinks_->Add(history_.sink());
  run_.SetFindingSink(sinks_->sink());
  WindowRunHost::AfterRun record;
  if (history_.active()) {
    // On the worker, once the walk is over: the window's thread never waits for the database.
    record = [this, riscos = inputs.risk_path, sinistros = inputs.claims_path,
              catalogue = inputs.catalogue_folder](const std::optional<std::string>& error) {
      const std::string notice =
          history_.Record(riscos, sinistros, catalogue, run_.state(), run_.walk_threads(), error);
      if (!notice.empty()) history_notice_ = notice;
    };
  }
  host_ = std::make_unique<WindowRunHost>(static_cast<RunView&>(*this), lines_, std::move(inputs),
                                          [this] { view_.WakeForRun(); });
  running_ = true;
  view_.SetRunning(true);
  RefreshActions();
  ShowStrip(StripRunning());
  host_->Start(run_, std::move(record));
}

void WindowController::FlushRun() {
  FinishHistoryJob();
  if (!host_) return;
  host_->Flush();
  if (host_ && host_->Finished() && !closing_) host_.reset();
}

bool WindowController::WaitForRun(const std::function<void()>& serve_events) {
  if (!host_ || host_->Finished()) return false;
  // Its requests (a notice) are still served, so the worker can reach its end.
  closing_ = true;
  while (!host_->WorkerEnded()) serve_events();
  host_->Flush();
  return true;
}

void WindowController::RunFinished(const std::optional<std::string>& error) {
  run_.SetFindingSink(nullptr);
  sinks_.reset();
  if (closing_) return;
  if (findings_ != nullptr) findings_->Finish();
  // The run has let go of its inputs: what they look like now is what the list describes.
  run_files_.riscos.snapshot = TakeSnapshot(run_files_.riscos.path);
  run_files_.sinistros.snapshot = TakeSnapshot(run_files_.sinistros.path);
  have_run_ = true;
  run_error_ = error;
  // The run's state is whole before the view is told anything, so whatever the view does
  // meanwhile (a box serves events) sees the run ended.
  running_ = false;
  RefreshActions();
  StripNotes notes;
  // The strip names the folder only when it is not the usual one.
  if (!catalogue_folder_.empty() && !platform::SameFile(catalogue_folder_, setup_.program_folder)) {
    notes.catalogue_folder = DecodeMessage(catalogue_folder_);
    // The folder's name without the separator kept for appending file names.
    std::string& shown = notes.catalogue_folder;
    while (shown.size() > 1 && (shown.back() == '/' || shown.back() == '\\')) shown.pop_back();
  }
  if (const history::RunComparison* c = history_.comparison()) {
    notes.comparison = StripComparison{c->anterior.inicio, c->corrigidas, c->novas};
  }
  notes.history_notice = std::exchange(history_notice_, {});
  // A run that ended in an error has no list worth a panel.
  notes.panel = !error && findings_ != nullptr && findings_->ready();
  ShowStrip(StripOf(run_.state().result, error, notes));
  ShowStripTooltip();
  // The panel reads the new list at once, shown or not: the file is fresh in the system's cache,
  // and the list is ready by the time the user opens the panel.
  LoadPanel();
  view_.SetRunning(false);
  if (error) view_.ShowError(ErrorBoxMessage(*error, run_.state().result.error_explanation));
  view_.AfterRun();
}

void WindowController::ShowStripTooltip() {
  std::string tip = CatalogueTooltip(catalogue_folder_, setup_.program_folder);
  if (!strip_.reason.empty()) tip = strip_.reason + "\n" + tip;
  view_.SetStripTooltip(tip);
}

void WindowController::ShowStrip(VerdictStrip strip) {
  strip_ = std::move(strip);
  view_.ShowStrip(strip_);
}

bool WindowController::Enabled(WindowAction action) const {
  if (running_) return false;
  switch (action) {
    case WindowAction::kSaveFailures:
      return findings_ != nullptr && findings_->ready();
    case WindowAction::kChooseCatalogue:
      return true;
    case WindowAction::kProgramCatalogue:
      return !catalogue_folder_.empty();
    case WindowAction::kRunHistory:
      return !setup_.history.path.empty();
  }
  return false;
}

void WindowController::RefreshActions() {
  for (const WindowAction action : kWindowActions) view_.EnableAction(action, Enabled(action));
}

std::vector<std::string> WindowController::ProtectedFiles() const {
  const PathBoxes boxes = view_.ReadPathBoxes();
  return WindowInputFiles(setup_.program_folder, catalogue_folder_, boxes.riscos, boxes.sinistros,
                          run_files_.riscos.path, run_files_.sinistros.path);
}

bool WindowController::SaveChecked(const std::string& path, const SaveAction& save) {
  const std::string error = SaveUnlessInput(platform::FileSystemPath(path), ProtectedFiles(), save);
  if (error.empty()) return true;
  view_.ShowError(ErrorBoxMessage(error));
  return false;
}

void WindowController::ExportReport() {
  if (running_) return;
  const platform::LocalDateTime date = have_run_ ? run_date_ : setup_.clock();
  const SaveDialogSettings settings = ExportDialog({date.year, date.month, date.day});
  std::string path;
  int filter = -1;
  // One format only: a name typed with another extension is kept, the dialog adds ".txt" to a
  // name without one.
  if (!view_.AskSaveFile(settings, &path, &filter)) return;
  const bool saved = SaveChecked(
      path, [this](const std::filesystem::path& to) { return WriteReport(to, lines_); });
  if (!saved) return;
  report_exported_ = true;
  ShowShellResult(view_.OpenFile(path));
}

bool WindowController::MayClose() {
  if (running_ || lines_.empty() || report_exported_) return true;
  return view_.AskYesNo(kCloseUnexported);
}

void WindowController::SaveFailures() {
  if (!Enabled(WindowAction::kSaveFailures)) return;
  const SaveDialogSettings settings = FailureListDialog();
  std::string path;
  int filter = -1;
  if (!view_.AskSaveFile(settings, &path, &filter)) return;
  path = ConfirmedSavePath(view_, settings, path, filter);
  if (path.empty()) return;
  SaveList(view_, path, ProtectedFiles(),
           [this](const std::filesystem::path& to, SaveProgress& progress) {
             return findings_->SaveAs(to, &progress);
           });
}

void WindowController::LoadPanel() {
  PanelRun run;
  if (findings_ != nullptr && findings_->ready()) run.list_path = findings_->path();
  run.result = run_.state().result;
  run.files = run_files_;
  run.protected_files = [this] { return ProtectedFiles(); };
  run.error = run_error_;
  view_.LoadPanel(std::move(run));
  panel_current_ = true;
}

void WindowController::OpenPanel() {
  if (have_run_ && !running_ && !panel_current_) LoadPanel();
  view_.ShowPanel();
}

std::string WindowController::CatalogueFolder() const {
  return catalogue_folder_.empty() ? setup_.program_folder : catalogue_folder_;
}

void WindowController::AskCatalogue() {
  if (!Enabled(WindowAction::kChooseCatalogue)) return;
  std::string folder;
  if (view_.AskFolder(kChooseCatalogueTitle, &folder)) ChooseCatalogue(folder);
}

void WindowController::ProgramCatalogue() {
  if (Enabled(WindowAction::kProgramCatalogue)) ChooseCatalogue({});
}

bool WindowController::ChooseCatalogue(const std::string& folder) {
  std::string chosen = folder.empty() ? std::string() : platform::WithTrailingSeparator(folder);
  if (!chosen.empty()) {
    const std::string refusal = CheckCatalogueFolder(chosen);
    if (!refusal.empty()) {
      view_.ShowError(refusal);
      return false;
    }
  }
  catalogue_folder_ = std::move(chosen);
  RefreshActions();
  ShowStripTooltip();
  return true;
}

void WindowController::ShowHelp() {
  ShowShellResult(OpenHelp(setup_.program_folder,
                           [this](const std::string& path) { return view_.OpenFile(path); }));
}

void WindowController::ShowRunHistory() {
  if (!Enabled(WindowAction::kRunHistory) || history_job_) return;
  if (const std::string notice = history_.Prepare(); !notice.empty()) {
    view_.ShowError("Histórico: " + notice);
    return;
  }
  if (!history_.active()) return;  // told already, at a run
  // The company of the last run that read one; every company's runs otherwise.
  StartHistoryJob(
      HistoryJob::Kind::kRead,
      have_run_ ? std::string(engine::Trimmed(run_.state().codEmpresa)) : std::string());
}

void WindowController::StartHistoryJob(HistoryJob::Kind kind, std::string empresa) {
  history_job_ = std::make_unique<HistoryJob>(history_.path(), kind, std::move(empresa),
                                              [this] { view_.WakeForRun(); });
}

void WindowController::FinishHistoryJob() {
  if (!history_job_ || !history_job_->finished()) return;
  const HistoryJob::Outcome outcome = std::move(history_job_->outcome());
  history_job_.reset();
  if (outcome.error) {
    view_.ShowError("Histórico: " + *outcome.error);
    return;
  }
  if (outcome.kind == HistoryJob::Kind::kDelete) {
    view_.ShowMessage(DeletedHistoryText(outcome.deleted));
    return;
  }
  if (!view_.ShowRunHistory(RunHistoryRows(outcome.empresa, outcome.runs))) return;
  if (outcome.runs.empty() || history_job_) return;
  if (view_.AskYesNo(DeleteHistoryQuestion(outcome.empresa, outcome.runs.size()))) {
    StartHistoryJob(HistoryJob::Kind::kDelete, outcome.empresa);
  }
}

void WindowController::ShowShellResult(int code) {
  const std::string_view message = ShellMessage(code);
  if (!message.empty()) view_.ShowMessage(std::string(message));
}

}  // namespace frontend
