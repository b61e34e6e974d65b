#pragma once
// A small painted bar chart: per table of the run, the fields that fail most, each with two bars,
// its ErroNulo and its ErroDom share of the table's records.

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

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  int RowHeight() const;
  std::vector<frontend::ChartTable> tables_;
};

}  // namespace ui
