#pragma once
// The program's one window: the two path boxes, the run button, the log of the last run, the
// progress bar, the export of the report and the help.
//
// What the window does is frontend::WindowController's; this class draws it with Qt. A run
// executes on a worker thread while the window goes on painting but takes no input, so no second
// run can start before the first has ended. An error that ends a run is shown in the error box;
// the log keeps the lines written so far and the progress bar its position.

#include <QWidget>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "engine/regional.h"
#include "frontend/window_controller.h"
#include "platform/clock.h"
#include "ui/desktop_services.h"

class QAction;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;
class QStatusBar;
class QToolButton;

namespace ui {

class FindingsPanel;
class InputBlocker;

// What the window takes from outside; the defaults are the real ones.
struct InicioSetup {
  std::string program_folder;                      // empty: the executable's folder
  std::optional<engine::Regional> regional;        // none: the system's, read at every run
  std::function<platform::LocalDateTime()> clock;  // empty: the local clock
  std::shared_ptr<DesktopServices> desktop;        // null: the real desktop
  // false: runs show no invalid-date box (the failures are counted all the same)
  bool invalid_date_notices = true;
  frontend::HistoryPlace history{};  // an empty path: no history of runs
};

class Inicio : public QWidget, private frontend::WindowView {
  Q_OBJECT

 public:
  explicit Inicio(InicioSetup setup = {}, QWidget* parent = nullptr);
  ~Inicio() override;

  // The report as the run wrote it (Windows-1252 bytes): what the export writes.
  const std::vector<std::string>& ReportLines() const { return controller_.report(); }
  bool IsRunning() const { return controller_.running(); }
  engine::ValidationRun& validation_run() { return controller_.validation_run(); }
  // What the buttons and the log's menu do.
  frontend::WindowController& controller() { return controller_; }
  // UTF-8; see frontend::WindowController::ChooseCatalogue.
  bool ChooseCatalogue(const QString& folder);
  // The panel, once opened; null before.
  FindingsPanel* findings_panel() const { return panel_; }
  const frontend::VerdictStrip& strip() const { return controller_.strip(); }

 signals:
  // After every run, once its error (if any) has been shown.
  void RunEnded();

 protected:
  void resizeEvent(QResizeEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  // A click on the strip opens the panel.
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void CreateControls();
  void ArrangeControls();
  void Browse(QLineEdit* box);
  void ShowLogMenu(const QPoint& position);
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
  void SetRunning(bool running) override;
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
  void AfterRun() override { emit RunEnded(); }

  QLabel* Label3 = nullptr;
  QLineEdit* edArqRisco = nullptr;
  QToolButton* SpeedButton4 = nullptr;
  QLabel* Label4 = nullptr;
  QLineEdit* edArqSinistro = nullptr;
  QToolButton* SpeedButton3 = nullptr;
  QPushButton* btnOk = nullptr;
  QPushButton* btnAjuda = nullptr;
  QPushButton* btnExporta = nullptr;
  QPushButton* btnFechar = nullptr;
  QProgressBar* ProgressBar = nullptr;
  QPlainTextEdit* edLog = nullptr;
  QStatusBar* sbVeredito = nullptr;  // the verdict strip: a coloured mark and a line of text
  QLabel* lbMarca = nullptr;
  QLabel* lbVeredito = nullptr;
  QAction* acSalvarFalhas = nullptr;   // in the log's context menu
  QAction* acPainelFalhas = nullptr;   // in the log's context menu, and Ctrl+Shift+F
  QAction* acPastaCatalogo = nullptr;  // in the log's context menu
  QAction* acPastaPrograma = nullptr;
  QAction* acHistorico = nullptr;
  FindingsPanel* panel_ = nullptr;  // a window of its own, owned by this one

  std::shared_ptr<DesktopServices> desktop_;
  std::unique_ptr<InputBlocker> input_blocker_;
  frontend::WindowController controller_;
};

}  // namespace ui
