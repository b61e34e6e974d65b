// The findings panel over a real run: its rows are the run's failure list, filters narrow them,
// a row's record is the file's record, and a file changed since the run is told, not shown.
#include "ui/findings_panel.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QEvent>
#include <QKeySequence>
#include <QLabel>
#include <QLineEdit>
#include <QTableView>
#include <QTableWidget>
#include <algorithm>
#include <cstdint>
#include <fstream>
#include <sstream>

#include "frontend/csv_row.h"
#include "frontend/failure_columns.h"
#include "frontend/message_text.h"
#include "support/run_fixture.h"
#include "ui/record_dialog.h"
#include "ui/window_fixture.h"

namespace {

// The rows of a failure list, header first, split into fields.
std::vector<std::vector<std::string>> ListRows(const std::string& path) {
  std::vector<std::vector<std::string>> rows;
  std::istringstream in(testing_support::ReadBytes(path));
  for (std::string line; std::getline(in, line);) rows.push_back(frontend::SplitCsvRow(line));
  return rows;
}

// The stored text of each field of record `record` (from 1), read straight from the bytes.
std::vector<std::string> RecordFields(const std::string& path, std::uint32_t record,
                                      const std::vector<tools::DbfFieldSpec>& layout) {
  const std::string bytes = testing_support::ReadBytes(path);
  const auto u16 = [&](std::size_t at) {
    return static_cast<std::size_t>(static_cast<unsigned char>(bytes[at]) |
                                    static_cast<unsigned char>(bytes[at + 1]) << 8);
  };
  std::size_t at = u16(8) + (record - 1) * u16(10) + 1;  // past the deletion flag
  std::vector<std::string> fields;
  for (const tools::DbfFieldSpec& field : layout) {
    fields.push_back(bytes.substr(at, static_cast<std::size_t>(field.length)));
    at += static_cast<std::size_t>(field.length);
  }
  return fields;
}

bool WaitFor(QObject* sender, void (ui::FindingsPanel::*signal)(), int timeout_ms = 20000) {
  QEventLoop loop;
  QObject::connect(static_cast<ui::FindingsPanel*>(sender), signal, &loop, &QEventLoop::quit);
  QTimer timeout;
  timeout.setSingleShot(true);
  QObject::connect(&timeout, &QTimer::timeout, &loop, [&loop] { loop.exit(1); });
  timeout.start(timeout_ms);
  return loop.exec() == 0;
}

class FindingsPanelTest : public testing_support::WindowTest {
 protected:
  void SetUp() override {
    testing_support::WriteStandardCatalog(dir_);
    tools::DbfBuilder claims(testing_support::ClaimsLayout());
    claims.Add({"01234", "POL1", "000001", "1", "300", "20230601"});
    claims.Add({"01234", "", "000002", "9", "50", "20230801"});
    claims.Add({"01234", "POL3", "000003", "0", "70", "20230229"});
    claims.Add({"01234", "POL4", "", "2", "10", "20230901"}, true);
    claims.Add({"01234", "POL5", "000005", "7", "", "20231301"});
    claims.Write(dir_.file("sinistros.dbf"));
    Control<QLineEdit>("edArqSinistro")
        ->setText(QString::fromStdString(dir_.file("sinistros.dbf")));
    desktop_->silence_notices = true;
  }

  // Runs, saves the run's list from the log's menu and opens the panel on it.
  ui::FindingsPanel* RunAndOpen() {
    EXPECT_TRUE(RunAndWait());
    desktop_->save_answer = QString::fromStdString(dir_.file("lista.csv"));
    Control<QAction>("acSalvarFalhas")->trigger();
    Control<QAction>("acPainelFalhas")->trigger();
    ui::FindingsPanel* panel = window_->findings_panel();
    if (panel != nullptr && !panel->IsLoaded()) {
      const bool loaded = WaitFor(panel, &ui::FindingsPanel::Loaded);
      EXPECT_TRUE(loaded);
    }
    return panel;
  }

  static QString Cell(const QTableView* view, int row, int column) {
    return view->model()->index(row, column).data().toString();
  }
  // The view's column with that title.
  static int ColumnTitled(const QTableView* view, const QString& title) {
    for (int c = 0; c < view->model()->columnCount(); ++c) {
      if (view->model()->headerData(c, Qt::Horizontal).toString() == title) return c;
    }
    return -1;
  }
};

TEST_F(FindingsPanelTest, RowsAreTheRunsListAndFiltersNarrowThem) {
  ui::FindingsPanel* panel = RunAndOpen();
  ASSERT_NE(panel, nullptr);
  const auto list = ListRows(dir_.file("lista.csv"));
  ASSERT_GT(list.size(), 4u);
  auto* view = panel->findChild<QTableView*>(QStringLiteral("tvFalhas"));
  ASSERT_NE(view, nullptr);
  ASSERT_EQ(view->model()->rowCount(), static_cast<int>(list.size() - 1));
  // Every column of the list, titled and ordered as the panels show them.
  const std::vector<frontend::PanelColumn> columns = frontend::PanelColumns(list[0]);
  ASSERT_EQ(view->model()->columnCount(), static_cast<int>(list[0].size()));
  for (int c = 0; c < view->model()->columnCount(); ++c) {
    const auto from = static_cast<std::size_t>(columns[static_cast<std::size_t>(c)].list_column);
    EXPECT_EQ(view->model()->headerData(c, Qt::Horizontal).toString().toStdString(),
              frontend::ColumnTitle(list[0][from]));
    for (std::size_t r = 1; r < list.size(); ++r) {
      EXPECT_EQ(Cell(view, static_cast<int>(r - 1), c).toStdString(),
                frontend::DisplayLine(list[r][from]))
          << "row " << r << " column " << c;
    }
  }
  EXPECT_EQ(view->model()->headerData(1, Qt::Horizontal).toString(), QStringLiteral("Registro"));
  // No structure row: the structure check's columns are not shown.
  EXPECT_TRUE(view->isColumnHidden(ColumnTitled(view, QStringLiteral("Nome esperado"))));
  EXPECT_FALSE(view->isColumnHidden(ColumnTitled(view, QStringLiteral("Mensagem"))));

  // Only a claims file: the verdict rejects it for the missing risks file, in a banner.
  auto* banner = panel->findChild<QLabel*>(QStringLiteral("lbVeredito"));
  EXPECT_FALSE(banner->isHidden());
  EXPECT_EQ(banner->property("veredito").toString(), QStringLiteral("Rejeitado"));
  EXPECT_TRUE(banner->text().contains(QStringLiteral("Motivos"))) << banner->text().toStdString();

  // The policy search keeps the rows whose apolice holds the text (blanks around it ignored).
  const auto apolice = static_cast<std::size_t>(
      std::find(list[0].begin(), list[0].end(), "apolice") - list[0].begin());
  ASSERT_LT(apolice, list[0].size());
  panel->findChild<QLineEdit*>(QStringLiteral("edApolice"))->setText(QStringLiteral(" l3 "));
  ASSERT_TRUE(WaitFor(panel, &ui::FindingsPanel::Filtered));
  std::vector<std::uint32_t> found;
  for (std::size_t r = 1; r < list.size(); ++r) {
    if (list[r][apolice].find("L3") != std::string::npos) {
      found.push_back(static_cast<std::uint32_t>(r - 1));
    }
  }
  ASSERT_FALSE(found.empty());
  EXPECT_EQ(panel->ShownRows(), found);
  // The boxes count what the search keeps.
  EXPECT_EQ(panel->findChild<QComboBox*>(QStringLiteral("cbArquivo"))->itemText(0),
            QStringLiteral("(todos) (%1)").arg(found.size()));
  panel->findChild<QLineEdit*>(QStringLiteral("edApolice"))->clear();
  ASSERT_TRUE(WaitFor(panel, &ui::FindingsPanel::Filtered));

  // The check filter keeps exactly the list's rows of that check, and the field box then offers
  // only the fields that failed it.
  const int verificacao = 4;
  auto* checks = panel->findChild<QComboBox*>(QStringLiteral("cbVerificacao"));
  const int dominio = checks->findData(QByteArray("dominio"));
  ASSERT_GT(dominio, 0);
  checks->setCurrentIndex(dominio);
  ASSERT_TRUE(WaitFor(panel, &ui::FindingsPanel::Filtered));
  std::vector<std::uint32_t> expected;
  for (std::size_t r = 1; r < list.size(); ++r) {
    if (list[r][verificacao] == "dominio") expected.push_back(static_cast<std::uint32_t>(r - 1));
  }
  ASSERT_FALSE(expected.empty());
  EXPECT_EQ(panel->ShownRows(), expected);
  auto* fields = panel->findChild<QComboBox*>(QStringLiteral("cbCampo"));
  ASSERT_EQ(fields->count(), 2);  // "(todos)" and EVENTO
  EXPECT_EQ(fields->itemData(1).toByteArray(), QByteArray("EVENTO"));

  // Back to every check, then a field: the same narrowing by the other column.
  checks->setCurrentIndex(0);
  ASSERT_TRUE(WaitFor(panel, &ui::FindingsPanel::Filtered));
  EXPECT_EQ(panel->ShownRows().size(), list.size() - 1);
  fields->setCurrentIndex(fields->findData(QByteArray("D_AVI")));
  ASSERT_TRUE(WaitFor(panel, &ui::FindingsPanel::Filtered));
  ASSERT_EQ(panel->ShownRows().size(), 2u);  // 20230229 and 20231301
  const int campo = ColumnTitled(view, QStringLiteral("Campo"));
  for (int r = 0; r < 2; ++r) EXPECT_EQ(Cell(view, r, campo), QStringLiteral("D_AVI"));

  // The rows shown are saved as the list has them, header first.
  desktop_->save_answer = QString::fromStdString(dir_.file("mostradas.csv"));
  panel->SalvarClick();
  EXPECT_TRUE(desktop_->errors.empty());
  const auto saved = ListRows(dir_.file("mostradas.csv"));
  ASSERT_EQ(saved.size(), 3u);
  EXPECT_EQ(saved[0], list[0]);
  EXPECT_EQ(saved[1], list[panel->ShownRows()[0] + 1]);
  EXPECT_EQ(saved[2], list[panel->ShownRows()[1] + 1]);
}

TEST_F(FindingsPanelTest, RecordViewShowsTheFilesRecordUntilTheFileChanges) {
  ui::FindingsPanel* panel = RunAndOpen();
  ASSERT_NE(panel, nullptr);
  auto* view = panel->findChild<QTableView*>(QStringLiteral("tvFalhas"));
  // The row of EVENTO 9, record 2.
  const int campo = ColumnTitled(view, QStringLiteral("Campo"));
  int row = -1;
  for (int r = 0; r < view->model()->rowCount() && row < 0; ++r) {
    if (Cell(view, r, campo) == QStringLiteral("EVENTO")) row = r;
  }
  ASSERT_GE(row, 0);
  ASSERT_EQ(Cell(view, row, 1), QStringLiteral("2"));
  const QString sentence = Cell(view, row, ColumnTitled(view, QStringLiteral("Mensagem")));
  const QString required = Cell(view, row, ColumnTitled(view, QStringLiteral("Exigido")));
  ASSERT_FALSE(sentence.isEmpty());
  panel->ShowRecord(row);
  auto* dialog = panel->findChild<ui::RecordDialog*>();
  ASSERT_NE(dialog, nullptr);
  auto* table = dialog->findChild<QTableWidget*>(QStringLiteral("tbCampos"));
  ASSERT_NE(table, nullptr);
  const auto layout = testing_support::ClaimsLayout();
  const auto fields = RecordFields(dir_.file("sinistros.dbf"), 2, layout);
  ASSERT_EQ(table->rowCount(), static_cast<int>(layout.size()));
  for (int r = 0; r < table->rowCount(); ++r) {
    const auto& spec = layout[static_cast<std::size_t>(r)];
    EXPECT_EQ(table->item(r, 0)->text().toStdString(), spec.name);
    EXPECT_EQ(table->item(r, 1)->text(), QString(QLatin1Char(spec.type)));
    EXPECT_EQ(table->item(r, 2)->text(), QString::number(spec.length));
    EXPECT_EQ(table->item(r, 3)->text().toStdString(), fields[static_cast<std::size_t>(r)]);
    // APOLICE (blank) and EVENTO (9) failed; the others did not.
    const bool failed = spec.name == "APOLICE" || spec.name == "EVENTO";
    EXPECT_EQ(!table->item(r, 4)->text().isEmpty(), failed) << spec.name;
    EXPECT_EQ(table->item(r, 0)->background().style() != Qt::NoBrush, failed) << spec.name;
  }
  // Each failure's sentence and what the rule requires, as the list has them.
  EXPECT_EQ(
      table->item(3, 4)->text(),
      required.isEmpty() ? sentence : sentence + QStringLiteral(" (exigido: %1)").arg(required));
  // The first failing field (APOLICE) is the one selected.
  ASSERT_EQ(table->selectionModel()->selectedRows().size(), 1);
  EXPECT_EQ(table->selectionModel()->selectedRows()[0].row(), 1);

  // One more record changes the file's size: the view says so instead of a record.
  tools::DbfBuilder claims(testing_support::ClaimsLayout());
  claims.Add({"01234", "OUTRA", "000009", "1", "1", "20230601"});
  claims.Add({"01234", "OUTRA", "000009", "1", "1", "20230601"});
  claims.Write(dir_.file("sinistros.dbf"));
  panel->ShowRecord(row);
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  auto dialogs = panel->findChildren<ui::RecordDialog*>();
  ASSERT_EQ(dialogs.size(), 1);
  EXPECT_EQ(dialogs[0]->findChild<QTableWidget*>(), nullptr);
  EXPECT_TRUE(dialogs[0]
                  ->findChild<QLabel*>(QStringLiteral("lbRegistro"))
                  ->text()
                  .contains(QStringLiteral("foi alterado depois da crítica")));
}

TEST_F(FindingsPanelTest, ANewRunReplacesWhatThePanelShows) {
  ui::FindingsPanel* panel = RunAndOpen();
  ASSERT_NE(panel, nullptr);
  const std::size_t before = panel->ShownRows().size();
  tools::DbfBuilder claims(testing_support::ClaimsLayout());
  claims.Add({"01234", "POL1", "000001", "1", "300", "20230601"});
  claims.Add({"01234", "POL2", "000002", "9", "50", "20230801"});
  claims.Write(dir_.file("sinistros.dbf"));
  window_->controller().Run();
  EXPECT_FALSE(panel->IsLoaded());  // the old list is let go while the run goes
  ASSERT_TRUE(WaitFor(panel, &ui::FindingsPanel::Loaded));
  EXPECT_LT(panel->ShownRows().size(), before);
  EXPECT_EQ(panel->ShownRows().size(), ListRows(panel->index()->path()).size() - 1);

  // Fechar ends the program: the panel does not stay behind.
  window_->show();
  ASSERT_TRUE(panel->isVisible());
  window_->close();
  EXPECT_FALSE(panel->isVisible());
}

TEST_F(FindingsPanelTest, OnlyNewShowsTheRowsMarkedNew) {
  ui::FindingsPanel* panel = RunAndOpen();
  ASSERT_NE(panel, nullptr);
  auto* only_new = panel->findChild<QCheckBox*>(QStringLiteral("ckNovas"));
  ASSERT_NE(only_new, nullptr);
  EXPECT_FALSE(only_new->isEnabled());  // a run beside no earlier one marks nothing
  EXPECT_EQ(only_new->shortcut(), QKeySequence(Qt::ALT | Qt::Key_N));
  // A list marked against an earlier run.
  std::ofstream(dir_.file("marcada.csv"), std::ios::binary)
      << "arquivo;registro;campo;verificacao;apolice;mensagem;nova\r\n"
         "sinistros;1;APOLICE;nulo;P1;x;S\r\n"
         "sinistros;2;APOLICE;nulo;P2;y;\r\n"
         "sinistros;3;EVENTO;dominio;P3;z;S\r\n";
  frontend::PanelRun run;
  run.list_path = dir_.file("marcada.csv");
  panel->Load(std::move(run));
  ASSERT_TRUE(WaitFor(panel, &ui::FindingsPanel::Loaded));
  ASSERT_TRUE(only_new->isEnabled());
  only_new->click();
  ASSERT_TRUE(WaitFor(panel, &ui::FindingsPanel::Filtered));
  EXPECT_EQ(panel->ShownRows(), (std::vector<std::uint32_t>{0, 2}));
  EXPECT_EQ(panel->findChild<QComboBox*>(QStringLiteral("cbCampo"))->itemText(0),
            QStringLiteral("(todos) (2)"));
}

}  // namespace
