#pragma once
// The findings panel's bar chart on Windows, painted with GDI: per table of the run, every field
// that fails, most failures first, each with two bars, its ErroNulo and its ErroDom share of the
// table's records. The chart scrolls (its own vertical scroll bar, the wheel, the arrow and page
// keys once it has the focus), so every field of both tables can be reached.

#include <windows.h>

#include <cstddef>
#include <vector>

#include "frontend/failure_chart_data.h"
#include "winui/window_class.h"

namespace winui {

class FailureChartView {
 public:
  // Creates the control as a child of `parent`; `font` stays the caller's.
  FailureChartView(HWND parent, int id, HFONT font, int dpi);
  ~FailureChartView();
  FailureChartView(const FailureChartView&) = delete;
  FailureChartView& operator=(const FailureChartView&) = delete;

  HWND hwnd() const { return hwnd_; }
  void SetTables(std::vector<frontend::ChartTable> tables);
  const std::vector<frontend::ChartTable>& tables() const { return tables_; }

  // The height of everything the chart paints, and where bar `bar` of table `table` stands in
  // it (empty when there is none); the top of the control shows ScrollPosition().
  int ContentHeight() const;
  RECT BarRect(std::size_t table, std::size_t bar) const;
  int ScrollPosition() const;
  void ScrollTo(int position);

 private:
  friend struct WindowClass<FailureChartView>;
  LRESULT Handle(UINT message, WPARAM wparam, LPARAM lparam);
  void Paint(HDC dc, const RECT& client);
  void UpdateScrollBar();
  int RowHeight() const;

  HWND hwnd_ = nullptr;
  HFONT font_ = nullptr;
  HFONT bold_ = nullptr;
  int dpi_ = 96;
  std::vector<frontend::ChartTable> tables_;
};

}  // namespace winui
