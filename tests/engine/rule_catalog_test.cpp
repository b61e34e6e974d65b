#include "engine/rule_catalog.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/catalog_files.h"
#include "support/phase_test.h"
#include "support/recording_host.h"
#include "support/temp_dir.h"
#include "tables/table_error.h"
#include "tools/dbf_writer.h"

namespace {

using testing_support::DomainRow;
using testing_support::RuleRow;

// The rows of an in-memory table in the order of its current index, each as "v|v|..." with texts
// in quotes (trailing blanks visible) and null as "null".
std::vector<std::string> Rows(tables::MemTable& table, const std::vector<std::string>& columns) {
  std::vector<std::string> out;
  for (table.First(); !table.Eof(); table.Next()) {
    std::string row;
    for (const auto& c : columns) {
      if (!row.empty()) row += "|";
      const tables::FieldValue v = table.GetFieldValue(c);
      if (v.IsNull()) {
        row += "null";
      } else if (v.kind() == tables::FieldValue::Kind::kText) {
        row += "'" + v.text() + "'";
      } else {
        row += v.AsString();
      }
    }
    out.push_back(row);
  }
  return out;
}

RuleRow Rule(std::string tabela, std::string campo, int ordem, int tipo = 1, int tamanho = 5) {
  RuleRow r;
  r.tabela = std::move(tabela);
  r.campo = std::move(campo);
  r.ordem = ordem;
  r.tipo = tipo;
  r.tamanho = tamanho;
  return r;
}

class RuleCatalogTest : public testing_support::PhaseTest {
 protected:
  ~RuleCatalogTest() override { tables_.CloseReaders(); }

  void Load(const std::vector<RuleRow>& rules, const std::vector<DomainRow>& domains) {
    testing_support::WriteTabelas(dir_.file("tabelas.dbf"), rules);
    testing_support::WriteAnexos(dir_.file("anexos.dbf"), domains);
    engine::LoadRuleCatalog(ctx_);
  }

  std::vector<std::string> Tables() { return Rows(tables_.zelTabelas, {"ordem", "tabela"}); }
  std::vector<std::string> Rules() {
    return Rows(tables_.zelEstrutTab, {"tabela", "ordem", "campo"});
  }
  std::vector<std::string> Domains() {
    return Rows(tables_.zelAnexos, {"tabela", "campo", "valor1", "valor2"});
  }
};

TEST_F(RuleCatalogTest, FillsTheThreeTablesWithTheirColumnsAndActiveIndexes) {
  RuleRow cod = Rule("RISCOS", "COD_SEG", 1);
  cod.nulo = 0;
  cod.zerosesq = 1;
  RuleRow cob = Rule("RISCOS", "COBERTURA", 2, 1, 1);
  cob.dominio = 1;
  cob.depende = "MODALIDADE";
  RuleRow premio = Rule("RISCOS", "PRE_CASCO", 3, 3, 0);
  premio.positivo = 1;
  premio.soma = 1;
  RuleRow aviso = Rule("SINISTROS", "D_AVI", 1, 1, 8);
  aviso.data = 1;
  aviso.zeros = 1;
  Load({cod, cob, premio, aviso},
       {{"RISCOS", "COBERTURA", "1", "2"}, {"SINISTROS", "D_AVI", "X", ""}});

  EXPECT_EQ(tables_.zelTabelas.IndexName(), "index1");
  EXPECT_EQ(tables_.zelEstrutTab.IndexName(), "index2");
  EXPECT_EQ(tables_.zelAnexos.IndexName(), "index1");
  EXPECT_EQ(Tables(),
            (std::vector<std::string>{"1|'RISCOS              '", "2|'SINISTROS           '"}));
  // Every column in its place: texts untrimmed at their widths, counters zero, total 0.
  EXPECT_EQ(Rows(tables_.zelEstrutTab, {"tabela", "campo", "depende", "tipo", "tamanho", "dominio",
                                        "nulo", "data", "positivo", "zeros", "erroNulo", "erroDom",
                                        "ordem", "nometab", "zerosesq", "soma", "total"}),
            (std::vector<std::string>{
                "1|'COD_SEG   '|'          '|1|5|0|0|0|0|0|0|0|1|'RISCOS              '|1|0|0",
                "1|'COBERTURA '|'MODALIDADE'|1|1|1|1|0|0|0|0|0|2|'RISCOS              '|0|0|0",
                "1|'PRE_CASCO '|'          '|3|0|0|1|0|1|0|0|0|3|'RISCOS              '|0|1|0",
                "2|'D_AVI     '|'          '|1|8|0|1|1|0|1|0|0|1|'SINISTROS           '|0|0|0"}));
  EXPECT_EQ(Domains(), (std::vector<std::string>{"1|2|'1       '|'2 '", "2|1|'X       '|'  '"}));
  const tables::FieldValue total = [&] {
    tables_.zelEstrutTab.First();
    return tables_.zelEstrutTab.GetFieldValue("total");
  }();
  EXPECT_EQ(total.kind(), tables::FieldValue::Kind::kDouble);
  EXPECT_FALSE(tables_.tbTabelas.IsOpen());
  EXPECT_FALSE(tables_.tbAnexos.IsOpen());
  EXPECT_TRUE(host_.lines.empty());
}

TEST_F(RuleCatalogTest, UsesOnlyRowsWhoseTrimmedLineOfBusinessIsExactlyAutomovel) {
  struct Case {
    std::string ramo;
    bool used;
  };
  const std::vector<Case> cases = {
      {"AUTOMOVEL", true},   {"  AUTOMOVEL  ", true}, {"\tAUTOMOVEL", true},
      {"automovel", false},  {"Automovel", false},    {"AUTOMOVEIS", false},
      {"AUTO MOVEL", false}, {"RE", false},           {"", false}};
  for (const auto& c : cases) {
    SCOPED_TRACE("RAMO '" + c.ramo + "'");
    RuleRow rule = Rule("RISCOS", "COD_SEG", 1);
    rule.ramo = c.ramo;
    DomainRow domain{"RISCOS", "COD_SEG", "01234", "", c.ramo};
    RuleRow other = Rule("SINISTROS", "COD_SEG", 1);  // keeps the catalogue non-empty
    Load({rule, other}, {domain, {"SINISTROS", "COD_SEG", "99999", ""}});
    EXPECT_EQ(Tables().size(), c.used ? 2u : 1u);
    EXPECT_EQ(Rules().size(), c.used ? 2u : 1u);
    EXPECT_EQ(Domains().size(), c.used ? 2u : 1u);
  }
}

TEST_F(RuleCatalogTest, NoRowOfTheLineOfBusinessLeavesEveryTableEmpty) {
  RuleRow rule = Rule("RISCOS", "COD_SEG", 1);
  rule.ramo = "RE";
  Load({rule}, {{"RISCOS", "COD_SEG", "1", "", "RE"}});
  EXPECT_TRUE(Tables().empty());
  EXPECT_TRUE(Rules().empty());
  EXPECT_TRUE(Domains().empty());
}

TEST_F(RuleCatalogTest, NumbersTablesByFirstAppearanceAndFilesRepeatedRunsUnderTheFirstNumber) {
  Load({Rule("SINISTROS", "COD_SEG", 1), Rule("SINISTROS", "APOLICE", 2, 1, 20),
        Rule("RISCOS", "COD_SEG", 1), Rule("RISCOS ", "ITEM", 2, 1, 6),
        Rule("SINISTROS", "ITEM", 3, 1, 6)},
       {{"SINISTROS", "ITEM", "000001", ""}});
  // A name seen again after another table's rows opens a new number (the blank after "RISCOS"
  // is part of the padding, so that row continues RISCOS). Walked by name: the table loop order.
  EXPECT_EQ(Tables(),
            (std::vector<std::string>{"2|'RISCOS              '", "1|'SINISTROS           '",
                                      "3|'SINISTROS           '"}));
  EXPECT_EQ(Rules(),
            (std::vector<std::string>{"1|1|'COD_SEG   '", "1|2|'APOLICE   '", "1|3|'ITEM      '",
                                      "2|1|'COD_SEG   '", "2|2|'ITEM      '"}));
  EXPECT_EQ(Domains(), (std::vector<std::string>{"1|3|'000001  '|'  '"}));
}

TEST_F(RuleCatalogTest, PostalCodeRowsGoUnderField100WhereverCepStands) {
  Load({Rule("RISCOS", "COD_SEG", 1), Rule("RISCOS", "CEP_UTIL", 2, 1, 8),
        Rule("RISCOS", "XCEPX", 3, 1, 8), Rule("RISCOS", "cep_per", 4, 1, 8)},
       {{"RISCOS", "CEP", "01310", ""},
        {"RISCOS", "CEP_UTIL", "04538", ""},
        {"RISCOS", "XCEPX", "20040", ""},
        {"RISCOS", "ZZZZZZZCEP", "30130", ""},
        {"RISCOS", "cep_per", "40010", ""}});
  // "cep" in lower case is no postal-code marker: it is filed under its own position.
  EXPECT_EQ(Domains(), (std::vector<std::string>{"1|4|'40010   '|'  '", "1|100|'01310   '|'  '",
                                                 "1|100|'04538   '|'  '", "1|100|'20040   '|'  '",
                                                 "1|100|'30130   '|'  '"}));
}

TEST_F(RuleCatalogTest, KeepsTheFirstCharactersOfLongTextsUntrimmed) {
  RuleRow rule = Rule("RISCOS", "PERC_BONUS_EXTRA", 1);
  rule.depende = "TIPO_PROD_LONGO";
  Load({rule},
       {{"RISCOS", "PERC_BONUS_OTHER", "ABCDEFGHIJ", "XYZ"}, {"RISCOS", "PERC_BONUS", "A", ""}});
  EXPECT_EQ(Rows(tables_.zelEstrutTab, {"campo", "depende"}),
            (std::vector<std::string>{"'PERC_BONUS'|'TIPO_PROD_'"}));
  // The field is matched by its first 10 characters; VALOR1 keeps 8, VALOR2 keeps 2.
  EXPECT_EQ(Domains(), (std::vector<std::string>{"1|1|'A       '|'  '", "1|1|'ABCDEFGH'|'XY'"}));
}

TEST_F(RuleCatalogTest, LoadsRowsMarkedDeletedLikeTheOthers) {
  RuleRow deleted_rule = Rule("RISCOS", "APOLICE", 2, 1, 20);
  deleted_rule.deleted = true;
  DomainRow deleted_domain{"RISCOS", "APOLICE", "X", ""};
  deleted_domain.deleted = true;
  Load({Rule("RISCOS", "COD_SEG", 1), deleted_rule}, {deleted_domain});
  EXPECT_EQ(Rules(), (std::vector<std::string>{"1|1|'COD_SEG   '", "1|2|'APOLICE   '"}));
  EXPECT_EQ(Domains(), (std::vector<std::string>{"1|2|'X       '|'  '"}));
}

TEST_F(RuleCatalogTest, SkipsDomainRowsOfUnknownTablesOrFields) {
  Load({Rule("RISCOS", "COD_SEG", 1), Rule("RISCOS", "SEXO", 2, 1, 1),
        Rule("SINISTROS", "COD_SEG", 1), Rule("SINISTROS", "EVENTO", 2, 1, 1)},
       {{"SINISTROS", "EVENTO", "1", ""},
        {"PREMIOS", "EVENTO", "2", ""},      // no such table
        {"SINISTROS", "CAUSA", "3", ""},     // no such field in the table
        {"RISCOS", "EVENTO", "4", ""},       // a field of the other table
        {"RISCOS ", "SEXO", "M", ""},        // the same 20 characters once padded
        {"RISCOS", "SEXO      X", "F", ""},  // matched by the first 10 characters
        {"PREMIOS", "CEP", "01310", ""}});   // postal-code row of an unknown table
  EXPECT_EQ(Domains(), (std::vector<std::string>{"1|2|'F       '|'  '", "1|2|'M       '|'  '",
                                                 "2|2|'1       '|'  '"}));
}

TEST_F(RuleCatalogTest, ReadsColumnsByNameWhateverTheirOrderOrCase) {
  const std::vector<tools::DbfFieldSpec> layout = {
      {"soma", 'N', 1},    {"ordem", 'N', 5},    {"Campo", 'C', 30}, {"zerosesq", 'N', 1},
      {"TIPO", 'N', 5},    {"tamanho", 'N', 5},  {"EXTRA", 'C', 4},  {"tabela", 'C', 20},
      {"dominio", 'N', 1}, {"nulo", 'N', 1},     {"data", 'N', 1},   {"positivo", 'N', 1},
      {"zeros", 'N', 1},   {"depende", 'C', 30}, {"ramo", 'C', 20}};
  tools::DbfBuilder tabelas(layout);
  tabelas.Add({"1", "7", "APOLICE", "1", "1", "20", "zz", "RISCOS", "0", "0", "0", "0", "0", "",
               "AUTOMOVEL"});
  tabelas.Write(dir_.file("tabelas.dbf"));
  tools::DbfBuilder anexos({{"valor2", 'C', 2},
                            {"VALOR1", 'C', 8},
                            {"campo", 'C', 10},
                            {"tabela", 'C', 20},
                            {"Ramo", 'C', 9}});
  anexos.Add({"", "9", "APOLICE", "RISCOS", "AUTOMOVEL"});
  anexos.Write(dir_.file("anexos.dbf"));
  engine::LoadRuleCatalog(ctx_);
  EXPECT_EQ(Rows(tables_.zelEstrutTab, {"tabela", "ordem", "campo", "tamanho", "zerosesq", "soma"}),
            (std::vector<std::string>{"1|7|'APOLICE   '|20|1|1"}));
  EXPECT_EQ(Domains(), (std::vector<std::string>{"1|7|'9       '|'  '"}));
}

TEST_F(RuleCatalogTest, BlankNumericColumnsStayEmpty) {
  tools::DbfBuilder tabelas(testing_support::TabelasLayout());
  tabelas.Add({"AUTOMOVEL", "RISCOS", "COD_SEG", "", "1", "5", "", "", "", "", "", "", "", ""});
  tabelas.Write(dir_.file("tabelas.dbf"));
  testing_support::WriteAnexos(dir_.file("anexos.dbf"), {});
  engine::LoadRuleCatalog(ctx_);
  EXPECT_EQ(Rows(tables_.zelEstrutTab, {"tipo", "tamanho", "nulo", "ordem", "erroNulo"}),
            (std::vector<std::string>{"1|5|null|null|0"}));
}

TEST_F(RuleCatalogTest, MissingColumnOrFileEndsTheLoadWithTheReaderClosed) {
  struct Case {
    std::string what;
    std::vector<tools::DbfFieldSpec> tabelas;
    std::vector<std::string> row;
    bool write_anexos;
    std::string message;
  };
  std::vector<tools::DbfFieldSpec> no_soma = testing_support::TabelasLayout();
  no_soma.pop_back();
  const std::vector<Case> cases = {
      {"column",
       no_soma,
       {"AUTOMOVEL", "RISCOS", "COD_SEG", "", "1", "5"},
       true,
       "tbTabelas: Field 'SOMA' not found"},
      {"anexos.dbf",
       testing_support::TabelasLayout(),
       {"AUTOMOVEL", "RISCOS", "COD_SEG"},
       false,
       "TMarlSmartDBF.InternalOpen: Open error \"" + dir_.file("anexos.dbf") + "\""}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    std::filesystem::remove(dir_.file("anexos.dbf"));
    tools::DbfBuilder tabelas(c.tabelas);
    tabelas.Add(c.row);
    tabelas.Write(dir_.file("tabelas.dbf"));
    if (c.write_anexos) testing_support::WriteAnexos(dir_.file("anexos.dbf"), {});
    try {
      engine::LoadRuleCatalog(ctx_);
      ADD_FAILURE() << "no error";
    } catch (const std::exception& e) {
      EXPECT_EQ(std::string(e.what()), c.message);
    }
    EXPECT_FALSE(tables_.tbTabelas.IsOpen());
    EXPECT_FALSE(tables_.tbAnexos.IsOpen());
  }
}

TEST_F(RuleCatalogTest, AColumnIsAskedForOnlyWhenARowOfTheLineOfBusinessNeedsIt) {
  std::vector<tools::DbfFieldSpec> no_soma = testing_support::TabelasLayout();
  no_soma.pop_back();
  tools::DbfBuilder tabelas(no_soma);
  tabelas.Add({"RE", "RISCOS", "COD_SEG"});
  tabelas.Write(dir_.file("tabelas.dbf"));
  testing_support::WriteAnexos(dir_.file("anexos.dbf"), {});
  EXPECT_NO_THROW(engine::LoadRuleCatalog(ctx_));
  EXPECT_TRUE(Rules().empty());
}

TEST_F(RuleCatalogTest, ANewLoadReplacesTheRowsAndCountersOfTheLastRun) {
  Load({Rule("RISCOS", "COD_SEG", 1), Rule("RISCOS", "ITEM", 2, 1, 6)},
       {{"RISCOS", "ITEM", "1", ""}});
  tables::MemTable& rules = tables_.zelEstrutTab;
  ASSERT_TRUE(rules.FindKey({tables::FieldValue::Int32(1), tables::FieldValue::Int32(2)}));
  rules.Edit();
  rules.SetField("erroDom", tables::FieldValue::Int32(7));
  rules.Post();
  Load({Rule("SINISTROS", "COD_SEG", 1), Rule("SINISTROS", "ITEM", 2, 1, 6)}, {});
  EXPECT_EQ(Tables(), (std::vector<std::string>{"1|'SINISTROS           '"}));
  EXPECT_EQ(Rows(rules, {"tabela", "ordem", "erroDom"}),
            (std::vector<std::string>{"1|1|0", "1|2|0"}));
  EXPECT_TRUE(Domains().empty());
}

}  // namespace
