#pragma once
// The failure list as a table for a QTableView: the list's columns as the panels show them
// (frontend/failure_columns.h), the rows a filter kept. Cells are read from the list's file when
// the view asks for them (through a small cache of parsed rows); only the row numbers are held,
// never the rows. A cell's tooltip is its whole text, so a cut message can be read.

#include <QAbstractTableModel>
#include <cstdint>
#include <vector>

#include "frontend/failure_columns.h"
#include "frontend/failure_file_index.h"
#include "frontend/failure_row_cache.h"

namespace ui {

class FailureTableModel : public QAbstractTableModel {
  Q_OBJECT

 public:
  // `index` must outlive the model. Shows every row until SetRows().
  explicit FailureTableModel(const frontend::FailureFileIndex& index, QObject* parent = nullptr);

  // The rows to show: numbers of rows of the list, ascending.
  void SetRows(std::vector<std::uint32_t> rows);
  const std::vector<std::uint32_t>& rows() const { return rows_; }
  // The list's row shown at `row` of the view.
  std::uint32_t ListRow(int row) const { return rows_[static_cast<std::size_t>(row)]; }
  const std::vector<frontend::PanelColumn>& columns() const { return columns_; }

  int rowCount(const QModelIndex& parent = QModelIndex()) const override;
  int columnCount(const QModelIndex& parent = QModelIndex()) const override;
  QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
  QVariant headerData(int section, Qt::Orientation orientation,
                      int role = Qt::DisplayRole) const override;

 private:
  const frontend::FailureFileIndex& index_;
  mutable frontend::FailureRowCache cache_;
  std::vector<std::uint32_t> rows_;
  std::vector<frontend::PanelColumn> columns_;
};

}  // namespace ui
