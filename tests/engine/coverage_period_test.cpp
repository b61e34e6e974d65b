#include "engine/coverage_period.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/recording_host.h"

namespace engine {
namespace {

TEST(CoveragePeriodTest, BoundsAppendFirstAndLastDayAfterTrailingBlanks) {
  struct Case {
    std::string inivig, fimvig, start, end;
  };
  const std::vector<Case> cases = {
      {"202301", "202306", "20230101", "20230631"},
      {"202301  ", "202306    ", "20230101", "20230631"},
      // Only trailing blanks go: a leading blank stays and makes the bound sort low.
      {" 202301", "202302", " 20230101", "20230231"},
      {"      ", "", "01", "31"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE("INIVIG '" + c.inivig + "' FIMVIG '" + c.fimvig + "'");
    const CoveragePeriod period = PeriodBounds(c.inivig, c.fimvig);
    EXPECT_EQ(period.start, c.start);
    EXPECT_EQ(period.end, c.end);
  }
}

TEST(CoveragePeriodTest, RiskInPeriodComparesTextBetweenBounds) {
  const CoveragePeriod period = PeriodBounds("202301", "202306");
  struct Case {
    std::string data_emis;
    bool in_period;
  };
  const std::vector<Case> cases = {
      {"20230101", true},   {"20230630", true},  {"20230631", true},  {"20230215", true},
      {"20230701", false},  {"20221231", false}, {"        ", false}, {"2023063", true},
      {"202306311", false}, {"2023010", false},  {"", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE("DATA_EMIS '" + c.data_emis + "'");
    EXPECT_EQ(RiskInPeriod(DateText(c.data_emis), period), c.in_period);
    EXPECT_EQ(ClaimInPeriod(DateText(c.data_emis), period), c.in_period);
  }
  EXPECT_FALSE(RiskInPeriod(std::nullopt, period));
  EXPECT_FALSE(ClaimInPeriod(std::nullopt, period));
}

TEST(CoveragePeriodTest, CoverageInvertedWhenStartSortsAfterEnd) {
  struct Case {
    DateText inicio, fim;
    bool inverted;
  };
  const std::vector<Case> cases = {
      {"20230101", "20230101", false},
      {"20230102", "20230101", true},
      {"20230101", "20240101", false},
      {"20230101", "        ", true},  // a blank sorts below a digit
      {"        ", "20230101", false},
      {"        ", "        ", false},
      {"20230101", std::nullopt, true},  // null sorts below any text
      {std::nullopt, std::nullopt, false},
      {"2023010", "20230101", false},  // a prefix sorts first
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.inicio.value_or("<null>")) + " / " +
                 std::string(c.fim.value_or("<null>")));
    EXPECT_EQ(CoverageInverted(c.inicio, c.fim), c.inverted);
  }
}

TEST(CoveragePeriodTest, ComparisonIsByUnsignedByteCode) {
  // 0xE9 sorts after every ASCII digit and letter, whatever the sign of char.
  EXPECT_GT(CompareDates(DateText("2023\xE9"), DateText("20239")), 0);
  EXPECT_TRUE(CoverageInverted(DateText("\xE9"), DateText("z")));
  EXPECT_LT(CompareDates(DateText("Z"), DateText("a")), 0);  // no case folding
  EXPECT_LT(CompareDates(std::nullopt, DateText("")), 0);
  EXPECT_EQ(CompareDates(std::nullopt, std::nullopt), 0);
  EXPECT_TRUE(RiskIsDated(DateText("        ")));
  EXPECT_FALSE(RiskIsDated(std::nullopt));
}

TEST(CoveragePeriodTest, InvertedBlockHasTwoDifferentBannersAndAnEmptyLine) {
  testing_support::RecordingHost host;
  WriteInvertedCoverageBlock(host, 3);
  const std::vector<std::string> expected = {
      "*********** ESTE ERRO INVIABILIZA O ACEITE DOS DADOS  ***********",
      "Existem 3 Riscos com data de fim de vig\xEAncia anterior ao in\xED"
      "cio",
      "*********** ESTE ERRO INVIABILIZA O ACEITE DOS DADOS ***********",
      "",
  };
  EXPECT_EQ(host.lines, expected);
  ASSERT_EQ(host.lines.size(), 4u);
  EXPECT_EQ(host.lines[0].size(), 65u);
  EXPECT_EQ(host.lines[2].size(), 64u);

  host.lines.clear();
  WriteInvertedCoverageBlock(host, 0);  // not even the empty line
  EXPECT_TRUE(host.lines.empty());
  WriteInvertedCoverageBlock(host, 1234567);
  ASSERT_EQ(host.lines.size(), 4u);
  EXPECT_EQ(host.lines[1],
            "Existem 1234567 Riscos com data de fim de vig\xEAncia anterior ao in\xED"
            "cio");
}

}  // namespace
}  // namespace engine
