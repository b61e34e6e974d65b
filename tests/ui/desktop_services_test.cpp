// The desktop's own answers: files that are not there, and the help that falls back to its HTML
// pages when no application opens the CHM type, asked of the desktop before anything starts.
#include "ui/desktop_services.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QByteArray>
#include <QThread>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <map>

#include "frontend/help_open.h"
#include "frontend/shell_messages.h"
#include "support/file_bytes.h"
#include "support/temp_dir.h"

namespace {

TEST(ShellOpenTest, MissingFilesAreReportedWithoutAskingTheDesktop) {
  testing_support::TempDir dir;
  ui::QtDesktopServices desktop;
  EXPECT_EQ(desktop.OpenFile(nullptr, QString::fromStdString(dir.file("PRXAuto.chm"))),
            frontend::kShellFileNotFound);
  EXPECT_EQ(desktop.OpenFile(nullptr, QString::fromStdString(dir.file("nao/PRXAuto.chm"))),
            frontend::kShellPathNotFound);
}

// A desktop of the test's own: its XDG folders (with the system's MIME database, without its
// applications), and an xdg-open on the PATH that records what it was asked to open instead of
// opening it.
class OwnDesktop {
 public:
  OwnDesktop() {
    for (const char* sub : {"config", "data/applications", "bin"}) {
      std::filesystem::create_directories(dir_.path() / sub);
    }
    const std::string opener = dir_.file("bin/xdg-open");
    std::ofstream(opener) << "#!/bin/sh\nprintf '%s\\n' \"$1\" >> '" << dir_.file("opened")
                          << "'\n";
    chmod(opener.c_str(), 0755);
    // The system's MIME database, which names a file's type, and none of its applications.
    std::filesystem::create_directory_symlink("/usr/share/mime", dir_.path() / "data/mime");
    Set("XDG_CONFIG_HOME", dir_.file("config"));
    Set("XDG_CONFIG_DIRS", dir_.file("config"));
    Set("XDG_DATA_HOME", dir_.file("data"));
    Set("XDG_DATA_DIRS", dir_.file("data"));
    Set("XDG_CURRENT_DESKTOP", "");
    Set("DESKTOP_SESSION", "");
    Set("PATH", dir_.file("bin") + ":" + qgetenv("PATH").toStdString());
    Handler("navegador", "text/html");
  }
  ~OwnDesktop() {
    for (const auto& [name, value] : saved_) {
      if (value) {
        qputenv(name.c_str(), *value);
      } else {
        qunsetenv(name.c_str());
      }
    }
  }

  // An application for `type`, made its default.
  void Handler(const std::string& name, const std::string& type) {
    std::ofstream(dir_.file("data/applications/" + name + ".desktop"))
        << "[Desktop Entry]\nType=Application\nName=" << name << "\nExec=" << name
        << " %f\nMimeType=" << type << ";\n";
    defaults_ += type + "=" + name + ".desktop\n";
    std::ofstream(dir_.file("config/mimeapps.list")) << "[Default Applications]\n" << defaults_;
  }

  // What xdg-open was asked to open, waiting a little for the detached process.
  std::string Opened() {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!std::filesystem::exists(dir_.file("opened")) &&
           std::chrono::steady_clock::now() < deadline) {
      QThread::msleep(20);
    }
    QThread::msleep(100);
    return testing_support::ReadBytes(dir_.file("opened"));
  }
  void Forget() { std::filesystem::remove(dir_.file("opened")); }

 private:
  void Set(const char* name, const std::string& value) {
    if (!saved_.count(name)) {
      saved_[name] = qEnvironmentVariableIsSet(name) ? std::optional(qgetenv(name)) : std::nullopt;
    }
    qputenv(name, QByteArray::fromStdString(value));
  }

  testing_support::TempDir dir_;
  std::string defaults_;
  std::map<std::string, std::optional<QByteArray>> saved_;
};

TEST(ShellOpenTest, HelpOpensItsPagesWhenNoApplicationOpensTheChmType) {
  testing_support::TempDir program;
  OwnDesktop desktop_folders;
  ui::QtDesktopServices desktop;
  const auto help = [&] {
    return frontend::OpenHelp(program.folder(), [&](const std::string& path) {
      return desktop.OpenFile(nullptr, QString::fromStdString(path));
    });
  };
  // No PRXAuto.chm: told as missing, nothing opened.
  std::filesystem::create_directory(program.path() / "ajuda");
  std::ofstream(program.file("ajuda/index.html")) << "<html></html>";
  EXPECT_EQ(help(), frontend::kShellFileNotFound);

  std::ofstream(program.file("PRXAuto.chm")) << "ITSF";
  EXPECT_EQ(help(), frontend::kShellOpened);
  EXPECT_EQ(desktop_folders.Opened(), program.file("ajuda/index.html") + "\n");

  desktop_folders.Forget();
  desktop_folders.Handler("leitor-chm", "application/vnd.ms-htmlhelp");
  EXPECT_EQ(help(), frontend::kShellOpened);
  EXPECT_EQ(desktop_folders.Opened(), program.file("PRXAuto.chm") + "\n");
}

}  // namespace
