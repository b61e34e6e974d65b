#include "ui/record_dialog.h"

#include <QDialogButtonBox>
#include <QFontDatabase>
#include <QHeaderView>
#include <QLabel>
#include <QTableWidget>
#include <QVBoxLayout>

#include "frontend/message_text.h"

namespace ui {
namespace {

QString Text(const std::string& bytes) {
  return QString::fromStdString(frontend::DisplayLine(bytes));
}

const QColor kFailedBackground(0xF8, 0xD7, 0xD3);

}  // namespace

RecordDialog::RecordDialog(const frontend::RecordView& view, const QString& file, QWidget* parent)
    : QDialog(parent) {
  setObjectName(QStringLiteral("frmRegistro"));
  setWindowTitle(QStringLiteral("Registro %1").arg(view.record));
  auto* layout = new QVBoxLayout(this);
  lbRegistro = new QLabel(this);
  lbRegistro->setObjectName(QStringLiteral("lbRegistro"));
  lbRegistro->setWordWrap(true);
  lbRegistro->setTextInteractionFlags(Qt::TextSelectableByMouse);
  layout->addWidget(lbRegistro);

  if (view.status != frontend::RecordView::Status::kShown) {
    lbRegistro->setText(QString::fromStdString(frontend::DecodeMessage(view.message)));
  } else {
    QString title = QStringLiteral("Arquivo: %1, registro %2").arg(file).arg(view.record);
    if (view.deleted) title += QStringLiteral(" (registro excluído)");
    lbRegistro->setText(title);
    tbCampos = new QTableWidget(static_cast<int>(view.fields.size()), 5, this);
    tbCampos->setObjectName(QStringLiteral("tbCampos"));
    tbCampos->setHorizontalHeaderLabels({QStringLiteral("Campo"), QStringLiteral("Tipo"),
                                         QStringLiteral("Tamanho"), QStringLiteral("Conteúdo"),
                                         QStringLiteral("Falhas")});
    tbCampos->setEditTriggers(QAbstractItemView::NoEditTriggers);
    tbCampos->verticalHeader()->setVisible(false);
    QFont fixed = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    for (int r = 0; r < tbCampos->rowCount(); ++r) {
      const frontend::RecordField& field = view.fields[static_cast<std::size_t>(r)];
      QString width = QString::number(field.width);
      if (field.decimals > 0) width += QStringLiteral(",%1").arg(field.decimals);
      QStringList failed;
      for (const std::string& message : field.messages) failed << Text(message);
      const QString cells[] = {Text(field.name), QString(QLatin1Char(field.letter)), width,
                               Text(field.text), failed.join(QStringLiteral("; "))};
      for (int c = 0; c < 5; ++c) {
        auto* item = new QTableWidgetItem(cells[c]);
        if (c == 3) item->setFont(fixed);  // stored text with its blanks
        if (!field.failed.empty()) {
          item->setBackground(kFailedBackground);
          item->setForeground(Qt::black);
        }
        if (c == 4) item->setToolTip(failed.join(QLatin1Char('\n')));
        tbCampos->setItem(r, c, item);
      }
    }
    tbCampos->resizeColumnsToContents();
    // The sentences take the width left; a cut one shows whole in its tooltip.
    tbCampos->horizontalHeader()->setSectionResizeMode(4, QHeaderView::Stretch);
    tbCampos->setSelectionBehavior(QAbstractItemView::SelectRows);
    layout->addWidget(tbCampos);
    // The field the user came for, selected, and in sight once shown.
    first_failing_ = frontend::FirstFailingField(view);
    if (first_failing_ >= 0) tbCampos->selectRow(first_failing_);
  }
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  layout->addWidget(buttons);
  resize(760, 520);
}

void RecordDialog::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  if (tbCampos != nullptr && first_failing_ >= 0) {
    tbCampos->scrollTo(tbCampos->model()->index(first_failing_, 0),
                       QAbstractItemView::PositionAtCenter);
  }
}

}  // namespace ui
