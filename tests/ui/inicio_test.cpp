// The window's controls, their arrangement, the browse buttons, the export and the help.
#include <gtest/gtest.h>

#include <QApplication>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QToolButton>
#include <clocale>
#include <filesystem>
#include <vector>

#include "frontend/control_table.h"
#include "frontend/window_texts.h"
#include "support/catalog_files.h"
#include "support/file_bytes.h"
#include "ui/window_fixture.h"

namespace {

using testing_support::WindowTest;

using testing_support::ReadBytes;

using InicioControlsTest = WindowTest;

TEST_F(InicioControlsTest, CaptionsTooltipsAndNames) {
  struct Expected {
    const char* name;
    QString text;
    QString tooltip;
  };
  const Expected rows[] = {
      {"Label3", "Arquivo de Riscos", ""},
      {"edArqRisco", "", "Local e nome do arquivo de riscos"},
      {"SpeedButton4", "", "Defina o arquivo de riscos"},
      {"Label4", "Arquivo de Sinistros", ""},
      {"edArqSinistro", "", "Local e nome do arquivo de sinistros"},
      {"SpeedButton3", "", "Defina o arquivo de sinistros"},
      {"btnOk", "&Criticar", ""},
      {"btnFechar", "&Fechar", "Sai do programa"},
      {"edLog", "", "Resultado do teste"},
      {"btnExporta", "Exporta Resultado", "Exporta para TXT"},
      {"ProgressBar", "", ""},
      {"btnAjuda", "", "Ajuda"},
  };
  for (const Expected& row : rows) {
    SCOPED_TRACE(row.name);
    QWidget* control = Control<QWidget>(row.name);
    ASSERT_NE(control, nullptr);
    EXPECT_EQ(control->toolTip(), row.tooltip);
    QString text;
    if (auto* label = qobject_cast<QLabel*>(control)) text = label->text();
    if (auto* edit = qobject_cast<QLineEdit*>(control)) text = edit->text();
    if (auto* button = qobject_cast<QAbstractButton*>(control)) text = button->text();
    if (auto* log = qobject_cast<QPlainTextEdit*>(control)) text = log->toPlainText();
    EXPECT_EQ(text, row.text);
  }
  EXPECT_EQ(window_->windowTitle(),
            QString::fromUtf8("VORAN - Sistema de Críticas de Dados do TALMERO"));
  EXPECT_TRUE(Control<QPushButton>("btnOk")->isDefault());
  for (const char* name : {"btnOk", "btnExporta", "btnFechar", "btnAjuda"}) {
    EXPECT_FALSE(Control<QPushButton>(name)->icon().isNull()) << name;
  }
  for (const char* name : {"SpeedButton4", "SpeedButton3"}) {
    auto* browse = Control<QToolButton>(name);
    EXPECT_FALSE(browse->icon().isNull()) << name;
    EXPECT_EQ(browse->focusPolicy(), Qt::NoFocus) << name;
  }
}

TEST_F(InicioControlsTest, LogAndProgressBar) {
  auto* log = Control<QPlainTextEdit>("edLog");
  EXPECT_TRUE(log->isReadOnly());
  EXPECT_EQ(log->lineWrapMode(), QPlainTextEdit::NoWrap);
  EXPECT_EQ(log->horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
  EXPECT_EQ(log->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
  const QFontMetrics metrics(log->font());
  EXPECT_EQ(metrics.horizontalAdvance("iiii|...."), metrics.horizontalAdvance("WWWW|MMMM"));
  EXPECT_EQ(log->font().pointSize(), 8);

  auto* bar = Control<QProgressBar>("ProgressBar");
  EXPECT_EQ(bar->orientation(), Qt::Vertical);
  EXPECT_EQ(bar->minimum(), 0);
  EXPECT_EQ(bar->maximum(), 100);
  EXPECT_EQ(bar->value(), 0);
}

TEST_F(InicioControlsTest, TabOrderOfTheFocusableControls) {
  std::vector<QString> order;
  QWidget* w = Control<QWidget>("edArqRisco");
  for (int i = 0; i < 20 && (order.empty() || w->objectName() != "edArqRisco"); ++i) {
    if ((w->focusPolicy() & Qt::TabFocus) != 0 && w->window() == window_.get()) {
      order.push_back(w->objectName());
    }
    w = w->nextInFocusChain();
  }
  const std::vector<QString> expected = {"edArqRisco", "edArqSinistro", "btnOk",   "btnFechar",
                                         "edLog",      "btnExporta",    "btnAjuda"};
  EXPECT_EQ(order, expected);
}

TEST_F(InicioControlsTest, ResizingMovesTheRightColumnAndStretchesTheLog) {
  window_->show();
  EXPECT_EQ(window_->size(), QSize(668, 551));
  const auto geometry = [&](const char* name) { return Control<QWidget>(name)->geometry(); };
  const QRect edit = geometry("edArqRisco");
  const QRect bar = geometry("ProgressBar");
  const QRect browse = geometry("SpeedButton3");
  const QRect ok = geometry("btnOk");
  const QRect help = geometry("btnAjuda");
  const QRect exporta = geometry("btnExporta");
  const QRect fechar = geometry("btnFechar");
  const QRect log = geometry("edLog");
  EXPECT_EQ(edit.width(), 445);
  EXPECT_EQ(log.left(), 0);
  EXPECT_EQ(log.width(), 668);
  // The log ends above the verdict strip, which runs along the bottom edge.
  const QRect strip = geometry("sbVeredito");
  EXPECT_EQ(log.bottom() + 1, strip.top());
  EXPECT_EQ(strip, QRect(0, 531, 668, 20));
  EXPECT_EQ(bar.height(), geometry("edArqSinistro").bottom() - geometry("Label3").top() + 1);
  EXPECT_EQ(exporta.width(), help.right() - ok.left() + 1);  // as wide as run + help together
  EXPECT_LT(bar.right(), ok.left());

  window_->resize(900, 700);
  EXPECT_EQ(geometry("edArqRisco"), edit);
  EXPECT_EQ(geometry("ProgressBar"), bar);
  EXPECT_EQ(geometry("SpeedButton3"), browse);
  EXPECT_EQ(geometry("btnOk"), ok.translated(232, 0));
  EXPECT_EQ(geometry("btnAjuda"), help.translated(232, 0));
  EXPECT_EQ(geometry("btnExporta"), exporta.translated(232, 0));
  EXPECT_EQ(geometry("btnFechar"), fechar.translated(232, 0));
  EXPECT_EQ(geometry("edLog"), QRect(log.left(), log.top(), 900, 680 - log.top()));
  EXPECT_EQ(geometry("sbVeredito"), QRect(0, 680, 900, 20));
}

TEST_F(InicioControlsTest, EveryControlStandsWhereTheSharedTableSays) {
  window_->show();
  for (const QSize client : {QSize(668, 551), QSize(900, 700)}) {
    window_->resize(client);
    for (const frontend::ControlSpec& spec : frontend::Controls()) {
      SCOPED_TRACE(std::string(spec.name) + " at " + std::to_string(client.width()));
      QWidget* control = Control<QWidget>(std::string(spec.name).c_str());
      ASSERT_NE(control, nullptr);
      const frontend::Rect r = frontend::Place(spec, client.width(), client.height());
      EXPECT_EQ(control->geometry(), QRect(r.left, r.top, r.width, r.height));
      // The strip's tooltip names the catalogue folder of the runs.
      if (spec.kind != frontend::ControlKind::kStatusBar) {
        EXPECT_EQ(control->toolTip().toStdString(), spec.tooltip);
      }
      EXPECT_EQ((control->focusPolicy() & Qt::TabFocus) != 0, spec.tab_stop);
    }
  }
}

using InicioActionsTest = WindowTest;

TEST_F(InicioActionsTest, BrowseReplacesTheWholeTextOrChangesNothing) {
  for (const char* button : {"SpeedButton4", "SpeedButton3"}) {
    SCOPED_TRACE(button);
    auto* box =
        Control<QLineEdit>(std::string(button) == "SpeedButton4" ? "edArqRisco" : "edArqSinistro");
    box->setText("typed by hand");
    desktop_->open_answer.reset();
    Control<QToolButton>(button)->click();
    EXPECT_EQ(box->text(), "typed by hand");
    desktop_->open_answer = "/dados/riscos 2024.dbf";
    Control<QToolButton>(button)->click();
    EXPECT_EQ(box->text(), "/dados/riscos 2024.dbf");
  }
  EXPECT_EQ(desktop_->open_dialogs, 4);
  EXPECT_TRUE(desktop_->messages.empty());
}

TEST_F(InicioActionsTest, CancelledExportWritesAndOpensNothing) {
  Control<QPushButton>("btnExporta")->click();
  EXPECT_EQ(desktop_->save_dialogs, 1);
  EXPECT_EQ(desktop_->last_save_settings.title, "Exporta resultado PRX");
  EXPECT_EQ(desktop_->last_save_settings.default_suffix, "txt");
  EXPECT_TRUE(desktop_->opened.empty());
  EXPECT_TRUE(desktop_->messages.empty());
  EXPECT_TRUE(desktop_->errors.empty());
  EXPECT_TRUE(std::filesystem::is_empty(dir_.path()));
}

TEST_F(InicioActionsTest, ExportOfAnEmptyLogGivesAnEmptyFileAndOpensIt) {
  const std::string path = dir_.file("vazio.txt");
  tools::WriteFile(path, "old contents are replaced");
  desktop_->save_answer = QString::fromStdString(path);
  Control<QPushButton>("btnExporta")->click();
  EXPECT_EQ(ReadBytes(path), "");
  ASSERT_EQ(desktop_->opened.size(), 1u);
  EXPECT_EQ(desktop_->opened[0], QString::fromStdString(path));
  EXPECT_TRUE(desktop_->messages.empty());
}

TEST_F(InicioActionsTest, ExportWithoutAnAssociatedProgramSavesThenTellsCode31) {
  const std::string path = dir_.file("relatorio.txt");
  desktop_->save_answer = QString::fromStdString(path);
  desktop_->open_result = frontend::kShellNoAssociation;
  Control<QPushButton>("btnExporta")->click();
  EXPECT_TRUE(std::filesystem::exists(path));
  ASSERT_EQ(desktop_->messages.size(), 1u);
  EXPECT_EQ(desktop_->messages[0],
            "There is no application associated with the given filename extension.");
}

TEST_F(InicioActionsTest, ExportToAnUncreatableFileShowsTheErrorAndOpensNothing) {
  const std::string path = dir_.file("sem_pasta") + "/relatorio.txt";
  desktop_->save_answer = QString::fromStdString(path);
  Control<QPushButton>("btnExporta")->click();
  ASSERT_EQ(desktop_->errors.size(), 1u);
  EXPECT_EQ(desktop_->errors[0], QString::fromStdString("Cannot create file \"" + path +
                                                        "\". No such file or directory."));
  EXPECT_TRUE(desktop_->opened.empty());
  EXPECT_TRUE(desktop_->messages.empty());
}

TEST_F(InicioActionsTest, HelpOpensTheHelpFileOrItsPagesInTheBrowser) {
  const QString chm = QString::fromStdString(dir_.folder() + "PRXAuto.chm");
  const QString html = QString::fromStdString(dir_.folder() + "ajuda/index.html");
  const QString no_program =
      "There is no application associated with the given filename extension.";
  struct Case {
    std::vector<int> results;  // of each opening, in turn
    std::vector<QString> opened;
    QString message;
  };
  const Case cases[] = {
      {{frontend::kShellOpened}, {chm}, ""},
      {{frontend::kShellFileNotFound}, {chm}, "The specified file was not found."},
      // No CHM viewer: the same pages in the browser, without a message.
      {{frontend::kShellNoAssociation, frontend::kShellOpened}, {chm, html}, ""},
      // Neither opens: the CHM's failure is told.
      {{frontend::kShellNoAssociation, frontend::kShellFileNotFound}, {chm, html}, no_program},
      {{frontend::kShellNoAssociation, frontend::kShellNoAssociation}, {chm, html}, no_program},
      {{0}, {chm}, ""},
      {{20}, {chm}, ""}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.results.front());
    desktop_->opened.clear();
    desktop_->messages.clear();
    desktop_->open_results = c.results;
    Control<QPushButton>("btnAjuda")->click();
    EXPECT_EQ(desktop_->opened, c.opened);
    if (c.message.isEmpty()) {
      EXPECT_TRUE(desktop_->messages.empty());
    } else {
      ASSERT_EQ(desktop_->messages.size(), 1u);
      EXPECT_EQ(desktop_->messages[0], c.message);
    }
  }
}

TEST_F(InicioActionsTest, ReturnPressesTheFocusedButton) {
  QKeyEvent press(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
  QApplication::sendEvent(Control<QPushButton>("btnExporta"), &press);
  EXPECT_EQ(desktop_->save_dialogs, 1);
  QKeyEvent enter(QEvent::KeyPress, Qt::Key_Enter, Qt::KeypadModifier);
  QApplication::sendEvent(Control<QPushButton>("btnAjuda"), &enter);
  EXPECT_EQ(desktop_->opened.size(), 1u);
  window_->show();
  QApplication::sendEvent(Control<QPushButton>("btnFechar"), &press);
  EXPECT_FALSE(window_->isVisible());
}

TEST(ApplicationSetupTest, QtsOwnTextsAreInBrazilianPortuguese) {
  // ui_test_main set the application up as the program does.
  EXPECT_NE(QCoreApplication::translate("QFileDialog", "Look in:"), QStringLiteral("Look in:"));
  EXPECT_EQ(QCoreApplication::translate("QPlatformTheme", "Cancel"), QStringLiteral("Cancelar"));
  // The engine's number formatting sees the C library's "C" numeric locale, whatever the user's.
  EXPECT_STREQ(std::setlocale(LC_NUMERIC, nullptr), "C");
  // No display name: Qt appends none to the window's titles.
  EXPECT_FALSE(QGuiApplication::applicationDisplayName().contains(QStringLiteral("Talmero PRX")));
}

TEST_F(InicioActionsTest, ClosingOverAReportNeverExportedAsksFirst) {
  ASSERT_TRUE(RunAndWait());
  ASSERT_FALSE(window_->ReportLines().empty());
  window_->show();
  // A plain letter at a button is no accelerator ("f" is Alt+F's letter).
  QKeyEvent letter(QEvent::KeyPress, Qt::Key_F, Qt::NoModifier, QStringLiteral("f"));
  QApplication::sendEvent(Control<QPushButton>("btnOk"), &letter);
  EXPECT_TRUE(window_->isVisible());
  EXPECT_TRUE(desktop_->questions.empty());
  desktop_->yes = false;
  Control<QPushButton>("btnFechar")->click();
  EXPECT_TRUE(window_->isVisible());
  EXPECT_EQ(desktop_->questions,
            std::vector<QString>{QString::fromUtf8(frontend::kCloseUnexported)});
  // Once exported, the window closes without a question.
  desktop_->save_answer = QString::fromStdString(dir_.file("relatorio.txt"));
  Control<QPushButton>("btnExporta")->click();
  Control<QPushButton>("btnFechar")->click();
  EXPECT_FALSE(window_->isVisible());
  EXPECT_EQ(desktop_->questions.size(), 1u);
}

TEST_F(InicioActionsTest, CloseButtonClosesTheWindow) {
  window_->show();
  ASSERT_TRUE(window_->isVisible());
  Control<QPushButton>("btnFechar")->click();
  EXPECT_FALSE(window_->isVisible());
}

}  // namespace
