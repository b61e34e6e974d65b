#include "engine/table_summary.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/rule_catalog.h"
#include "support/catalog_files.h"
#include "support/phase_test.h"
#include "support/recording_host.h"
#include "support/temp_dir.h"

namespace {

using testing_support::RuleRow;
using Lines = std::vector<std::string>;

const std::string kRule(80, '=');
const std::string kHeader =
    "Tabela              Campo               ErroNulo  %         ErroDom   %         ";

RuleRow SummaryRule(std::string tabela, std::string campo, int ordem) {
  RuleRow r;
  r.tabela = std::move(tabela);
  r.campo = std::move(campo);
  r.ordem = ordem;
  r.tamanho = 5;
  return r;
}

class TableSummaryTest : public testing_support::PhaseTest {
 protected:
  ~TableSummaryTest() override { tables_.CloseReaders(); }

  // RISCOS (table 1): COD_SEG, APOLICE, ITEM; SINISTROS (table 2): COD_SEG, EVENTO. The rows are
  // written out of position order to show that the summary follows the positions.
  void LoadCatalog(const std::string& risks_name = "RISCOS") {
    testing_support::WriteTabelas(
        dir_.file("tabelas.dbf"),
        {SummaryRule(risks_name, "APOLICE", 2), SummaryRule(risks_name, "COD_SEG  ", 1),
         SummaryRule(risks_name, "ITEM", 3), SummaryRule("SINISTROS", "COD_SEG", 1),
         SummaryRule("SINISTROS", "EVENTO", 2)});
    testing_support::WriteAnexos(dir_.file("anexos.dbf"), {});
    engine::LoadRuleCatalog(ctx_);
  }

  void SetCounters(int tabela, int ordem, int erro_nulo, int erro_dom) {
    tables::MemTable& rules = tables_.zelEstrutTab;
    ASSERT_TRUE(
        rules.FindKey({tables::FieldValue::Int32(tabela), tables::FieldValue::Int32(ordem)}));
    rules.Edit();
    rules.SetField("erroNulo", tables::FieldValue::Int32(erro_nulo));
    rules.SetField("erroDom", tables::FieldValue::Int32(erro_dom));
    rules.Post();
  }

  Lines Summary(int numTabela, const std::string& nomeTabela, std::int32_t numRegistros) {
    host_.lines.clear();
    state_.numTabela = numTabela;
    state_.nomeTabela = nomeTabela;
    state_.numRegistros = numRegistros;
    engine::WriteTableSummary(ctx_);
    return host_.lines;
  }
};

TEST_F(TableSummaryTest, WritesTheBlockCharacterForCharacter) {
  LoadCatalog();
  SetCounters(1, 1, 3, 0);
  SetCounters(1, 3, 0, 17);
  const Lines expected = {
      kRule,
      "N\xFAmero de registros 200",
      "",
      kHeader,
      "RISCOS              COD_SEG             3         1,50%     0         0,00%     ",
      "RISCOS              APOLICE             0         0,00%     0         0,00%     ",
      "RISCOS              ITEM                0         0,00%     17        8,50%     ",
      "",
  };
  EXPECT_EQ(Summary(1, "RISCOS              ", 200), expected);
  for (const auto& line : expected) {
    if (!line.empty() && line != expected[1]) {
      EXPECT_EQ(line.size(), 80u) << line;
    }
  }
}

TEST_F(TableSummaryTest, RoundsPercentagesHalfAwayFromZeroInTheRegionalStyle) {
  struct Case {
    std::string what;
    std::int32_t records;
    int erro_nulo;
    int erro_dom;
    engine::Regional regional;
    std::string line;
  };
  const engine::Regional pt = engine::Regional::PtBr();
  const engine::Regional en = engine::Regional::EnUs();
  const std::vector<Case> cases = {
      {"1 in 800", 800, 1, 0, pt,
       "SINISTROS           EVENTO              1         0,13%     0         0,00%     "},
      {"1 and 2 in 3", 3, 1, 2, pt,
       "SINISTROS           EVENTO              1         33,33%    2         66,67%    "},
      {"every record three times", 3, 3, 9, pt,
       "SINISTROS           EVENTO              3         100,00%   9         300,00%   "},
      {"full stop as decimal separator", 3, 1, 2, en,
       "SINISTROS           EVENTO              1         33.33%    2         66.67%    "},
      {"1 in 800, full stop", 800, 1, 0, en,
       "SINISTROS           EVENTO              1         0.13%     0         0.00%     "},
  };
  LoadCatalog();
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    regional_ = c.regional;
    SetCounters(2, 2, c.erro_nulo, c.erro_dom);
    const Lines lines = Summary(2, "SINISTROS           ", c.records);
    ASSERT_EQ(lines.size(), 7u);
    EXPECT_EQ(lines[1], "N\xFAmero de registros " + std::to_string(c.records));
    const std::string zero = c.regional.decimal_separator == ',' ? "0,00%" : "0.00%";
    EXPECT_EQ(lines[4], "SINISTROS           COD_SEG             0         " + zero +
                            "     0         " + zero + "     ");
    EXPECT_EQ(lines[5], c.line);
  }
}

TEST_F(TableSummaryTest, LongTextsPushTheFollowingColumnsRight) {
  LoadCatalog("ABCDEFGHIJKLMNOPQRST");
  SetCounters(1, 1, 1234567890, 0);
  const Lines lines = Summary(1, "ABCDEFGHIJKLMNOPQRST", 1);
  ASSERT_EQ(lines.size(), 8u);
  // A name of exactly 20 characters is followed directly by the field name; a count of 10
  // digits and its percentage take their whole columns and more.
  EXPECT_EQ(lines[4],
            "ABCDEFGHIJKLMNOPQRSTCOD_SEG             1234567890123.456.789.000,00%0         "
            "0,00%     ");
  EXPECT_EQ(lines[5],
            "ABCDEFGHIJKLMNOPQRSTAPOLICE             0         0,00%     0         0,00%     ");
}

TEST_F(TableSummaryTest, FileWithoutRecordsWritesNoRuleLines) {
  LoadCatalog();
  SetCounters(1, 1, 5, 5);
  EXPECT_EQ(Summary(1, "RISCOS              ", 0),
            (Lines{kRule, "N\xFAmero de registros 0", "", kHeader, "", "Arquivo sem registros.....",
                   ""}));
}

TEST_F(TableSummaryTest, TableNumberWithoutRuleRowsWritesOnlyTheFrame) {
  LoadCatalog();
  EXPECT_EQ(Summary(3, "RISCOS              ", 10),
            (Lines{kRule, "N\xFAmero de registros 10", "", kHeader, ""}));
}

}  // namespace
