// Texts between the engine's bytes and the windows, the export bytes and the shell's messages.
#include "frontend/message_text.h"

#include <gtest/gtest.h>

#include <fstream>

#include "frontend/failure_list_error.h"
#include "frontend/report_export.h"
#include "frontend/shell_messages.h"
#include "platform/exclusive_file.h"
#include "support/file_bytes.h"
#include "support/temp_dir.h"

namespace {

TEST(MessageTextTest, ErrorBoxAddsThePeriodOnlyAfterCharactersSortingAfterIt) {
  struct Case {
    std::string message;
    std::string shown;
  };
  const Case cases[] = {
      {"TMarlSmartDBF.InternalOpen: Open error \"/d/r.dbf\"",
       "TMarlSmartDBF.InternalOpen: Open error \"/d/r.dbf\""},
      {"tbDados: Field 'cod_seg' not found", "tbDados: Field 'cod_seg' not found."},
      {"TMarlSmartDBF.InternalOpen: BufferSize too small!",
       "TMarlSmartDBF.InternalOpen: BufferSize too small!"},
      {"List index out of bounds (3)", "List index out of bounds (3)"},
      {"Already ends with a period.", "Already ends with a period."},
      {"Sem permiss\xE3o", "Sem permissão."},
      {"/tmp/a\xC3\xA7\xC3\xBA"
       "car",
       "/tmp/açúcar."},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.message);
    EXPECT_EQ(frontend::ErrorBoxMessage(c.message), c.shown);
  }
}

TEST(MessageTextTest, MessagesDecodeAsWindows1252UnlessTheyAreUtf8) {
  EXPECT_EQ(frontend::DecodeMessage("Data Inv\xE1lida : 20230231 "), "Data Inválida : 20230231 ");
  EXPECT_EQ(frontend::DecodeMessage("Open error \"/d/s\xC3\xA3o.dbf\""),
            "Open error \"/d/são.dbf\"");
  EXPECT_EQ(frontend::DecodeMessage("\x80\x9C"), "€œ");
  // Overlong forms, surrogates and cut sequences are not UTF-8: read as Windows-1252.
  EXPECT_EQ(frontend::DecodeMessage("\xC0\xAF"), "À¯");
  EXPECT_EQ(frontend::DecodeMessage("\xED\xA0\x80"), "í\xC2\xA0€");
  EXPECT_EQ(frontend::DecodeMessage("a\xC3"), "aÃ");
  EXPECT_TRUE(frontend::IsUtf8("\xF0\x9F\x98\x80"));
  EXPECT_FALSE(frontend::IsUtf8("\xF4\x90\x80\x80"));  // above U+10FFFF
}

// A typed path (UTF-8) inside a message of Windows-1252 bytes reads as typed; a character that
// code page lacks shows as "?", never as the bytes of another.
TEST(MessageTextTest, APathInsideAWindows1252MessageReadsAsTyped) {
  const auto shown = [](const std::string& path) {
    try {
      frontend::ThrowCannotRead(path);
    } catch (const frontend::FailureListError& error) {
      return frontend::DecodeMessage(error.what());
    }
    return std::string();
  };
  EXPECT_EQ(shown("C:\\Área de Trabalho\\falhas.csv"),
            "Não foi possível ler a lista de falhas C:\\Área de Trabalho\\falhas.csv");
  EXPECT_EQ(shown("C:\\リスク\\falhas.csv"),
            "Não foi possível ler a lista de falhas C:\\???\\falhas.csv");
}

TEST(MessageTextTest, DisplayLinesStayOneLine) {
  EXPECT_EQ(frontend::DisplayLine("N\xFAmero de registros"), "Número de registros");
  EXPECT_EQ(frontend::DisplayLine("a\rb\nc"), "a b c");
  EXPECT_EQ(frontend::DisplayLine(""), "");
}

TEST(ReportExportTest, EveryLineEndsWithCrLfAndKeepsItsBytes) {
  EXPECT_EQ(frontend::ExportBytes({}), "");
  EXPECT_EQ(frontend::ExportBytes({""}), "\r\n");
  EXPECT_EQ(frontend::ExportBytes({"In\xED"
                                   "cio",
                                   "", "a\rb"}),
            "In\xED"
            "cio\r\n\r\na\rb\r\n");
}

TEST(ReportExportTest, WriteReplacesAnExistingFileAndReportsFailures) {
  testing_support::TempDir dir;
  const std::string path = dir.file("r.txt");
  { std::ofstream(path) << "a much longer previous content"; }
  EXPECT_EQ(frontend::WriteReport(path, {"x\xE7"}), "");
  EXPECT_EQ(testing_support::ReadBytes(path), "x\xE7\r\n");

  const std::string missing = (dir.path() / "nao" / "r.txt").string();
  // The cause in the system's words.
#ifdef _WIN32
  const std::string cause = platform::SystemErrorText(3);  // ERROR_PATH_NOT_FOUND
#else
  const std::string cause = "No such file or directory";
#endif
  EXPECT_EQ(frontend::WriteReport(missing, {"x"}),
            "Cannot create file \"" + missing + "\". " + cause);
}

TEST(ShellMessagesTest, OnlyTheListedCodesHaveAMessage) {
  EXPECT_EQ(frontend::ShellMessage(frontend::kShellFileNotFound),
            "The specified file was not found.");
  EXPECT_EQ(frontend::ShellMessage(frontend::kShellPathNotFound),
            "The specified path was not found.");
  EXPECT_EQ(frontend::ShellMessage(frontend::kShellNoAssociation),
            "There is no application associated with the given filename extension.");
  for (int code : {0, 1, 4, 6, 7, 9, 10, 12, 25, 33, 42}) {
    EXPECT_TRUE(frontend::ShellMessage(code).empty()) << code;
  }
}

}  // namespace
