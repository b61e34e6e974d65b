// Texts between the engine's bytes and the window, the export bytes and the desktop's own
// answers for files that are not there.
#include "ui/message_text.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

#include "support/temp_dir.h"
#include "ui/desktop_services.h"
#include "ui/report_export.h"
#include "ui/shell_messages.h"

namespace {

TEST(MessageTextTest, ErrorBoxAddsThePeriodOnlyAfterCharactersSortingAfterIt) {
  struct Case {
    std::string message;
    QString shown;
  };
  const Case cases[] = {
      {"TMarlSmartDBF.InternalOpen: Open error \"/d/r.dbf\"",
       "TMarlSmartDBF.InternalOpen: Open error \"/d/r.dbf\""},
      {"tbDados: Field 'cod_seg' not found", "tbDados: Field 'cod_seg' not found."},
      {"TMarlSmartDBF.InternalOpen: BufferSize too small!",
       "TMarlSmartDBF.InternalOpen: BufferSize too small!"},
      {"List index out of bounds (3)", "List index out of bounds (3)"},
      {"Already ends with a period.", "Already ends with a period."},
      {"Sem permiss\xE3o", QString::fromUtf8("Sem permissão.")},
      {"/tmp/a\xC3\xA7\xC3\xBA"
       "car",
       QString::fromUtf8("/tmp/açúcar.")},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.message);
    EXPECT_EQ(ui::ErrorBoxMessage(c.message), c.shown);
  }
}

TEST(MessageTextTest, MessagesDecodeAsWindows1252UnlessTheyAreUtf8) {
  EXPECT_EQ(ui::DecodeMessage("Data Inv\xE1lida : 20230231 "),
            QString::fromUtf8("Data Inválida : 20230231 "));
  EXPECT_EQ(ui::DecodeMessage("Open error \"/d/s\xC3\xA3o.dbf\""),
            QString::fromUtf8("Open error \"/d/são.dbf\""));
  EXPECT_EQ(ui::DecodeMessage("\x80\x9C"), QString::fromUtf8("€œ"));
}

TEST(MessageTextTest, DisplayLinesStayOneLine) {
  EXPECT_EQ(ui::DisplayLine("N\xFAmero de registros"), QString::fromUtf8("Número de registros"));
  EXPECT_EQ(ui::DisplayLine("a\rb\nc"), "a b c");
  EXPECT_EQ(ui::DisplayLine(""), "");
}

TEST(ReportExportTest, EveryLineEndsWithCrLfAndKeepsItsBytes) {
  EXPECT_EQ(ui::ExportBytes({}), "");
  EXPECT_EQ(ui::ExportBytes({""}), "\r\n");
  EXPECT_EQ(ui::ExportBytes({"In\xED"
                             "cio",
                             "", "a\rb"}),
            "In\xED"
            "cio\r\n\r\na\rb\r\n");
}

TEST(ReportExportTest, WriteReplacesAnExistingFileAndReportsFailures) {
  testing_support::TempDir dir;
  const std::string path = dir.file("r.txt");
  { std::ofstream(path) << "a much longer previous content"; }
  EXPECT_EQ(ui::WriteReport(QString::fromStdString(path), {"x\xE7"}), QString());
  std::ifstream in(path, std::ios::binary);
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), "x\xE7\r\n");

  const QString dir_path = QString::fromStdString(dir.folder().substr(0, dir.folder().size() - 1));
  EXPECT_EQ(ui::WriteReport(dir_path, {"x"}),
            "Cannot create file \"" + dir_path + "\". Is a directory");
}

TEST(ShellOpenTest, MissingFilesAreReportedWithoutAskingTheDesktop) {
  testing_support::TempDir dir;
  ui::QtDesktopServices desktop;
  EXPECT_EQ(desktop.OpenFile(nullptr, QString::fromStdString(dir.file("PRXAuto.chm"))),
            ui::kShellFileNotFound);
  EXPECT_EQ(desktop.OpenFile(nullptr, QString::fromStdString(dir.file("nao/PRXAuto.chm"))),
            ui::kShellPathNotFound);
  EXPECT_EQ(ui::ShellMessage(ui::kShellFileNotFound), "The specified file was not found.");
  EXPECT_EQ(ui::ShellMessage(ui::kShellPathNotFound), "The specified path was not found.");
  EXPECT_EQ(ui::ShellMessage(ui::kShellNoAssociation),
            "There is no application associated with the given filename extension.");
  for (int code : {0, 1, 4, 6, 7, 9, 10, 12, 25, 33, 42}) {
    EXPECT_TRUE(ui::ShellMessage(code).empty()) << code;
  }
}

}  // namespace
