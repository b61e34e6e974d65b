// Sheets read back by openpyxl: how wide each column opens, and number cells.
#include "outputs/xlsx_workbook.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <string>
#include <utility>

#include "support/temp_dir.h"
#include "support/xlsx_dump.h"

#ifndef _WIN32
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#endif

namespace outputs {
namespace {

// Each column against the text its first row gets: the widest of the header (with room for its
// filter button), the declared width and the text, at most 60 unless whole; a further part of a
// sheet measures its own rows; UTF-8 texts count characters, not bytes.
TEST(XlsxWorkbookTest, ColumnsOpenAsWideAsTheirTextsWithinTheCapUnlessWhole) {
#ifdef _WIN32
  GTEST_SKIP() << "workbooks are read back under Wine by scripts/wine-tests.sh";
#endif
  if (!XlsxAvailable()) GTEST_SKIP() << "this build writes no workbooks";
  struct Case {
    SheetColumn column;
    std::string text;
    int width;
  };
  const std::string wide(75, 'x');
  const std::vector<Case> cases = {
      {{"a"}, "12345", 5},
      {{"texto"}, wide, 60},
      {{"apolice", 0, true}, wide, 75},
      {{"campo", 30}, "ab", 30},
      {{"cabecalho_longo"}, "ab", 17},
      {{"largo", 80}, "", 60},
      {{"acentos"}, "\xE7\xE3o\xE7\xE3o\xE7\xE3o\xE7\xE3o", 12},  // Windows-1252: a byte each
  };
  testing_support::TempDir dir;
  const std::string path = dir.file("larguras.xlsx");
  {
    XlsxWorkbook book(path, XlsxWorkbook::Texts::kWindows1252, 3);  // a header and two rows
    std::vector<SheetColumn> columns;
    std::vector<SheetCell> first;
    std::vector<SheetCell> later;
    for (const Case& c : cases) {
      columns.push_back(c.column);
      first.push_back({c.text});
      later.push_back({"ab"});
    }
    const std::size_t data = book.AddSizedSheet("dados", columns);
    book.Row(data, first.data(), first.size());
    book.Row(data, later.data(), later.size());
    book.Row(data, later.data(), later.size());  // in "dados (2)"
    const std::size_t plain = book.AddPlainSheet("Resumo", XlsxWorkbook::Texts::kUtf8);
    const std::vector<SheetCell> row = {{"ação ação ação"}, {"7.125", true}};
    book.Row(plain, row.data(), row.size(), /*heading=*/true);
    ASSERT_TRUE(book.Finish()) << book.ErrorText();
  }
  const auto sheets = testing_support::XlsxSheets(testing_support::XlsxDump(path, true));
  ASSERT_EQ(sheets.size(), 3u);
  const auto widths = testing_support::XlsxWidths(sheets[0].second.at(0));
  for (std::size_t i = 0; i < cases.size(); ++i) {
    const std::string letter(1, static_cast<char>('A' + i));
    SCOPED_TRACE(letter);
    EXPECT_EQ(widths.count(letter) ? widths.at(letter) : -1, cases[i].width);
  }
  const auto continued = testing_support::XlsxWidths(sheets[1].second.at(0));
  EXPECT_EQ(sheets[1].first, "dados (2)");
  EXPECT_EQ(continued.at("B"), 7);  // "texto" and its button: the long text was in "dados"
  EXPECT_EQ(testing_support::XlsxWidths(sheets[2].second.at(0)),
            (std::map<std::string, int>{{"A", 14}, {"B", 5}}));

  const auto rows = testing_support::XlsxSheets(testing_support::XlsxDump(path));
  EXPECT_EQ(rows[2].second, std::vector<std::string>{"s:ação ação ação\tn:7.125"});
}

// Texts read back as they were given: a literal "_xHHHH_" stays literal, a control character and a
// NUL come back, bytes that are not UTF-8 read as U+FFFD, and a text past a cell's 32,767
// characters is cut with "…" and counted, never a failed workbook.
TEST(XlsxWorkbookTest, TextsReadBackAsGivenAndTheLongestAreCut) {
#ifdef _WIN32
  GTEST_SKIP() << "workbooks are read back under Wine by scripts/wine-tests.sh";
#endif
  if (!XlsxAvailable()) GTEST_SKIP() << "this build writes no workbooks";
  const std::string long_text(40000, 'a');
  const std::string astral_text = std::string(32766, 'b') + "\xF0\x9F\x98\x80";  // 32,768 units
  const std::pair<std::string, std::string> cases[] = {
      {"_x0041_", "_x0041_"},
      {"a_x005F_b_x00e9_", "a_x005F_b_x00e9_"},
      {"_X0041_ _x00G1_ _x004", "_X0041_ _x00G1_ _x004"},
      {"a\x01z\x1F", "a\x01z\x1F"},
      {std::string("n\0l", 3), std::string("n\0l", 3)},
      {"caf\xE9 \xED\xA0\x80", "caf\xEF\xBF\xBD \xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD"},
      {long_text, std::string(32766, 'a') + "…"},
      {astral_text, std::string(32766, 'b') + "…"},
  };
  testing_support::TempDir dir;
  const std::string path = dir.file("textos.xlsx");
  {
    XlsxWorkbook book(path, XlsxWorkbook::Texts::kUtf8);
    const std::size_t sheet = book.AddSheet("textos", {"texto"});
    for (const auto& [given, read] : cases) {
      const SheetCell cell{given};
      book.Row(sheet, &cell, 1);
    }
    ASSERT_TRUE(book.Finish()) << book.ErrorText();
    EXPECT_EQ(book.CutTexts(), 2u);
  }
  const auto sheets = testing_support::XlsxSheets(testing_support::XlsxDump(path));
  ASSERT_EQ(sheets.size(), 1u);
  ASSERT_EQ(sheets[0].second.size(), std::size(cases) + 1);
  for (std::size_t i = 0; i < std::size(cases); ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(sheets[0].second[i + 1], "s:" + cases[i].second);
  }
}

#ifndef _WIN32
// The status of `body` in a child process whose files may not grow past `max_bytes` (the
// library's temporary files included): a write past it fails with EFBIG.
int WithFileLimit(rlim_t max_bytes, const std::function<int()>& body) {
  std::fflush(nullptr);
  const pid_t child = fork();
  if (child == 0) {
    signal(SIGXFSZ, SIG_IGN);
    const rlimit limit{max_bytes, max_bytes};
    setrlimit(RLIMIT_FSIZE, &limit);
    _exit(body());
  }
  int status = 0;
  waitpid(child, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// A workbook whose scratch file could not be written (a full temporary folder) is a failed
// workbook with that reason, and one whose archive could not be written whole a failed one too:
// never a success with empty or cut parts. The texts hardly compress, so the scratch file grows.
TEST(XlsxWorkbookTest, AFailedTemporaryFileFailsTheWorkbook) {
  if (!XlsxAvailable()) GTEST_SKIP() << "this build writes no workbooks";
  testing_support::TempDir dir;
  const std::string path = dir.file("linhas.xlsx");
  const auto write = [&] {
    XlsxWorkbook book(path, XlsxWorkbook::Texts::kUtf8);
    const std::size_t sheet = book.AddSheet("linhas", {"texto"});
    std::uint32_t seed = 1;
    std::string text(100, 'x');
    for (int i = 0; i < 3000; ++i) {
      for (char& c : text) {
        seed = seed * 1103515245u + 12345u;
        c = static_cast<char>('a' + (seed >> 16) % 26);
      }
      const SheetCell cell{text};
      book.Row(sheet, &cell, 1);
    }
    const bool written = book.Finish();
    const std::string expected = "os arquivos temporários da planilha em ";
    const std::string error = book.ErrorText();
    if (!written && error.find(expected) != std::string::npos &&
        error.find(" não puderam ser gravados") != std::string::npos) {
      return 3;
    }
    return written ? 0 : 4;
  };
  ASSERT_EQ(WithFileLimit(RLIM_INFINITY, write), 0);
  const auto whole = static_cast<rlim_t>(std::filesystem::file_size(path));
  ASSERT_GT(whole, 150000u);
  // The scratch file alone passes the first limit; it fits the second, but not the archive.
  EXPECT_EQ(WithFileLimit(65536, write), 3);
  EXPECT_NE(WithFileLimit(whole - 10, write), 0);
}
#endif

}  // namespace
}  // namespace outputs
