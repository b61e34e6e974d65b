#pragma once
// The program's one window: the two path boxes, the run button, the log of the last run, the
// progress bar, the export of the report and the help.
//
// A run executes on a worker thread while the window goes on painting but takes no input, so
// no second run can start before the first has ended; the run's lines and progress reach the
// window through frontend::WindowRunHost. An error that ends a run is shown in the error box; the
// log keeps the lines written so far and the progress bar its position.

#include <QWidget>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "engine/regional.h"
#include "engine/validation_run.h"
#include "frontend/input_overwrite.h"
#include "frontend/record_view.h"
#include "frontend/run_findings.h"
#include "frontend/verdict_strip.h"
#include "frontend/window_run_host.h"
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
};

class Inicio : public QWidget, private frontend::RunView {
  Q_OBJECT

 public:
  explicit Inicio(InicioSetup setup = {}, QWidget* parent = nullptr);
  ~Inicio() override;

  // The report as the run wrote it (Windows-1252 bytes): what the export writes.
  const std::vector<std::string>& ReportLines() const { return lines_; }
  bool IsRunning() const { return running_; }
  // The engine's tables of the last run (the rule counters stay visible after it).
  engine::ValidationRun& validation_run() { return run_; }

  void SpeedButton4Click();  // browse for the risks file
  void SpeedButton3Click();  // browse for the claims file
  void btnOkClick();         // start a run (ignored while one is running)
  void btnExportaClick();    // save the log as a text file and open it
  void btnAjudaClick();      // open the help file
  // Saves the last run's failure list as CSV (the log's context menu, action acSalvarFalhas).
  void SalvarFalhasClick();
  // Opens the findings panel over the last run (the log's context menu and Ctrl+Shift+F).
  void PainelFalhasClick();
  // The log's menu: choose the insurer's folder of the catalogue and DadosKov.DBF, or go back to
  // the program's.
  void PastaCatalogoClick();
  void PastaProgramaClick();
  // Makes the runs read their catalogue and totals table from `folder` (UTF-8; empty: the
  // program's folder) until the window closes. A folder lacking one of the three files is
  // refused in the error box and the choice stays; returns whether it was taken.
  bool ChooseCatalogue(const QString& folder);
  // Where the next run reads them (with separator).
  std::string CatalogueFolder() const;
  // The panel, once opened; null before.
  FindingsPanel* findings_panel() const { return panel_; }
  // What the strip under the log shows.
  const frontend::VerdictStrip& strip() const { return strip_; }
  // Opens a file with the default program of its type; a failure is told in a message box.
  void OpenWithShell(const QString& path);

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
  void FlushRun();
  void ShowStrip(frontend::VerdictStrip strip);

  // frontend::RunView, on the window's thread.
  void LogCleared() override;
  void LinesAppended(std::size_t first) override;
  void LineReplaced(std::size_t index) override;
  void ProgressChanged(int position) override;
  bool AskInvalidDate(const std::string& message) override;
  bool AskInvalidDateAt(const std::string& message, const std::string& place) override;
  void RunFinished(const std::optional<std::string>& error) override;
  void ShowLogMenu(const QPoint& position);
  void EnsurePanel();
  void LoadPanel();
  // The message of a result code of opening a file, when it has one.
  void ShowShellResult(int code);
  // The files no save may replace: the last run's and the path boxes' inputs, the catalogue.
  std::vector<std::string> ProtectedFiles() const;
  // Saves through `save` unless `path` names a protected file; true when saved, else the error
  // box has told why.
  bool SaveChecked(const QString& path, const frontend::SaveAction& save);

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
  FindingsPanel* panel_ = nullptr;  // a window of its own, owned by this one

  std::string program_folder_;
  std::string catalogue_folder_;  // the insurer's, chosen for this window's life; empty: none
  std::optional<engine::Regional> regional_;
  std::function<platform::LocalDateTime()> clock_;
  std::shared_ptr<DesktopServices> desktop_;
  bool invalid_date_notices_ = true;

  engine::ValidationRun run_;       // owns the table objects for the window's whole life
  std::vector<std::string> lines_;  // the report, Windows-1252
  std::unique_ptr<frontend::WindowRunHost> host_;
  std::unique_ptr<InputBlocker> input_blocker_;
  std::unique_ptr<frontend::RunFindings> findings_;  // the failure list of the last run
  frontend::RunFiles run_files_;          // the inputs of the last run, as it opened them
  bool have_run_ = false;                 // a run has ended since the window opened
  bool panel_current_ = false;            // the panel shows the last run
  std::optional<std::string> run_error_;  // the message that ended the last run, if one did
  bool running_ = false;
  bool closing_ = false;
  frontend::VerdictStrip strip_;
};

}  // namespace ui
