#pragma once
// The findings panel on Windows: a second, non-modal top-level window over the last run, as the
// Qt window's. It shows the run's verdict with its reasons and warnings, a chart of the ErroNulo
// and ErroDom shares of every failing field, and the failure list in a virtual list view with
// filters by file, field and check (each entry with its count) and a search by policy number.
// A double click or Enter on a row shows its record; the rows shown can be saved.
//
// The list is read on a thread of its own when the panel is given a run (an offset index, never
// the rows); filtering runs on frontend::FilterJob's thread; their answers come back as posted
// messages, so the window stays responsive. Unload() lets go of the list before the run that
// made it removes it. Tab goes through every control; Esc closes (hides) the panel.

#include <windows.h>

#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "frontend/failure_columns.h"
#include "frontend/failure_file_index.h"
#include "frontend/failure_index_loader.h"
#include "frontend/filter_boxes.h"
#include "frontend/filter_job.h"
#include "frontend/panel_run.h"
#include "winui/pane_splitter.h"
#include "winui/window_class.h"

namespace winui {

class FailureChartView;
class FailureListView;
class RecordWindow;

class FindingsPanel {
 public:
  // Creates the window (hidden), owned by `owner`, at the owner's DPI.
  FindingsPanel(HWND owner, int dpi);
  ~FindingsPanel();
  FindingsPanel(const FindingsPanel&) = delete;
  FindingsPanel& operator=(const FindingsPanel&) = delete;

  HWND hwnd() const { return hwnd_; }
  // A control by its name: lbVeredito, grFalhas, cbArquivo, cbCampo, cbVerificacao, edApolice,
  // ckNovas, lvFalhas, lbContagem, btnSalvar; null when none.
  HWND Control(std::string_view name) const;

  // Shows `run`, reading its list in the background.
  void Load(frontend::PanelRun run);
  // Drops the list (its file may go) and shows that a run is going on.
  void Unload();
  void Show();
  bool IsLoaded() const { return index_ != nullptr; }
  // True while the list is being read or a filter's answer is awaited.
  bool IsBusy() const;

  // The list's rows shown, in view order.
  const std::vector<std::uint32_t>& ShownRows() const;
  const frontend::FailureFileIndex* index() const { return index_.get(); }
  const FailureChartView& chart() const { return *chart_; }
  const FailureListView& list() const { return *list_; }
  // The record view of the row shown at `row`, as a double click or Enter opens it.
  void ShowRecord(int row);
  // ShowRecord(row) once the list is in (at once when it is).
  void ShowRecordWhenLoaded(int row);
  // The record view last opened; null when none is open.
  RecordWindow* record_window() const;
  // Saves the rows shown (the save button).
  void SalvarClick();

  // For the message loop: true when the message was handled here (Tab, Enter, Esc).
  bool FilterMessage(MSG& msg);

 private:
  friend struct WindowClass<FindingsPanel>;
  LRESULT Handle(UINT message, WPARAM wparam, LPARAM lparam);
  void CreateControls();
  void Arrange();
  void ShowVerdict();
  void SetCount(const std::string& utf8);
  void EnableFilters(bool enabled);
  void IndexReady();
  void FilterChanged();
  void FillChoices();
  void RowsReady();
  void ShowCount();

  HWND hwnd_ = nullptr;
  int dpi_ = 96;
  HFONT font_ = nullptr;
  HBRUSH banner_brush_ = nullptr;
  COLORREF banner_colour_ = 0;
  bool banner_coloured_ = false;

  HWND lbVeredito = nullptr;
  HWND cbArquivo = nullptr;
  HWND cbCampo = nullptr;
  HWND cbVerificacao = nullptr;
  HWND edApolice = nullptr;
  HWND ckNovas = nullptr;
  HWND lbContagem = nullptr;
  HWND btnSalvar = nullptr;
  std::vector<HWND> labels_;
  std::unique_ptr<FailureChartView> chart_;
  std::unique_ptr<FailureListView> list_;
  std::unique_ptr<RecordWindow> record_;
  PaneSplitter splitter_;  // the banner's and the chart's heights

  frontend::PanelRun run_;
  frontend::KeyWidths key_widths_;
  frontend::FilterBoxes boxes_;
  frontend::FailureIndexLoader loader_;

  std::unique_ptr<frontend::FailureFileIndex> index_;
  std::unique_ptr<frontend::FilterJob> job_;
  // The newest filter's answer, handed over by the job's thread.
  std::mutex rows_mutex_;
  std::optional<frontend::FilterAnswer> answered_;
  std::uint64_t answered_ticket_ = 0;
  std::uint64_t ticket_ = 0;        // the newest request
  std::uint64_t shown_ticket_ = 0;  // the request whose rows the list shows
  bool filling_ = false;            // the filter boxes are being refilled: their messages are ours
  std::optional<int> record_when_loaded_;  // ShowRecordWhenLoaded before the list was in
};

}  // namespace winui
