#pragma once
// The findings panel: a second, non-modal window over the last run. It shows the run's verdict,
// a chart of the fields that fail most, and the failure list as a table with filters by file,
// field and check and a search by policy number; a double click or Enter on a row shows its
// record, and the rows shown can be saved.
//
// The list is read on a thread of its own when the panel is given a run (an offset index, never
// the rows); filtering runs on frontend::FilterJob's thread. The window stays responsive
// meanwhile. Unload() lets go of the list before the run that made it removes it.

#include <QWidget>
#include <memory>
#include <string>
#include <vector>

#include "engine/run_result.h"
#include "frontend/failure_columns.h"
#include "frontend/failure_file_index.h"
#include "frontend/failure_index_loader.h"
#include "frontend/filter_boxes.h"
#include "frontend/filter_job.h"
#include "frontend/panel_run.h"
#include "frontend/record_view.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QScrollArea;
class QSplitter;
class QTableView;

namespace ui {

class DesktopServices;
class FailureChart;
class FailureTableModel;
class RecordDialog;

using frontend::PanelRun;

class FindingsPanel : public QWidget {
  Q_OBJECT

 public:
  FindingsPanel(std::shared_ptr<DesktopServices> desktop, QWidget* parent = nullptr);
  ~FindingsPanel() override;

  // Shows `run`, reading its list in the background (Loaded() is emitted when it is in).
  void Load(PanelRun run);
  // Drops the list (its file may go) and shows that a run is going on.
  void Unload();
  bool IsLoaded() const { return index_ != nullptr; }

  // The list's rows shown, in view order (numbers of rows of the list).
  std::vector<std::uint32_t> ShownRows() const;
  const frontend::FailureFileIndex* index() const { return index_.get(); }
  // The record view of the row shown at `row`, as a double click or Enter opens it.
  void ShowRecord(int row);
  // The record view last opened; null when none is open.
  RecordDialog* record_dialog() const { return record_dialog_; }
  // Saves the rows shown (the save button).
  void SalvarClick();

 signals:
  void Loaded();    // the list is in and the table shows it
  void Filtered();  // the table shows the rows of the newest filter

 protected:
  // Enter on the table opens the current row's record.
  bool eventFilter(QObject* watched, QEvent* event) override;
  void showEvent(QShowEvent* event) override;

 private:
  void CreateControls();
  void IndexReady();
  void FilterChanged();
  void FillChoices();
  void RowsReady(std::uint64_t ticket, frontend::FilterAnswer answer);
  void ShowCount();
  void ClearTable();
  void ShowVerdict();
  // Structure columns only while structure rows are listed; widths from the rows on screen.
  void FitColumns();

  std::shared_ptr<DesktopServices> desktop_;
  PanelRun run_;
  frontend::KeyWidths key_widths_;  // declared in the run's inputs

  QSplitter* spPainel = nullptr;  // banner, chart and the list with its filters
  QLabel* lbVeredito = nullptr;
  QScrollArea* banner_area_ = nullptr;
  FailureChart* grFalhas = nullptr;
  QComboBox* cbArquivo = nullptr;
  QComboBox* cbCampo = nullptr;
  QComboBox* cbVerificacao = nullptr;
  QLineEdit* edApolice = nullptr;
  QCheckBox* ckNovas = nullptr;
  QLabel* lbContagem = nullptr;
  QPushButton* btnSalvar = nullptr;
  QTableView* tvFalhas = nullptr;
  RecordDialog* record_dialog_ = nullptr;

  frontend::FailureIndexLoader loader_;
  std::unique_ptr<frontend::FailureFileIndex> index_;
  std::unique_ptr<FailureTableModel> model_;
  std::unique_ptr<frontend::FilterJob> job_;
  frontend::FilterBoxes boxes_;
  std::uint64_t ticket_ = 0;      // the newest filter request
  std::uint64_t generation_ = 0;  // counts Load/Unload, so a late answer of an old list is dropped
  bool filling_ = false;          // the combo boxes are being refilled: their signals are ours
};

}  // namespace ui
