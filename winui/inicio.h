#pragma once
// The program's one window on Windows, built from the shared table of controls: the two path
// boxes, the run button, the log of the last run, the progress bar, the export of the report and
// the help.
//
// What the window does is frontend::WindowController's; this class draws it with the Win32 API.
// A run executes on a worker thread while the window goes on painting; its lines reach the
// window through posted messages. During a run the window takes no input: FilterMessage drops
// input aimed at it or its children, and closing is refused. An error that ends a run is shown
// in the error box; the log keeps the lines written so far.

#include <windows.h>

#include <functional>
#include <iterator>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "engine/regional.h"
#include "frontend/window_controller.h"
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
  frontend::HistoryPlace history{};                // an empty path: no history of runs
  bool quit_on_close = true;                       // closing ends the message loop
  // --painel[=N]: the findings panel opens when the first run ends, with N the record view of
  // the panel's row N (from 1) once its list is in.
  bool painel = false;
  std::optional<int> painel_registro;
};

class Inicio : private frontend::WindowView {
 public:
  // Creates the window (hidden) and its controls. Throws std::runtime_error when it cannot.
  explicit Inicio(InicioSetup setup = {});
  ~Inicio() override;
  Inicio(const Inicio&) = delete;
  Inicio& operator=(const Inicio&) = delete;

  HWND hwnd() const { return hwnd_; }
  // The child of that name in the table of controls; null when none.
  HWND Control(std::string_view name) const;
  bool IsRunning() const { return controller_.running(); }
  const std::vector<std::string>& ReportLines() const { return controller_.report(); }
  // What the buttons and the log's menu do.
  frontend::WindowController& controller() { return controller_; }
  int dpi() const { return dpi_; }
  const frontend::VerdictStrip& strip() const { return controller_.strip(); }

  // For the message loop: true when the message was handled here (dropped during a run, or a
  // dialog key: Tab, Enter, the accelerators) and must not be dispatched.
  bool FilterMessage(MSG& msg);

  // See frontend::WindowController::ChooseCatalogue.
  bool ChooseCatalogue(const std::wstring& folder);
  // The panel, once opened; null before.
  FindingsPanel* findings_panel() const { return panel_.get(); }

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
  void EnsurePanel();

  // frontend::WindowView, on the window's thread.
  void LogCleared() override;
  void LinesAppended(std::size_t first) override;
  void LineReplaced(std::size_t index) override;
  void ProgressChanged(int position) override;
  bool AskInvalidDate(const std::string& message) override;
  bool AskInvalidDateAt(const std::string& message, const std::string& place) override;
  frontend::PathBoxes ReadPathBoxes() const override;
  void WakeForRun() override;
  // FilterMessage and WM_SETCURSOR ask the controller: input is dropped, not the window disabled.
  void SetRunning(bool /*running*/) override {}
  void ShowStrip(const frontend::VerdictStrip& strip) override;
  void SetStripTooltip(const std::string& text) override;
  void EnableAction(frontend::WindowAction action, bool enabled) override;
  void ShowError(const std::string& text) override;
  void ShowMessage(const std::string& text) override;
  bool AskFolder(const std::string& title, std::string* folder) override;
  bool AskSaveFile(const frontend::SaveDialogSettings& settings, std::string* path,
                   int* filter) override;
  bool AskYesNo(const std::string& text) override;
  void ShowSaveProgress(frontend::SaveJob& job) override;
  int OpenFile(const std::string& path) override;
  void UnloadPanel() override;
  void LoadPanel(frontend::PanelRun run) override;
  void ShowPanel() override;
  bool ShowRunHistory(const frontend::RunHistoryTable& table) override;
  void AfterRun() override;

  bool quit_on_close_ = true;
  bool painel_ = false;
  std::optional<int> painel_registro_;
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
  // The log menu's entries, as the controller enables them.
  bool enabled_[std::size(frontend::kWindowActions)] = {};
  std::unique_ptr<FindingsPanel> panel_;  // a window of its own, owned by this one; null before
  frontend::WindowController controller_;
};

}  // namespace winui
