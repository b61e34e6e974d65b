#pragma once
// A small painted bar chart: per table of the run, every field that fails, most failures first,
// each with two bars, its ErroNulo and its ErroDom share of the table's records. As tall as its
// rows need: the panel scrolls it, so every field of both tables can be reached.

#include <QWidget>
#include <vector>

#include "frontend/failure_chart_data.h"

namespace ui {

class FailureChart : public QWidget {
  Q_OBJECT

 public:
  explicit FailureChart(QWidget* parent = nullptr);

  void SetTables(std::vector<frontend::ChartTable> tables);
  const std::vector<frontend::ChartTable>& tables() const { return tables_; }

  QSize sizeHint() const override;
  // Where the row of bar `bar` of table `table` is painted; empty when there is none.
  QRect BarRect(std::size_t table, std::size_t bar) const;

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  int RowHeight() const;
  std::vector<frontend::ChartTable> tables_;
};

}  // namespace ui
