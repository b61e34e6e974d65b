#include "ui/run_history_dialog.h"

#include <QDialogButtonBox>
#include <QHeaderView>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

namespace ui {
namespace {

QString Utf8(const std::string& text) { return QString::fromStdString(text); }

}  // namespace

RunHistoryDialog::RunHistoryDialog(const frontend::RunHistoryTable& table, QWidget* parent)
    : QDialog(parent) {
  setObjectName(QStringLiteral("dlgHistorico"));
  setWindowTitle(Utf8(table.title));
  auto* list = new QTableWidget(static_cast<int>(table.rows.size()),
                                static_cast<int>(frontend::RunHistoryTable::kColumns), this);
  list->setObjectName(QStringLiteral("tbHistorico"));
  QStringList headers;
  for (const char* header : frontend::RunHistoryTable::kHeaders)
    headers << QString::fromUtf8(header);
  list->setHorizontalHeaderLabels(headers);
  list->setEditTriggers(QAbstractItemView::NoEditTriggers);
  list->setSelectionBehavior(QAbstractItemView::SelectRows);
  list->verticalHeader()->hide();
  for (std::size_t r = 0; r < table.rows.size(); ++r) {
    for (std::size_t c = 0; c < frontend::RunHistoryTable::kColumns; ++c) {
      auto* item = new QTableWidgetItem(Utf8(table.rows[r][c]));
      // The counts line up on the right, as in the report.
      if (c >= 3) item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
      list->setItem(static_cast<int>(r), static_cast<int>(c), item);
    }
  }
  list->resizeColumnsToContents();
  list->horizontalHeader()->setStretchLastSection(true);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
  QPushButton* erase =
      buttons->addButton(QString::fromUtf8(frontend::kDeleteHistory), QDialogButtonBox::AcceptRole);
  erase->setObjectName(QStringLiteral("btnApagarHistorico"));
  erase->setEnabled(!table.rows.empty());
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(list);
  layout->addWidget(buttons);
  resize(760, 420);
}

}  // namespace ui
