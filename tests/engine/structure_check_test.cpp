#include "engine/structure_check.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/rule_catalog.h"
#include "support/catalog_files.h"
#include "support/phase_test.h"
#include "support/recording_host.h"
#include "support/temp_dir.h"
#include "tools/dbf_writer.h"

namespace {

using testing_support::RuleRow;
using tools::DbfFieldSpec;

const std::string kRiscos = "RISCOS              ";
const std::string kStructureLine = "Erro: estrutura incorreta na tabela " + kRiscos;
const std::string kCompanyLine =
    "Erro: mais de uma empresa encontrada no arquivo da tabela " + kRiscos;

// The layout the catalogue describes for RISCOS.
std::vector<DbfFieldSpec> Layout() {
  return {
      {"COD_SEG", 'C', 5}, {"APOLICE", 'C', 20}, {"IS_CASCO", 'N', 7}, {"PERC_FATOR", 'N', 5, 2}};
}

std::vector<RuleRow> RulesOf(const std::string& tabela, const std::vector<DbfFieldSpec>& layout) {
  std::vector<RuleRow> rows;
  for (std::size_t i = 0; i < layout.size(); ++i) {
    RuleRow r;
    r.tabela = tabela;
    r.campo = layout[i].name;
    r.ordem = static_cast<int>(i) + 1;
    r.tipo = layout[i].type == 'C' ? 1 : (layout[i].decimals > 0 ? 6 : 3);
    r.tamanho = layout[i].type == 'C' ? layout[i].length : 0;
    rows.push_back(r);
  }
  return rows;
}

class StructureCheckTest : public testing_support::PhaseTest {
 protected:
  ~StructureCheckTest() override { tables_.CloseReaders(); }

  void LoadCatalog(const std::vector<RuleRow>& rules) {
    testing_support::WriteTabelas(dir_.file("tabelas.dbf"), rules);
    testing_support::WriteAnexos(dir_.file("anexos.dbf"), {});
    engine::LoadRuleCatalog(ctx_);
  }

  // Opens `layout` with `records` in tbDados as table `numTabela`.
  void OpenInput(const std::vector<DbfFieldSpec>& layout,
                 const std::vector<std::vector<std::string>>& records, int numTabela = 1,
                 const std::string& nomeTabela = kRiscos) {
    tables_.tbDados.Close();
    tools::DbfBuilder b(layout);
    for (const auto& r : records) b.Add(r);
    b.Write(dir_.file("dados.dbf"));
    tables_.tbDados.SetFileName(dir_.file("dados.dbf"));
    tables_.tbDados.Open();
    state_.numTabela = numTabela;
    state_.nomeTabela = nomeTabela;
  }
};

TEST_F(StructureCheckTest, FileFaultsFailWithTheTableNameAndItsBlanks) {
  struct Case {
    std::string what;
    std::vector<DbfFieldSpec> layout;
    bool pass;
  };
  std::vector<DbfFieldSpec> added = Layout();
  added.push_back({"EXTRA", 'C', 1});
  std::vector<DbfFieldSpec> dropped = Layout();
  dropped.pop_back();
  std::vector<DbfFieldSpec> swapped = Layout();
  std::swap(swapped[0], swapped[1]);
  std::vector<DbfFieldSpec> resized = Layout();
  resized[1].length = 8;
  std::vector<DbfFieldSpec> retyped = Layout();
  retyped[2].decimals = 2;  // N(7,2): type code 6 where the catalogue says 3
  std::vector<DbfFieldSpec> renamed = Layout();
  renamed[3].name = "PERC_FATO";
  std::vector<DbfFieldSpec> wide_number = Layout();
  wide_number[2].length = 9;  // still type code 3, size 0
  std::vector<DbfFieldSpec> large = Layout();
  large[2].length = 10;  // type code 25
  std::vector<DbfFieldSpec> lower = Layout();
  lower[0].name = "cod_seg";  // the reader reports names in upper case
  const std::vector<Case> cases = {
      {"exact layout", Layout(), true},
      {"field added at the end", added, false},
      {"last field missing", dropped, false},
      {"two fields swapped", swapped, false},
      {"character field resized", resized, false},
      {"numeric field with decimals", retyped, false},
      {"field renamed", renamed, false},
      {"numeric field wider, same type", wide_number, true},
      {"numeric field of ten digits", large, false},
      {"lower-case name in the file", lower, true},
  };
  LoadCatalog(RulesOf("RISCOS", Layout()));
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    host_.lines.clear();
    OpenInput(c.layout, {});
    EXPECT_EQ(engine::CheckStructure(ctx_), c.pass);
    if (c.pass) {
      EXPECT_TRUE(host_.lines.empty());
    } else {
      EXPECT_EQ(host_.lines, std::vector<std::string>{kStructureLine});
    }
  }
}

TEST_F(StructureCheckTest, CatalogueFaultsFailWithoutEndingTheRun) {
  struct Case {
    std::string what;
    std::vector<RuleRow> rules;
    bool pass;
  };
  std::vector<RuleRow> lower = RulesOf("RISCOS", Layout());
  lower[0].campo = "cod_seg";
  std::vector<RuleRow> blanks = RulesOf("RISCOS", Layout());
  blanks[1].campo = "  APOLICE   ";
  std::vector<RuleRow> out_of_file = RulesOf("RISCOS", Layout());
  out_of_file[3].ordem = 5;
  std::vector<RuleRow> zero_position = RulesOf("RISCOS", Layout());
  zero_position[0].ordem = 0;
  std::vector<RuleRow> unordered = RulesOf("RISCOS", Layout());
  std::swap(unordered[0], unordered[3]);  // rows out of position order still match
  std::vector<RuleRow> one_short = RulesOf("RISCOS", Layout());
  one_short.pop_back();
  std::vector<RuleRow> duplicate = RulesOf("RISCOS", Layout());
  duplicate[3] = duplicate[2];  // four rows, three positions: the count still reaches four
  const std::vector<Case> cases = {
      {"lower-case catalogue name", lower, false},
      {"blanks around the catalogue name", blanks, true},
      {"position beyond the file's fields", out_of_file, false},
      {"position 0", zero_position, false},
      {"rows in another order", unordered, true},
      {"one rule row fewer than fields", one_short, false},
      {"two rows for one position", duplicate, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    host_.lines.clear();
    LoadCatalog(c.rules);
    OpenInput(Layout(), {});
    EXPECT_EQ(engine::CheckStructure(ctx_), c.pass);
    EXPECT_EQ(host_.lines.size(), c.pass ? 0u : 1u);
  }
}

TEST_F(StructureCheckTest, BlankPositionFails) {
  tools::DbfBuilder tabelas(testing_support::TabelasLayout());
  for (const RuleRow& r : RulesOf("RISCOS", Layout())) {
    tabelas.Add({r.ramo, r.tabela, r.campo, "", std::to_string(r.tipo), std::to_string(r.tamanho),
                 "0", "1", "0", "0", "0", r.ordem == 2 ? "" : std::to_string(r.ordem), "0", "0"});
  }
  tabelas.Write(dir_.file("tabelas.dbf"));
  testing_support::WriteAnexos(dir_.file("anexos.dbf"), {});
  engine::LoadRuleCatalog(ctx_);
  OpenInput(Layout(), {});
  EXPECT_FALSE(engine::CheckStructure(ctx_));
  EXPECT_EQ(host_.lines, std::vector<std::string>{kStructureLine});
}

TEST_F(StructureCheckTest, ChecksOnlyTheRowsOfItsTableNumber) {
  std::vector<DbfFieldSpec> claims = {{"COD_SEG", 'C', 5}, {"EVENTO", 'C', 1}};
  std::vector<RuleRow> rules = RulesOf("RISCOS", Layout());
  for (const RuleRow& r : RulesOf("SINISTROS", claims)) rules.push_back(r);
  LoadCatalog(rules);
  OpenInput(claims, {}, 2, "SINISTROS           ");
  EXPECT_TRUE(engine::CheckStructure(ctx_));
  OpenInput(Layout(), {}, 2, "SINISTROS           ");
  EXPECT_FALSE(engine::CheckStructure(ctx_));
  EXPECT_EQ(host_.lines.back(), "Erro: estrutura incorreta na tabela SINISTROS           ");
}

TEST_F(StructureCheckTest, TableNumberWithoutRuleRowsFails) {
  // RISCOS, SINISTROS, RISCOS: the third table-of-tables row (number 3) has no rule rows, since
  // its rows are filed under number 1.
  std::vector<DbfFieldSpec> claims = {{"COD_SEG", 'C', 5}};
  std::vector<RuleRow> rules = RulesOf("RISCOS", Layout());
  for (const RuleRow& r : RulesOf("SINISTROS", claims)) rules.push_back(r);
  RuleRow again = RulesOf("RISCOS", Layout())[0];
  rules.push_back(again);
  LoadCatalog(rules);
  for (const auto& layout : {Layout(), claims}) {
    OpenInput(layout, {}, 3);
    host_.lines.clear();
    EXPECT_FALSE(engine::CheckStructure(ctx_));
    EXPECT_EQ(host_.lines, std::vector<std::string>{kStructureLine});
  }
}

TEST_F(StructureCheckTest, CaptureTakesTheFirstVisibleCodeUntrimmed) {
  struct Case {
    std::string what;
    std::vector<DbfFieldSpec> layout;
    std::vector<std::vector<std::string>> records;
    std::string before;
    std::string after;
  };
  const std::vector<DbfFieldSpec> no_code = {{"APOLICE", 'C', 20}};
  const std::vector<DbfFieldSpec> numeric = {{"COD_SEG", 'N', 5}};
  const std::vector<Case> cases = {
      {"code of the first record", Layout(), {{"01234"}, {"99999"}}, "", "01234"},
      {"short code keeps its blanks", Layout(), {{"123"}}, "", "123  "},
      {"all blanks", Layout(), {{""}}, "", "     "},
      {"no records", Layout(), {}, "", ""},
      {"already set", Layout(), {{"01234"}}, "55555", "55555"},
      {"no such field", no_code, {{"X"}}, "", ""},
      {"numeric code", numeric, {{"1234"}}, "", "1234"},
      {"numeric code left blank", numeric, {{""}}, "", ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    OpenInput(c.layout, c.records);
    state_.codEmpresa = c.before;
    engine::CaptureCompany(ctx_);
    EXPECT_EQ(state_.codEmpresa, c.after);
  }
  EXPECT_TRUE(host_.lines.empty());
}

TEST_F(StructureCheckTest, CaptureSkipsRecordsMarkedDeleted) {
  tools::DbfBuilder b(Layout());
  b.Add({"99999"}, true);
  b.Add({"01234"});
  b.Write(dir_.file("dados.dbf"));
  tables_.tbDados.SetFileName(dir_.file("dados.dbf"));
  tables_.tbDados.Open();
  engine::CaptureCompany(ctx_);
  EXPECT_EQ(state_.codEmpresa, "01234");
}

// Walks tbDados with the company check as the record loop does; returns the records checked.
int WalkCompany(engine::RunContext& ctx) {
  engine::CompanyCheck check(ctx);
  int count = 0;
  for (ctx.tables.tbDados.First(); !ctx.tables.tbDados.Eof(); ctx.tables.tbDados.Next()) {
    ++count;
    if (!check.Check()) break;
  }
  return count;
}

TEST_F(StructureCheckTest, CompanyCheckStopsAtTheFirstDifferentCode) {
  struct Case {
    std::string what;
    std::vector<std::string> codes;
    int checked;
    bool error;
  };
  const std::vector<Case> cases = {
      {"one company", {"01234", "01234", "01234"}, 3, false},
      {"different code", {"01234", "01235", "01234"}, 2, true},
      {"trailing blank", {"01234", "0123 "}, 2, true},
      {"blank code", {"01234", "", "01234"}, 2, true},
      {"leading blank", {"01234", " 1234"}, 2, true},
      {"NUL byte", {"01234", std::string("0123\0", 5)}, 2, true},
      {"high byte", {"01234", "0123\xB4"}, 2, true},
  };
  // The code first in the record, and after a longer field (the bytes are compared as a word
  // read from the record's start, or ending where the field ends).
  std::vector<DbfFieldSpec> later = Layout();
  std::swap(later[0], later[1]);
  for (const bool first : {true, false}) {
    for (const auto& c : cases) {
      SCOPED_TRACE(c.what + (first ? ", first" : ", later"));
      host_.lines.clear();
      std::vector<std::vector<std::string>> records;
      for (const auto& code : c.codes) {
        records.push_back(first ? std::vector<std::string>{code}
                                : std::vector<std::string>{"", code});
      }
      OpenInput(first ? Layout() : later, records);
      state_.codEmpresa = "01234";
      EXPECT_EQ(WalkCompany(ctx_), c.checked);
      EXPECT_EQ(host_.lines,
                c.error ? std::vector<std::string>{kCompanyLine} : std::vector<std::string>{});
    }
  }
}

TEST_F(StructureCheckTest, CompanyFieldWiderThanTheCodeMatchesUpToANulByte) {
  std::vector<DbfFieldSpec> layout = Layout();
  layout[0].length = 8;
  OpenInput(layout, {{std::string("01234\0\0\0", 8)}, {std::string("01234\0xy", 8)}, {"01234   "}});
  state_.codEmpresa = "01234";
  EXPECT_EQ(WalkCompany(ctx_), 3);
  EXPECT_EQ(host_.lines, std::vector<std::string>{kCompanyLine});
}

TEST_F(StructureCheckTest, CompanyCodesDifferingInCaseAreDifferentCompanies) {
  OpenInput(Layout(), {{"ab123"}});
  state_.codEmpresa = "AB123";
  EXPECT_FALSE(engine::CompanyCheck(ctx_).Check());
  EXPECT_EQ(host_.lines, std::vector<std::string>{kCompanyLine});
}

TEST_F(StructureCheckTest, CompanyCheckWithoutTheFieldEndsTheRun) {
  OpenInput({{"APOLICE", 'C', 20}}, {{"1"}});
  state_.codEmpresa = "01234";
  engine::CompanyCheck check(ctx_);
  try {
    check.Check();
    ADD_FAILURE() << "no error";
  } catch (const std::exception& e) {
    EXPECT_STREQ(e.what(), "tbDados: Field 'cod_seg' not found");
  }
  EXPECT_TRUE(host_.lines.empty());
}

TEST_F(StructureCheckTest, NumericCodeComparesAsANumber) {
  struct Case {
    std::string what;
    std::string stored;
    std::string codEmpresa;
    bool same;
  };
  const std::vector<Case> cases = {
      {"same number", "1234", "1234", true},
      {"leading zero in the code", "1234", "01234", true},
      {"other number", "1235", "1234", false},
      {"blank value equals no text", "", "1234", false},
      {"blank value and empty code", "", "", false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    host_.lines.clear();
    OpenInput({{"COD_SEG", 'N', 5}}, {{c.stored}});
    state_.codEmpresa = c.codEmpresa;
    EXPECT_EQ(engine::CompanyCheck(ctx_).Check(), c.same);
    EXPECT_EQ(host_.lines.size(), c.same ? 0u : 1u);
  }
}

TEST_F(StructureCheckTest, NumericCodeAgainstATextCodeGivesTheConversionError) {
  OpenInput({{"COD_SEG", 'N', 5}}, {{"1234"}});
  state_.codEmpresa = "AB123";
  engine::CompanyCheck check(ctx_);
  EXPECT_THROW(check.Check(), std::exception);
}

}  // namespace
