#include "ui/application_setup.h"

#include <QApplication>
#include <QLibraryInfo>
#include <QTranslator>

namespace ui {

QTranslator* SetUpApplication() {
  QApplication::setApplicationName(QStringLiteral("talmero-prx"));
  QGuiApplication::setDesktopFileName(QStringLiteral("talmero-prx"));
  auto* translator = new QTranslator(qApp);
  if (!translator->load(QStringLiteral("qtbase_pt_BR"),
                        QLibraryInfo::path(QLibraryInfo::TranslationsPath)) ||
      !QCoreApplication::installTranslator(translator)) {
    delete translator;
    return nullptr;
  }
  return translator;
}

}  // namespace ui
