// The panel on the benchmark files (1,000,000 risks and 300,000 claims, 1.75 million findings):
// how long after the run's end the panel shows the list, a scroll to the last row, a filter, and
// the process's peak memory. Runs only when TALMERO_BENCHDATA names the folder of riscos.dbf and
// sinistros.dbf (the catalogue is the build's own); the figures go to standard output. Then the
// save of every row as a workbook, with the real progress box, never leaves the window's events
// waiting more than 0.2 s.
#include <gtest/gtest.h>
#include <sys/resource.h>

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QLineEdit>
#include <QScrollBar>
#include <QTableView>
#include <QTimer>
#include <cstdio>
#include <cstdlib>
#include <functional>

#include "ui/desktop_services.h"
#include "ui/fake_desktop.h"
#include "ui/findings_panel.h"
#include "ui/inicio.h"
#include "ui/window_fixture.h"

namespace {

// Boxes are recorded, but the save's progress is the real dialog with its event loop.
class DesktopWithProgress : public testing_support::FakeDesktop {
 public:
  void ShowSaveProgress(QWidget* owner, frontend::SaveJob& job) override {
    ++progress_shown;
    real_.ShowSaveProgress(owner, job);
  }

 private:
  ui::QtDesktopServices real_;
};

template <class Sender, class Signal>
double WaitMs(Sender* sender, Signal signal, const std::function<void()>& start) {
  QEventLoop loop;
  QObject::connect(sender, signal, &loop, &QEventLoop::quit, Qt::QueuedConnection);
  QTimer::singleShot(120000, &loop, &QEventLoop::quit);
  QElapsedTimer timer;
  timer.start();
  start();
  loop.exec();
  return static_cast<double>(timer.nsecsElapsed()) / 1e6;
}

TEST(FindingsPanelScaleTest, BenchmarkFiles) {
  const char* folder = std::getenv("TALMERO_BENCHDATA");
  if (folder == nullptr) GTEST_SKIP() << "TALMERO_BENCHDATA not set";
  auto desktop = std::make_shared<DesktopWithProgress>();
  desktop->silence_notices = true;
  ui::InicioSetup setup;
  setup.program_folder = std::string(TALMERO_BIN_DIR) + "/";
  setup.regional = engine::Regional::PtBr();
  setup.clock = testing_support::FixedNow;
  setup.desktop = desktop;
  setup.invalid_date_notices = false;
  ui::Inicio window(std::move(setup));
  window.show();
  window.findChild<QLineEdit*>("edArqRisco")->setText(QString(folder) + "/riscos.dbf");
  window.findChild<QLineEdit*>("edArqSinistro")->setText(QString(folder) + "/sinistros.dbf");

  const double run = WaitMs(&window, &ui::Inicio::RunEnded, [&] { window.controller().Run(); });
  QElapsedTimer open;
  open.start();
  window.controller().OpenPanel();
  ui::FindingsPanel* panel = window.findings_panel();
  QEventLoop loop;
  QObject::connect(panel, &ui::FindingsPanel::Loaded, &loop, &QEventLoop::quit);
  if (!panel->IsLoaded()) loop.exec();
  auto* view = panel->findChild<QTableView*>("tvFalhas");
  view->viewport()->repaint();
  const double opened = static_cast<double>(open.nsecsElapsed()) / 1e6;
  ASSERT_TRUE(panel->IsLoaded());
  const auto rows = view->model()->rowCount();

  QElapsedTimer scroll;
  scroll.start();
  view->scrollToBottom();
  view->viewport()->repaint();
  const double bottom = static_cast<double>(scroll.nsecsElapsed()) / 1e6;
  // Paging up from the end, as a user holding Page Up.
  scroll.restart();
  for (int i = 0; i < 50; ++i) {
    view->verticalScrollBar()->triggerAction(QAbstractSlider::SliderPageStepSub);
    view->viewport()->repaint();
  }
  const double page = static_cast<double>(scroll.nsecsElapsed()) / 1e6 / 50;

  auto* checks = panel->findChild<QComboBox*>("cbVerificacao");
  const double filter = WaitMs(panel, &ui::FindingsPanel::Filtered, [&] {
    checks->setCurrentIndex(checks->findData(QByteArray("dominio")));
  });
  const auto filtered = view->model()->rowCount();

  // Every row as a workbook, while a timer 10 ms apart tells how long the window's events waited.
  checks->setCurrentIndex(0);
  WaitMs(panel, &ui::FindingsPanel::Filtered, [] {});
  const std::string workbook = (QDir::tempPath() + "/talmero-painel-falhas.xlsx").toStdString();
  std::remove(workbook.c_str());
  desktop->save_answer = QString::fromStdString(workbook);
  desktop->save_filter = 1;  // "Pasta de trabalho (*.xlsx)"
  QElapsedTimer since;
  since.start();
  qint64 last = 0;
  qint64 longest = 0;
  QTimer tick;
  QObject::connect(&tick, &QTimer::timeout, [&] {
    const qint64 now = since.elapsed();
    longest = std::max(longest, now - last);
    last = now;
  });
  tick.start(10);
  QElapsedTimer saving;
  saving.start();
  panel->SalvarClick();
  const double saved = static_cast<double>(saving.nsecsElapsed()) / 1e6;
  tick.stop();
  EXPECT_TRUE(desktop->errors.empty());
  ASSERT_EQ(desktop->messages.size(), 1u);  // the confirmation naming the file
  std::remove(workbook.c_str());

  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  std::printf(
      "run %.0f ms; panel shown %.0f ms after the run (%d rows, index %zu MB); last row %.1f ms; "
      "page up %.2f ms; filter dominio %.0f ms (%d rows); workbook of every row %.1f s, events "
      "waited at most %lld ms; peak memory %ld MB\n",
      run, opened, rows, panel->index()->MemoryBytes() >> 20, bottom, page, filter, filtered,
      saved / 1000, static_cast<long long>(longest), usage.ru_maxrss / 1024);
  EXPECT_LT(opened, 2000);
  EXPECT_LT(filter, 2000);  // fitting the columns once read every row shown: 32 s
  EXPECT_LT(longest, 200);
}

}  // namespace
