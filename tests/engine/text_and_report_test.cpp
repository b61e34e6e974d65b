#include <gtest/gtest.h>

#include "engine/regional.h"
#include "engine/report.h"
#include "engine/text.h"

namespace engine {
namespace {

TEST(TextTest, TrimmedRemovesBlanksAndControlsButKeepsAccents) {
  EXPECT_EQ(Trimmed("  \t AUTOMOVEL \r\n\x01"), "AUTOMOVEL");
  EXPECT_EQ(Trimmed("\xE9"
                    "t\xE9 "),
            "\xE9"
            "t\xE9");  // bytes above 127 are letters, not blanks
  EXPECT_EQ(Trimmed("   "), "");
  EXPECT_EQ(TrimmedRight("  2023  "), "  2023");
}

TEST(TextTest, PaddingNeverCuts) {
  EXPECT_EQ(PaddedTo("AUTO", 10), "AUTO      ");
  EXPECT_EQ(PaddedTo("12345678901", 10), "12345678901");
  EXPECT_EQ(PaddedTo("", 3), "   ");
}

TEST(TextTest, Windows1252RoundTripsThroughUtf8) {
  const std::string ansi =
      "In\xED"
      "cio \x80 \x93x\x94 \xE3\xE7";
  EXPECT_EQ(Win1252ToUtf8(ansi), "Início € “x” ãç");
  EXPECT_EQ(Utf8ToWin1252("Início € “x” ãç"), ansi);
  EXPECT_EQ(Ansi("Número"), "N\xFAmero");
  EXPECT_EQ(Utf8ToWin1252("日本"), "??");
  EXPECT_EQ(Utf8ToWin1252("a\xC3"), "a?");  // a truncated sequence
  for (int b = 0; b < 256; ++b) {
    const std::string one(1, static_cast<char>(b));
    EXPECT_EQ(Utf8ToWin1252(Win1252ToUtf8(one)), one) << b;
  }
}

TEST(ReportTest, ErrorBoxAddsAPeriodOnlyAfterCharactersSortingAfterIt) {
  EXPECT_EQ(ErrorBoxText("TMarlSmartDBF.InternalOpen: Open error \"/x/riscos.dbf\""),
            "TMarlSmartDBF.InternalOpen: Open error \"/x/riscos.dbf\"");
  EXPECT_EQ(ErrorBoxText("TMarlSmartDBF.InternalOpen: File \"a.txt\" is not DBF file"),
            "TMarlSmartDBF.InternalOpen: File \"a.txt\" is not DBF file.");
  EXPECT_EQ(ErrorBoxText("BufferSize too small!"), "BufferSize too small!");
  EXPECT_EQ(ErrorBoxText("List index out of bounds (3)"), "List index out of bounds (3)");
  EXPECT_EQ(ErrorBoxText("ends with a period."), "ends with a period.");
  EXPECT_EQ(ErrorBoxText("version 2"), "version 2.");  // digits sort after "."
  EXPECT_EQ(ErrorBoxText(""), "");
  EXPECT_EQ(kRuleLine.size(), 80u);
}

TEST(RegionalTest, TimeStampsFollowThePatternsAndDropMidnight) {
  const platform::LocalDateTime afternoon{2024, 3, 5, 14, 7, 9};
  EXPECT_EQ(TimeStamp(Regional::PtBr(), afternoon), "05/03/2024 14:07:09");
  EXPECT_EQ(TimeStamp(Regional::EnUs(), afternoon), "3/5/2024 2:07:09 PM");
  const platform::LocalDateTime midnight{2024, 12, 31, 0, 0, 0};
  EXPECT_EQ(TimeStamp(Regional::PtBr(), midnight), "31/12/2024");
  EXPECT_EQ(TimeStamp(Regional::EnUs(), {2024, 1, 2, 0, 0, 1}), "1/2/2024 12:00:01 AM");
  EXPECT_EQ(FormatDateTime("yy-M-d 'h' hh t", {2009, 7, 4, 23, 5, 6}), "09-7-4 h 11 P");
}

TEST(RegionalTest, NamedSettings) {
  Regional r;
  ASSERT_TRUE(Regional::FromName("en_US", &r));
  EXPECT_EQ(r.decimal_separator, '.');
  EXPECT_EQ(r.thousands_separator, ',');
  ASSERT_TRUE(Regional::FromName("pt_BR", &r));
  EXPECT_EQ(r.decimal_separator, ',');
  EXPECT_TRUE(Regional::FromName("sistema", &r));
  EXPECT_FALSE(Regional::FromName("fr_FR", &r));
}

}  // namespace
}  // namespace engine
