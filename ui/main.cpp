// The desktop program: the window Inicio. Options fill the path boxes and can start a run at
// once (for demonstrations and the screenshot script).

#include <QApplication>
#include <QLineEdit>
#include <QTimer>
#include <cstdio>
#include <string>
#include <utility>
#include <vector>

#include "frontend/window_history.h"
#include "frontend/window_options.h"
#include "platform/interrupt_cleanup.h"
#include "platform/standard_descriptors.h"
#include "ui/application_setup.h"
#include "ui/desktop_services.h"
#include "ui/findings_panel.h"
#include "ui/inicio.h"

int main(int argc, char** argv) {
  platform::OpenClosedStandardDescriptors();
  // An interrupted or terminated window leaves no temporary file behind (index, outputs, list).
  platform::InstallInterruptCleanup();
  // The usage needs no window, so no display either.
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--help" || arg == "-h") {
      std::fputs(frontend::ParseWindowOptions("talmero-prx", {arg}).text.c_str(), stdout);
      return 0;
    }
  }
  if (const std::string missing = ui::NoDisplayMessage(argc, argv); !missing.empty()) {
    std::fputs(missing.c_str(), stderr);
    return 1;
  }
  QApplication app(argc, argv);
  ui::SetUpApplication();

  // Qt has taken its own options (-platform, ...) out of argv.
  std::vector<std::string> args;
  for (const QString& arg : QApplication::arguments().mid(1)) args.push_back(arg.toStdString());
  const frontend::ParsedWindowOptions parsed = frontend::ParseWindowOptions("talmero-prx", args);
  if (parsed.exit_status) {
    std::fputs(parsed.text.c_str(), *parsed.exit_status == 0 ? stdout : stderr);
    return *parsed.exit_status;
  }
  const frontend::WindowOptions& options = parsed.options;

  ui::InicioSetup setup;
  setup.invalid_date_notices = options.invalid_date_notices;
  setup.history = frontend::ChosenHistoryPlace(options.historico, options.sem_historico);
  ui::Inicio window(std::move(setup));
  if (options.riscos) {
    window.findChild<QLineEdit*>(QStringLiteral("edArqRisco"))
        ->setText(QString::fromStdString(*options.riscos));
  }
  if (options.sinistros) {
    window.findChild<QLineEdit*>(QStringLiteral("edArqSinistro"))
        ->setText(QString::fromStdString(*options.sinistros));
  }
  window.show();
  // A folder that lacks a file is refused in a box; the program's folder stays.
  if (options.catalogo) window.ChooseCatalogue(QString::fromStdString(*options.catalogo));
  if (options.painel) {
    QObject::connect(
        &window, &ui::Inicio::RunEnded, &window,
        [&window, &options] {
          window.controller().OpenPanel();
          if (!options.painel_registro) return;
          ui::FindingsPanel* panel = window.findings_panel();
          const auto show_record = [panel, row = *options.painel_registro - 1] {
            panel->ShowRecord(row);
          };
          if (panel->IsLoaded()) {
            show_record();
          } else {
            QObject::connect(panel, &ui::FindingsPanel::Loaded, panel, show_record,
                             Qt::SingleShotConnection);
          }
        },
        Qt::SingleShotConnection);
  }
  if (options.criticar) QTimer::singleShot(0, &window, [&window] { window.controller().Run(); });
  return QApplication::exec();
}
