#include "ui/failure_table_model.h"

#include <numeric>

#include "frontend/failure_list_error.h"
#include "frontend/message_text.h"

namespace ui {
namespace {

QString Cell(const std::string& bytes) {
  return QString::fromStdString(frontend::DisplayLine(bytes));
}

}  // namespace

FailureTableModel::FailureTableModel(const frontend::FailureFileIndex& index, QObject* parent)
    : QAbstractTableModel(parent), index_(index), cache_(index) {
  columns_ = frontend::PanelColumns(index_.Header());
  rows_.resize(index_.RowCount());
  std::iota(rows_.begin(), rows_.end(), 0u);
}

void FailureTableModel::SetRows(std::vector<std::uint32_t> rows) {
  beginResetModel();
  rows_ = std::move(rows);
  endResetModel();
}

int FailureTableModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(rows_.size());
}

int FailureTableModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(columns_.size());
}

QVariant FailureTableModel::data(const QModelIndex& index, int role) const {
  if ((role != Qt::DisplayRole && role != Qt::ToolTipRole) || !index.isValid()) return {};
  try {
    const std::vector<std::string>& fields = cache_.Row(ListRow(index.row()));
    const auto column =
        static_cast<std::size_t>(columns_[static_cast<std::size_t>(index.column())].list_column);
    return column < fields.size() ? Cell(fields[column]) : QString();
  } catch (const frontend::FailureListError&) {
    return {};  // the list went away under the view: an empty cell, not a crash
  }
}

QVariant FailureTableModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (role != Qt::DisplayRole) return {};
  if (orientation == Qt::Horizontal) {
    return section < columnCount()
               ? QString::fromStdString(columns_[static_cast<std::size_t>(section)].title)
               : QVariant();
  }
  return QString::number(section + 1);
}

}  // namespace ui
