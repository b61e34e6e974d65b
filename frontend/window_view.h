#pragma once
// What a window draws and asks for its controller (window_controller.h): the strip, the enabling
// of the log menu's actions, the boxes and dialogs, the findings panel. Each window implements it
// with its toolkit; tests with plain vectors. Every call comes on the window's thread except
// WakeForRun. Texts are UTF-8; paths are in the encoding the engine's file functions take
// (platform/system_path.h).

#include <optional>
#include <string>

#include "frontend/panel_run.h"
#include "frontend/run_history_table.h"
#include "frontend/save_dialogs.h"
#include "frontend/save_job.h"
#include "frontend/verdict_strip.h"
#include "frontend/window_run_host.h"

namespace frontend {

// The log menu's actions whose enabling the controller decides (the panel is always offered).
enum class WindowAction : int { kSaveFailures, kChooseCatalogue, kProgramCatalogue, kRunHistory };
inline constexpr WindowAction kWindowActions[] = {
    WindowAction::kSaveFailures, WindowAction::kChooseCatalogue, WindowAction::kProgramCatalogue,
    WindowAction::kRunHistory};

// The texts of the two path boxes, as paths.
struct PathBoxes {
  std::string riscos;
  std::string sinistros;
};

class WindowView : public RunLogView, public SaveView {
 public:
  virtual PathBoxes ReadPathBoxes() const = 0;
  // On the run's worker thread (or the history dialog's): makes the window's thread call
  // WindowController::FlushRun soon.
  virtual void WakeForRun() = 0;
  // While `running`, the window takes no input (closing included).
  virtual void SetRunning(bool running) = 0;
  virtual void ShowStrip(const VerdictStrip& strip) = 0;
  virtual void SetStripTooltip(const std::string& text) = 0;
  virtual void EnableAction(WindowAction action, bool enabled) = 0;
  // The dialogs: true and the chosen path on confirm, false on cancel. The save dialog asks
  // before replacing a file and tells which of the settings' filters was chosen (-1: none).
  virtual bool AskFolder(const std::string& title, std::string* folder) = 0;
  virtual bool AskSaveFile(const SaveDialogSettings& settings, std::string* path, int* filter) = 0;
  // Opens a file with its default program; a result code of shell_messages.h.
  virtual int OpenFile(const std::string& path) = 0;
  // The findings panel, a window of its own made on first use: let go of the list (a no-op
  // before the panel exists), show a run, bring the panel up.
  virtual void UnloadPanel() = 0;
  virtual void LoadPanel(PanelRun run) = 0;
  virtual void ShowPanel() = 0;
  // The history's runs in a modal dialog; true when the user asked to delete them ("Apagar o
  // histórico", asked about afterwards), false when the dialog was closed.
  virtual bool ShowRunHistory(const RunHistoryTable& table) = 0;
  // After every run, once its error (if any) has been shown.
  virtual void AfterRun() = 0;
};

}  // namespace frontend
