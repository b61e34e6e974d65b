// The program itself, started as a user starts it: its help and a start without a display are
// answered in Portuguese, never with Qt's English texts.
#include <gtest/gtest.h>

#include <QProcess>
#include <QProcessEnvironment>
#include <filesystem>

namespace {

TEST(ProgramStartTest, HelpAndAMissingDisplayAreToldInPortuguese) {
  const QString program = QStringLiteral(TALMERO_BIN_DIR "/talmero-prx");
  if (!std::filesystem::exists(program.toStdString())) GTEST_SKIP() << "talmero-prx not built";
  QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
  for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) {
    environment.remove(QString::fromLatin1(name));
  }
  const auto run = [&](const QStringList& args, QString* out, QString* err) {
    QProcess process;
    process.setProcessEnvironment(environment);
    process.start(program, args);
    EXPECT_TRUE(process.waitForFinished(30000));
    *out = QString::fromUtf8(process.readAllStandardOutput());
    *err = QString::fromUtf8(process.readAllStandardError());
    return process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
  };
  QString out;
  QString err;
  EXPECT_EQ(run({QStringLiteral("--help")}, &out, &err), 0);
  EXPECT_TRUE(out.startsWith(QStringLiteral("Uso: talmero-prx [opções]\n"))) << out.toStdString();
  EXPECT_FALSE(out.contains(QStringLiteral("Usage")));

  EXPECT_EQ(run({}, &out, &err), 1);
  EXPECT_TRUE(err.startsWith(QStringLiteral("talmero-prx: não há tela onde abrir a janela")))
      << err.toStdString();
  EXPECT_FALSE(err.contains(QStringLiteral("platform plugin")));
}

}  // namespace
