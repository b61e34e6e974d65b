#include "ui/failure_chart.h"

#include <QPainter>
#include <algorithm>

#include "frontend/message_text.h"
#include "frontend/panel_texts.h"

namespace ui {
namespace {

const QColor kNuloColor(0xD9, 0x8C, 0x1F);  // amber
const QColor kDomColor(0xB0, 0x3A, 0x2E);   // red

QString Text(const std::string& bytes) {
  return QString::fromStdString(frontend::DisplayLine(bytes)).trimmed();
}

QString Percent(double value) { return QString::fromStdString(frontend::PercentText(value)); }

}  // namespace

FailureChart::FailureChart(QWidget* parent) : QWidget(parent) {
  setObjectName(QStringLiteral("grFalhas"));
  setMinimumHeight(60);
}

void FailureChart::SetTables(std::vector<frontend::ChartTable> tables) {
  tables_ = std::move(tables);
  // A scroll area that resizes its widget squeezes it to the viewport unless it may not.
  setMinimumHeight(sizeHint().height());
  updateGeometry();
  update();
}

QRect FailureChart::BarRect(std::size_t table, std::size_t bar) const {
  if (table >= tables_.size() || bar >= tables_[table].bars.size()) return {};
  const int row = RowHeight();
  int y = 4 + row;  // below the legend
  for (std::size_t t = 0; t < table; ++t) {
    y += row * (1 + static_cast<int>(std::max<std::size_t>(tables_[t].bars.size(), 1)));
  }
  y += row * (1 + static_cast<int>(bar));
  return {0, y, width(), row};
}

int FailureChart::RowHeight() const { return fontMetrics().height() + 4; }

QSize FailureChart::sizeHint() const {
  int rows = 1;  // the legend
  for (const frontend::ChartTable& table : tables_) {
    rows += 1 + static_cast<int>(std::max<std::size_t>(table.bars.size(), 1));
  }
  return {420, rows * RowHeight() + 8};
}

void FailureChart::paintEvent(QPaintEvent* /*event*/) {
  QPainter painter(this);
  painter.fillRect(rect(), palette().base());
  const int row = RowHeight();
  const int label_width = fontMetrics().horizontalAdvance(QStringLiteral("MMMMMMMMMMMM"));
  const int value_width = fontMetrics().horizontalAdvance(QStringLiteral("100,00 % / 100,00 %"));
  const int bar_left = 8 + label_width + 6;
  const int bar_width = std::max(20, width() - bar_left - value_width - 16);
  int y = 4;

  // Legend.
  painter.fillRect(8, y + row / 4, row / 2, row / 2, kNuloColor);
  painter.setPen(palette().text().color());
  painter.drawText(8 + row, y, 150, row, Qt::AlignVCenter, QStringLiteral("ErroNulo %"));
  painter.fillRect(8 + row + 150, y + row / 4, row / 2, row / 2, kDomColor);
  painter.drawText(8 + 2 * row + 150, y, 150, row, Qt::AlignVCenter, QStringLiteral("ErroDom %"));
  y += row;

  for (const frontend::ChartTable& table : tables_) {
    QFont bold = font();
    bold.setBold(true);
    painter.setFont(bold);
    const QString title = QString::fromStdString(frontend::ChartTitle(table));
    painter.drawText(8, y, width() - 16, row, Qt::AlignVCenter, title);
    painter.setFont(font());
    y += row;
    if (table.bars.empty()) {
      painter.drawText(bar_left, y, width() - bar_left, row, Qt::AlignVCenter,
                       QStringLiteral("nenhum campo com falhas"));
      y += row;
      continue;
    }
    // Bars scaled to the table's largest share, so that a few percent still show.
    double largest = 0;
    for (const frontend::ChartBar& bar : table.bars) {
      largest = std::max({largest, bar.nulo_percent, bar.dom_percent});
    }
    for (const frontend::ChartBar& bar : table.bars) {
      painter.drawText(8, y, label_width, row, Qt::AlignVCenter | Qt::AlignRight, Text(bar.campo));
      const int half = (row - 4) / 2;
      const auto length = [&](double share) {
        return largest > 0 ? static_cast<int>(share / largest * bar_width + 0.5) : 0;
      };
      painter.fillRect(bar_left, y + 2, std::max(length(bar.nulo_percent), bar.erro_nulo ? 1 : 0),
                       half, kNuloColor);
      painter.fillRect(bar_left, y + 2 + half,
                       std::max(length(bar.dom_percent), bar.erro_dom ? 1 : 0), half, kDomColor);
      painter.drawText(
          bar_left + bar_width + 8, y, value_width + 8, row, Qt::AlignVCenter,
          Percent(bar.nulo_percent) + QStringLiteral(" / ") + Percent(bar.dom_percent));
      y += row;
    }
  }
}

}  // namespace ui
