// The panel over the shipped samples as a user sees it: key columns wide enough for every policy,
// a chart that scrolls to the last claims field, Enter on a row opens its record.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QScrollArea>
#include <QScrollBar>
#include <QTableView>
#include <QTableWidget>
#include <filesystem>
#include <sstream>

#include "frontend/csv_row.h"
#include "frontend/failure_columns.h"
#include "frontend/message_text.h"
#include "ui/failure_chart.h"
#include "ui/findings_panel.h"
#include "ui/record_dialog.h"
#include "ui/window_fixture.h"

namespace {

std::string BuildFile(const std::string& name) {
  return (std::filesystem::path(TALMERO_BIN_DIR) / name).string();
}

class FindingsPanelSamplesTest : public testing_support::WindowTest {
 protected:
  void SetUp() override {
    for (const char* name : {"tabelas.dbf", "anexos.dbf", "DadosKov.DBF"}) {
      std::filesystem::copy_file(BuildFile(name), dir_.path() / name);
    }
    Control<QLineEdit>("edArqRisco")
        ->setText(QString::fromStdString(BuildFile("amostras/riscos.dbf")));
    Control<QLineEdit>("edArqSinistro")
        ->setText(QString::fromStdString(BuildFile("amostras/sinistros.dbf")));
    desktop_->silence_notices = true;
    ASSERT_TRUE(RunAndWait());
    window_->controller().OpenPanel();
    panel_ = window_->findings_panel();
    ASSERT_NE(panel_, nullptr);
    if (!panel_->IsLoaded()) {
      QEventLoop loop;
      QObject::connect(panel_, &ui::FindingsPanel::Loaded, &loop, &QEventLoop::quit);
      loop.exec();
    }
    view_ = panel_->findChild<QTableView*>(QStringLiteral("tvFalhas"));
    ASSERT_NE(view_, nullptr);
  }

  ui::FindingsPanel* panel_ = nullptr;
  QTableView* view_ = nullptr;
};

TEST_F(FindingsPanelSamplesTest, KeyColumnsAreNoNarrowerThanTheirLongestValue) {
  // Every row of the list, read here on purpose: the panel itself never does.
  std::istringstream in(testing_support::ReadBytes(panel_->index()->path()));
  std::string line;
  std::getline(in, line);
  const std::vector<std::string> header = frontend::SplitCsvRow(line);
  const std::vector<frontend::PanelColumn> columns = frontend::PanelColumns(header);
  std::vector<int> widest(columns.size());
  const QFontMetrics metrics = view_->fontMetrics();
  while (std::getline(in, line)) {
    const std::vector<std::string> row = frontend::SplitCsvRow(line);
    for (std::size_t c = 0; c < columns.size(); ++c) {
      const auto from = static_cast<std::size_t>(columns[c].list_column);
      if (from >= row.size()) continue;
      const QString text = QString::fromStdString(frontend::DisplayLine(row[from]));
      widest[c] = std::max(widest[c], metrics.horizontalAdvance(text));
    }
  }
  int keys = 0;
  for (std::size_t c = 0; c < columns.size(); ++c) {
    if (columns[c].role != frontend::ColumnRole::kKey) continue;
    ++keys;
    SCOPED_TRACE(columns[c].title);
    EXPECT_GT(widest[c], 0);
    EXPECT_GE(view_->columnWidth(static_cast<int>(c)), widest[c]);
  }
  EXPECT_EQ(keys, 3);
}

TEST_F(FindingsPanelSamplesTest, TheChartScrollsToTheLastClaimsField) {
  auto* chart = panel_->findChild<ui::FailureChart*>(QStringLiteral("grFalhas"));
  ASSERT_NE(chart, nullptr);
  ASSERT_EQ(chart->tables().size(), 2u);
  const std::size_t claims = 1;
  ASSERT_FALSE(chart->tables()[claims].bars.empty());
  const QRect last = chart->BarRect(claims, chart->tables()[claims].bars.size() - 1);
  auto* area = qobject_cast<QScrollArea*>(chart->parentWidget()->parentWidget());
  ASSERT_NE(area, nullptr);
  EXPECT_LT(area->viewport()->height(), chart->height());  // too tall to show at once
  area->verticalScrollBar()->setValue(area->verticalScrollBar()->maximum());
  const QRect seen(chart->mapFrom(area->viewport(), QPoint(0, 0)), area->viewport()->size());
  EXPECT_TRUE(seen.contains(last)) << last.y() << " not in " << seen.y() << "+" << seen.height();
}

TEST_F(FindingsPanelSamplesTest, EnterOnARowOpensItsRecordAtTheFirstFailingField) {
  view_->setFocus();
  view_->setCurrentIndex(view_->model()->index(5, 0));
  QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
  QCoreApplication::sendEvent(view_, &enter);
  ui::RecordDialog* dialog = panel_->record_dialog();
  ASSERT_NE(dialog, nullptr);
  auto* fields = dialog->findChild<QTableWidget*>(QStringLiteral("tbCampos"));
  ASSERT_NE(fields, nullptr);
  ASSERT_EQ(fields->selectionModel()->selectedRows().size(), 1);
  const int selected = fields->selectionModel()->selectedRows()[0].row();
  EXPECT_FALSE(fields->item(selected, 4)->text().isEmpty());
  for (int r = 0; r < selected; ++r) EXPECT_TRUE(fields->item(r, 4)->text().isEmpty());
}

}  // namespace
