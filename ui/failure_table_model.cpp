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
  for (const std::string& name : index_.Header()) header_ << Cell(name);
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
  return parent.isValid() ? 0 : static_cast<int>(header_.size());
}

QVariant FailureTableModel::data(const QModelIndex& index, int role) const {
  if (role != Qt::DisplayRole || !index.isValid()) return {};
  try {
    const std::vector<std::string>& fields = cache_.Row(ListRow(index.row()));
    const auto column = static_cast<std::size_t>(index.column());
    return column < fields.size() ? Cell(fields[column]) : QString();
  } catch (const frontend::FailureListError&) {
    return {};  // the list went away under the view: an empty cell, not a crash
  }
}

QVariant FailureTableModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (role != Qt::DisplayRole) return {};
  if (orientation == Qt::Horizontal)
    return section < header_.size() ? header_[section] : QVariant();
  return QString::number(section + 1);
}

}  // namespace ui
