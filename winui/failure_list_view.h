#pragma once
// The failure list in a virtual list view (LVS_OWNERDATA): the view asks for the cells of the
// rows it paints, which are read from the list's file through its offset index and a small cache
// of parsed rows; only the numbers of the rows shown are held, never the rows. Columns as the
// panels show them (frontend/failure_columns.h): the structure check's only while structure rows
// are listed, the keys as wide as the inputs declare them, the others as wide as the rows on
// screen need. A row's tooltip is its whole message.

#include <windows.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "frontend/failure_columns.h"
#include "frontend/failure_file_index.h"
#include "frontend/failure_row_cache.h"

namespace winui {

class FailureListView {
 public:
  // Creates the control as a child of `parent`; `font` stays the caller's.
  FailureListView(HWND parent, int id, HFONT font, int dpi);
  FailureListView(const FailureListView&) = delete;
  FailureListView& operator=(const FailureListView&) = delete;

  HWND hwnd() const { return hwnd_; }
  // Shows every row of `index` (null: none); `index` must outlive its use here.
  void SetList(const frontend::FailureFileIndex* index, frontend::KeyWidths widths);
  // The rows to show: numbers of rows of the list, ascending.
  void SetRows(std::vector<std::uint32_t> rows);
  const std::vector<std::uint32_t>& rows() const { return rows_; }
  // The view's columns, left to right, as positions in PanelColumns of the list.
  const std::vector<frontend::PanelColumn>& shown_columns() const { return shown_; }
  // The focused row of the view; -1 when none.
  int FocusedRow() const;
  // Places the columns and their widths for the rows now on screen.
  void FitColumns();
  // A WM_NOTIFY from the control: true when answered, with the answer in `result`.
  bool OnNotify(NMHDR* header, LRESULT* result);

 private:
  std::wstring CellText(std::size_t view_row, std::size_t column);

  HWND hwnd_ = nullptr;
  HFONT font_ = nullptr;
  int dpi_ = 96;
  const frontend::FailureFileIndex* index_ = nullptr;
  std::unique_ptr<frontend::FailureRowCache> cache_;
  std::vector<frontend::PanelColumn> columns_;  // all of the list's
  std::vector<frontend::PanelColumn> shown_;    // those in the view
  frontend::KeyWidths widths_;
  std::vector<std::uint32_t> rows_;
  std::wstring text_;  // the cell handed to the view last; it reads it before the next request
};

}  // namespace winui
