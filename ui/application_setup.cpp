#include "ui/application_setup.h"

#include <QApplication>
#include <QIcon>
#include <QLibraryInfo>
#include <QTranslator>

// The resources of a static library are not registered by themselves; the macro declares a
// function of the global namespace.
static void InitIconResources() { Q_INIT_RESOURCE(icons); }

namespace ui {

QTranslator* SetUpApplication() {
  QApplication::setApplicationName(QStringLiteral("talmero-prx"));
  QGuiApplication::setDesktopFileName(QStringLiteral("talmero-prx"));
  InitIconResources();
  QIcon icon;
  for (int size : {16, 24, 32, 48, 64, 128, 256}) {
    icon.addFile(QStringLiteral(":/icon/%1.png").arg(size), QSize(size, size));
  }
  QApplication::setWindowIcon(icon);
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
