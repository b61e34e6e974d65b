#pragma once
// The program's one window on Windows, built from the shared table of controls: the two path
// boxes, the run button, the log of the last run, the progress bar, the export of the report and
// the help.
//
// A run executes on a worker thread while the window goes on painting; its lines reach the
// window through posted messages (frontend::WindowRunHost). During a run the window takes no
// input: FilterMessage drops input aimed at it or its children, and closing is refused. An error
// that ends a run is shown in the error box; the log keeps the lines written so far.

#include <windows.h>

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "engine/regional.h"
#include "engine/validation_run.h"
#include "frontend/input_overwrite.h"
#include "frontend/record_view.h"
#include "frontend/run_findings.h"
#include "frontend/verdict_strip.h"
#include "frontend/window_run_host.h"
#include "platform/clock.h"
#include "winui/window_class.h"

namespace winui {

class FindingsPanel;

// What the window takes from outside; the defaults are the real ones.
struct InicioSetup {
  std::string program_folder;                      // UTF-8, with separator; empty: the exe's
  std::optional<engine::Regional> regional;        // none: the system's, read at every run
  std::function<platform::LocalDateTime()> clock;  // empty: the local clock
  bool invalid_date_notices = true;                // false: no invalid-date box in any run
  bool quit_on_close = true;                       // closing ends the message loop
  // --painel[=N]: the findings panel opens when the first run ends, with N the record view of
  // the panel's row N (from 1) once its list is in.
  bool painel = false;
  std::optional<int> painel_registro;
};

class Inicio : private frontend::RunView {
 public:
  // Creates the window (hidden) and its controls. Throws std::runtime_error when it cannot.
  explicit Inicio(InicioSetup setup = {});
  ~Inicio() override;
  Inicio(const Inicio&) = delete;
  Inicio& operator=(const Inicio&) = delete;

  HWND hwnd() const { return hwnd_; }
  // The child of that name in the table of controls; null when none.
  HWND Control(std::string_view name) const;
  bool IsRunning() const { return running_; }
  const std::vector<std::string>& ReportLines() const { return lines_; }
  int dpi() const { return dpi_; }
  // What the strip under the log shows.
  const frontend::VerdictStrip& strip() const { return strip_; }

  // For the message loop: true when the message was handled here (dropped during a run, or a
  // dialog key: Tab, Enter, the accelerators) and must not be dispatched.
  bool FilterMessage(MSG& msg);

  void SpeedButton4Click();
  void SpeedButton3Click();
  void btnOkClick();
  void btnExportaClick();
  void btnAjudaClick();
  void SalvarFalhasClick();
  // Opens the findings panel over the last run (the log's menu, the strip, Ctrl+Shift+F).
  void PainelFalhasClick();
  // The panel, once opened; null before.
  FindingsPanel* findings_panel() const { return panel_.get(); }
  void OpenWithShell(const std::wstring& path);
  // The log's menu: choose the insurer's folder of the catalogue and DadosKov.DBF, or go back to
  // the program's.
  void PastaCatalogoClick();
  void PastaProgramaClick();
  // Makes the runs read their catalogue and totals table from `folder` (empty: the program's
  // folder) until the window closes. A folder lacking one of the three files is refused in the
  // error box and the choice stays; returns whether it was taken.
  bool ChooseCatalogue(const std::wstring& folder);
  // Where the next run reads them (UTF-8, with separator).
  std::string CatalogueFolder() const;

 private:
  friend struct WindowClass<Inicio>;
  static LRESULT CALLBACK LogProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam,
                                  UINT_PTR id, DWORD_PTR self);
  LRESULT Handle(UINT message, WPARAM wparam, LPARAM lparam);
  void CreateControls();
  void ArrangeControls();
  void Browse(HWND box);
  void OnCommand(int id);
  void ShowLogMenu(POINT at);
  void AppendLogText(const std::wstring& text);
  void ShowStrip(frontend::VerdictStrip strip);
  void SetStripTooltip(const std::string& utf8);
  void EnsurePanel();
  void LoadPanel();
  // What no save may replace: the last run's and the boxes' inputs, both catalogue folders.
  std::vector<std::string> ProtectedFiles();
  // Saves through `save` unless `path` names a file a run reads (the last run's inputs, the
  // path boxes', the catalogue); true when saved, else the error box has told why.
  bool SaveChecked(const std::wstring& path, const frontend::SaveAction& save);

  // frontend::RunView, on the window's thread.
  void LogCleared() override;
  void LinesAppended(std::size_t first) override;
  void LineReplaced(std::size_t index) override;
  void ProgressChanged(int position) override;
  bool AskInvalidDate(const std::string& message) override;
  bool AskInvalidDateAt(const std::string& message, const std::string& place) override;
  void RunFinished(const std::optional<std::string>& error) override;

  InicioSetup setup_;
  HWND hwnd_ = nullptr;
  HWND tooltips_ = nullptr;
  std::vector<HWND> controls_;  // in the order of frontend::Controls()
  HWND edArqRisco = nullptr;
  HWND edArqSinistro = nullptr;
  HWND edLog = nullptr;
  HWND ProgressBar = nullptr;
  HWND sbVeredito = nullptr;  // the verdict strip: a coloured mark and a line of text
  HICON mark_ = nullptr;
  HFONT font_ = nullptr;
  HFONT log_font_ = nullptr;
  std::vector<HICON> icons_;
  int dpi_ = 96;

  engine::ValidationRun run_;       // owns the table objects for the window's whole life
  std::vector<std::string> lines_;  // the report, Windows-1252
  std::unique_ptr<frontend::WindowRunHost> host_;
  std::unique_ptr<frontend::RunFindings> findings_;  // the failure list of the last run
  std::string catalogue_folder_;  // the insurer's, chosen for this window's life; empty: none
  frontend::RunFiles run_files_;  // the last run's inputs (UTF-8), as it opened them
  std::unique_ptr<FindingsPanel> panel_;  // a window of its own, owned by this one; null before
  bool have_run_ = false;                 // a run has ended since the window opened
  bool panel_current_ = false;            // the panel shows the last run
  std::optional<std::string> run_error_;  // the message that ended the last run, if one did
  bool running_ = false;
  bool closing_ = false;  // destroyed while a run was going
  frontend::VerdictStrip strip_;
};

}  // namespace winui
