#include "ui/application_setup.h"

#include <QApplication>
#include <QIcon>
#include <QLibraryInfo>
#include <QTranslator>
#include <clocale>
#include <string_view>

// The resources of a static library are not registered by themselves; the macro declares a
// function of the global namespace.
static void InitIconResources() { Q_INIT_RESOURCE(icons); }

namespace ui {

std::string NoDisplayMessage(int argc, char** argv) {
  for (int i = 1; i < argc; ++i) {
    if (std::string_view(argv[i]) == "-platform") return {};  // Qt's own choice
  }
  const bool x11 = !qEnvironmentVariableIsEmpty("DISPLAY");
  const bool wayland = !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY");
  const QByteArray platform = qgetenv("QT_QPA_PLATFORM");
  if (platform.startsWith("xcb")       ? x11
      : platform.startsWith("wayland") ? wayland
      : !platform.isEmpty()            ? true
                                       : x11 || wayland) {
    return {};
  }
  return "talmero-prx: não há tela onde abrir a janela (DISPLAY e WAYLAND_DISPLAY estão vazias); "
         "para criticar sem janela, use talmero-criticar\n";
}

QTranslator* SetUpApplication() {
  // QApplication has set the C library's locale from the environment; the engine formats numbers
  // with the C library and places the user's separators itself, so its numeric part stays "C"
  // (else a locale with a decimal comma garbles every amount of the report).
  std::setlocale(LC_NUMERIC, "C");
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
