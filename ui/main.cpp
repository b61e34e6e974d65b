// The desktop program: the window Inicio. Options fill the path boxes and can start a run at
// once (for demonstrations and the screenshot script).

#include <QApplication>
#include <QCommandLineParser>
#include <QLineEdit>
#include <QTimer>
#include <utility>

#include "ui/desktop_services.h"
#include "ui/inicio.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("talmero-prx"));
  QApplication::setApplicationDisplayName(QString::fromUtf8(ui::kApplicationTitle));

  QCommandLineParser parser;
  parser.setApplicationDescription(QStringLiteral("Críticas dos arquivos de riscos e sinistros."));
  parser.addHelpOption();
  QCommandLineOption riscos(QStringLiteral("riscos"),
                            QStringLiteral("Arquivo de riscos (preenche a caixa)."),
                            QStringLiteral("ARQUIVO"));
  QCommandLineOption sinistros(QStringLiteral("sinistros"),
                               QStringLiteral("Arquivo de sinistros (preenche a caixa)."),
                               QStringLiteral("ARQUIVO"));
  QCommandLineOption criticar(QStringLiteral("criticar"),
                              QStringLiteral("Inicia a crítica assim que a janela abre."));
  QCommandLineOption sem_avisos(
      QStringLiteral("sem-avisos-de-data"),
      QStringLiteral("Não mostra as caixas de Data Inválida (as falhas continuam contadas)."));
  parser.addOptions({riscos, sinistros, criticar, sem_avisos});
  parser.process(app);

  ui::InicioSetup setup;
  setup.invalid_date_notices = !parser.isSet(sem_avisos);
  ui::Inicio window(std::move(setup));
  if (parser.isSet(riscos)) {
    window.findChild<QLineEdit*>(QStringLiteral("edArqRisco"))->setText(parser.value(riscos));
  }
  if (parser.isSet(sinistros)) {
    window.findChild<QLineEdit*>(QStringLiteral("edArqSinistro"))->setText(parser.value(sinistros));
  }
  window.show();
  if (parser.isSet(criticar)) QTimer::singleShot(0, &window, &ui::Inicio::btnOkClick);
  return QApplication::exec();
}
