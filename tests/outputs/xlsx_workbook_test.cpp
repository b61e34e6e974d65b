// Sheets read back by openpyxl: how wide each column opens, and number cells.
#include "outputs/xlsx_workbook.h"

#include <gtest/gtest.h>

#include "support/temp_dir.h"
#include "support/xlsx_dump.h"

namespace engine {
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

}  // namespace
}  // namespace engine
