// Runs started from the window: the log, the progress bar, the error box and the invalid-date
// notice, compared with the same run through the engine's recording host.
#include <gtest/gtest.h>

#include <QApplication>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollBar>
#include <optional>

#include "engine/report.h"
#include "engine/text.h"
#include "engine/validation_run.h"
#include "frontend/message_text.h"
#include "support/catalog_files.h"
#include "support/file_bytes.h"
#include "support/recording_host.h"
#include "ui/window_fixture.h"

namespace {

using engine::Ansi;
using testing_support::RuleRow;

struct EngineOutcome {
  testing_support::RecordingHost host;
  std::optional<std::string> error;
  std::string explanation;  // the run's cause of the error, if it gave one
};

class InicioRunTest : public testing_support::WindowTest {
 protected:
  void SetUp() override { WatchProgress(); }

  // Every position the bar takes, so a position lost between the run and the window shows.
  void WatchProgress() {
    QObject::connect(Control<QProgressBar>("ProgressBar"), &QProgressBar::valueChanged,
                     [this](int value) { progress_seen_.push_back(value); });
  }

  std::vector<int> progress_seen_;

  void WriteCatalog(const std::vector<RuleRow>& rules) {
    testing_support::WriteTabelas(dir_.file("tabelas.dbf"), rules);
    testing_support::WriteAnexos(dir_.file("anexos.dbf"), {});
    tools::DbfBuilder kov(testing_support::DadosKovLayout());
    kov.Add({"00001", "SEGURADORA EXEMPLO S.A."});
    kov.Write(dir_.file("DadosKov.DBF"));
  }

  static RuleRow Rule(const char* tabela, const char* campo, int tamanho, int ordem) {
    RuleRow row;
    row.tabela = tabela;
    row.campo = campo;
    row.tipo = 1;
    row.tamanho = tamanho;
    row.ordem = ordem;
    return row;
  }

  // A risks catalogue of two fields and a risks file with the given start dates.
  std::string WriteRisks(const std::vector<std::string>& dates) {
    RuleRow vig = Rule("RISCOS", "INICIO_VIG", 8, 2);
    vig.data = 1;
    WriteCatalog({Rule("RISCOS", "COD_SEG", 5, 1), vig, Rule("SINISTROS", "COD_SEG", 5, 1)});
    tools::DbfBuilder risks({{"COD_SEG", 'C', 5}, {"INICIO_VIG", 'C', 8}});
    for (const auto& d : dates) risks.Add({"00001", d});
    const std::string path = dir_.file("riscos.dbf");
    risks.Write(path);
    return path;
  }

  void SetPaths(const std::string& risks, const std::string& claims) {
    Control<QLineEdit>("edArqRisco")->setText(QString::fromStdString(risks));
    Control<QLineEdit>("edArqSinistro")->setText(QString::fromStdString(claims));
  }

  EngineOutcome RunEngine(const std::string& risks, const std::string& claims) {
    EngineOutcome out;
    out.host.catalogue_folder = dir_.folder();
    out.host.risk_path = risks;
    out.host.claims_path = claims;
    out.host.now = testing_support::FixedNow();
    engine::ValidationRun run;
    try {
      run.Execute(out.host);
    } catch (const std::exception& e) {
      out.error = e.what();
    }
    out.explanation = run.state().result.error_explanation;
    return out;
  }

  QString DisplayedLog() { return Control<QPlainTextEdit>("edLog")->toPlainText(); }
  int Progress() { return Control<QProgressBar>("ProgressBar")->value(); }

  // The window's run against the engine's own run over the same inputs.
  void ExpectSameAsEngine(const EngineOutcome& engine_run) {
    EXPECT_EQ(window_->ReportLines(), engine_run.host.lines);
    EXPECT_EQ(progress_seen_, engine_run.host.progress);
    QStringList shown;
    for (const auto& line : engine_run.host.lines)
      shown << QString::fromStdString(frontend::DisplayLine(line));
    EXPECT_EQ(DisplayedLog(), shown.join('\n'));
    if (engine_run.error) {
      ASSERT_EQ(desktop_->errors.size(), 1u);
      EXPECT_EQ(desktop_->errors[0], QString::fromStdString(frontend::ErrorBoxMessage(
                                         *engine_run.error, engine_run.explanation)));
      ASSERT_FALSE(engine_run.host.progress.empty());
      EXPECT_EQ(Progress(), engine_run.host.progress.back());  // keeps its position
    } else {
      EXPECT_TRUE(desktop_->errors.empty());
      EXPECT_EQ(Progress(), 0);
    }
  }
};

using testing_support::ReadBytes;

TEST_F(InicioRunTest, BothPathsEmptyGiveTheFrameAndExportItByteForByte) {
  WriteCatalog({});
  ASSERT_TRUE(RunAndWait());
  const std::string rule(80, '=');
  const std::vector<std::string> expected = {
      "In\xED"
      "cio do processamento: 15/03/2024 10:20:30",
      "",
      "",
      "",
      rule,
      "",
      "Fim do processamento: 15/03/2024 10:20:30",
      "",
      rule};
  EXPECT_EQ(window_->ReportLines(), expected);
  EXPECT_TRUE(DisplayedLog().startsWith(QString::fromUtf8("Início do processamento: ")));
  EXPECT_EQ(progress_seen_, (std::vector<int>{75, 90, 0}));
  EXPECT_TRUE(desktop_->errors.empty());

  const std::string path = dir_.file("relatorio.txt");
  desktop_->save_answer = QString::fromStdString(path);
  Control<QPushButton>("btnExporta")->click();
  std::string bytes;
  for (const auto& line : expected) bytes += line + "\r\n";
  EXPECT_EQ(ReadBytes(path), bytes);
}

TEST_F(InicioRunTest, EnterInAPathBoxStartsARun) {
  WriteCatalog({});
  QEventLoop loop;
  QObject::connect(window_.get(), &ui::Inicio::RunEnded, &loop, &QEventLoop::quit);
  QTimer::singleShot(30000, &loop, &QEventLoop::quit);
  QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
  QApplication::sendEvent(Control<QLineEdit>("edArqSinistro"), &enter);
  ASSERT_TRUE(window_->IsRunning());
  loop.exec();
  EXPECT_EQ(window_->ReportLines().size(), 9u);
}

TEST_F(InicioRunTest, ASecondRunStartsFromAnEmptyLog) {
  WriteCatalog({});
  ASSERT_TRUE(RunAndWait());
  ASSERT_TRUE(RunAndWait());
  EXPECT_EQ(window_->ReportLines().size(), 9u);
  EXPECT_EQ(DisplayedLog().count('\n'), 8);
}

TEST_F(InicioRunTest, MissingRisksFileEndsTheRunWithTheOpenErrorWithoutPeriodThenTheCause) {
  WriteRisks({});
  const std::string missing = dir_.file("nao_existe.dbf");
  SetPaths(missing, "");
  ASSERT_TRUE(RunAndWait());
  ASSERT_EQ(desktop_->errors.size(), 1u);
  EXPECT_EQ(desktop_->errors[0],
            QString::fromStdString("TMarlSmartDBF.InternalOpen: Open error \"" + missing +
                                   "\"\n\ncausa: arquivo de riscos não encontrado: " + missing));
  EXPECT_EQ(window_->ReportLines().size(), 3u);  // no closing block
}

TEST_F(InicioRunTest, MissingClaimsFileKeepsTheProgressOfTheRisksFile) {
  const std::string risks = WriteRisks({"20240101", "20240202"});
  const std::string missing = dir_.file("sinistros.dbf");
  SetPaths(risks, missing);
  ASSERT_TRUE(RunAndWait());
  const EngineOutcome engine_run = RunEngine(risks, missing);
  ASSERT_TRUE(engine_run.error.has_value());
  ExpectSameAsEngine(engine_run);
  EXPECT_EQ(Progress(), 25);
}

TEST_F(InicioRunTest, RisksOnlyRunMatchesTheEngineLineForLine) {
  const std::string risks = WriteRisks({"20240101", "2024013 ", "", "20240301"});
  SetPaths(risks, "");
  ASSERT_TRUE(RunAndWait());
  ExpectSameAsEngine(RunEngine(risks, ""));
  EXPECT_GT(window_->ReportLines().size(), 9u);
  // The company line replaced the third line in the log as well.
  EXPECT_TRUE(DisplayedLog().section('\n', 2, 2).startsWith("Empresa: 00001 - SEGURADORA"));
  // The log follows the new lines downwards but keeps the start of the lines in view.
  auto* log = Control<QPlainTextEdit>("edLog");
  EXPECT_EQ(log->horizontalScrollBar()->value(), 0);
  EXPECT_EQ(log->verticalScrollBar()->value(), log->verticalScrollBar()->maximum());
}

TEST_F(InicioRunTest, InvalidDateNoticesWaitForTheUserAndCanBeSilenced) {
  const std::string risks = WriteRisks({"20230231", "20240101", "20230231", "20230431"});
  for (bool silence : {false, true}) {
    SCOPED_TRACE(silence);
    desktop_->notices.clear();
    desktop_->errors.clear();
    progress_seen_.clear();
    desktop_->silence_notices = silence;
    SetPaths(risks, "");
    ASSERT_TRUE(RunAndWait());
    const EngineOutcome engine_run = RunEngine(risks, "");
    ASSERT_EQ(engine_run.host.notices.size(), 3u);
    if (silence) {
      ASSERT_EQ(desktop_->notices.size(), 1u);
    } else {
      ASSERT_EQ(desktop_->notices.size(), 3u);
      EXPECT_EQ(desktop_->notices[2], QString::fromUtf8("Data Inválida : 20230431"));
      EXPECT_EQ(desktop_->notice_places[2],
                QString::fromStdString("Arquivo: " + risks + ", registro 4, campo INICIO_VIG"));
    }
    EXPECT_EQ(desktop_->notices[0], QString::fromUtf8("Data Inválida : 20230231"));
    EXPECT_EQ(desktop_->notice_places[0],
              QString::fromStdString("Arquivo: " + risks + ", registro 1, campo INICIO_VIG"));
    ExpectSameAsEngine(engine_run);  // the counters do not depend on the boxes shown
  }
}

TEST_F(InicioRunTest, TheWindowTakesNoInputWhileARunWaitsForANotice) {
  const std::string risks = WriteRisks({"20230231"});
  SetPaths(risks, "");
  int runs_ended = 0;
  QObject::connect(window_.get(), &ui::Inicio::RunEnded, [&] { ++runs_ended; });
  QString log_at_notice;
  bool closed_during_run = true;
  desktop_->on_notice = [&] {
    log_at_notice = DisplayedLog();
    EXPECT_TRUE(window_->IsRunning());
    // A second press by code, by mouse and by keyboard: none starts a run.
    window_->controller().Run();
    auto* ok = Control<QPushButton>("btnOk");
    const QPointF centre(ok->rect().center());
    QMouseEvent press(QEvent::MouseButtonPress, centre, ok->mapToGlobal(centre), Qt::LeftButton,
                      Qt::LeftButton, Qt::NoModifier);
    QMouseEvent release(QEvent::MouseButtonRelease, centre, ok->mapToGlobal(centre), Qt::LeftButton,
                        Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(ok, &press);
    QApplication::sendEvent(ok, &release);
    QKeyEvent key(QEvent::KeyPress, Qt::Key_X, Qt::NoModifier, QStringLiteral("x"));
    QApplication::sendEvent(Control<QLineEdit>("edArqRisco"), &key);
    closed_during_run = window_->close();
  };
  ASSERT_TRUE(RunAndWait());
  QCoreApplication::processEvents();
  EXPECT_EQ(desktop_->notices.size(), 1u);
  EXPECT_EQ(runs_ended, 1);
  EXPECT_FALSE(closed_during_run);
  EXPECT_EQ(Control<QLineEdit>("edArqRisco")->text(), QString::fromStdString(risks));
  // The lines written before the notice were on screen when it appeared.
  EXPECT_TRUE(log_at_notice.startsWith(QString::fromUtf8("Início do processamento: ")));
  // After the run the window takes input again.
  QKeyEvent key(QEvent::KeyPress, Qt::Key_X, Qt::NoModifier, QStringLiteral("x"));
  QApplication::sendEvent(Control<QLineEdit>("edArqRisco"), &key);
  EXPECT_EQ(Control<QLineEdit>("edArqRisco")->text(), QString::fromStdString(risks) + "x");
}

}  // namespace

namespace {

TEST_F(InicioRunTest, AWindowStartedWithoutNoticesCountsTheSameFailures) {
  const std::string risks = WriteRisks({"20230231", "20230229"});
  ui::InicioSetup setup;
  setup.program_folder = dir_.folder();
  setup.regional = engine::Regional::PtBr();
  setup.clock = testing_support::FixedNow;
  setup.desktop = desktop_;
  setup.invalid_date_notices = false;
  window_ = std::make_unique<ui::Inicio>(std::move(setup));
  WatchProgress();
  SetPaths(risks, "");
  ASSERT_TRUE(RunAndWait());
  EXPECT_TRUE(desktop_->notices.empty());
  ExpectSameAsEngine(RunEngine(risks, ""));
}

}  // namespace
