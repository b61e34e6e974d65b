#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "field_checks_fixture.h"
#include "tables/table_error.h"

namespace {

using testing_support::CharField;
using testing_support::DomainRow;
using testing_support::FieldWalkTest;
using testing_support::kRiscos;
using testing_support::NumField;
using testing_support::RuleRow;
using testing_support::TestField;

RuleRow Rule(int nulo, int zerosesq, int tamanho, int data, int zeros, int dominio,
             std::string depende = "") {
  RuleRow r;
  r.nulo = nulo;
  r.zerosesq = zerosesq;
  r.tamanho = tamanho;
  r.data = data;
  r.zeros = zeros;
  r.dominio = dominio;
  r.depende = std::move(depende);
  return r;
}

DomainRow Domain(std::string campo, std::string valor1, std::string valor2 = "",
                 std::string tabela = kRiscos) {
  DomainRow d;
  d.tabela = std::move(tabela);
  d.campo = std::move(campo);
  d.valor1 = std::move(valor1);
  d.valor2 = std::move(valor2);
  return d;
}

// One field of one record, checked against its rule.
struct OneField {
  const char* label;
  TestField field;
  std::string value;
  std::vector<DomainRow> domains;
  int erro_nulo;
  int erro_dom;
  int notices;
};

class FieldChecksTest : public FieldWalkTest {
 protected:
  void RunCases(const std::vector<OneField>& cases) {
    for (const OneField& c : cases) {
      SCOPED_TRACE(c.label);
      host_.notices.clear();
      ASSERT_TRUE(Walk(1, {c.field}, {{c.value}}, c.domains));
      EXPECT_EQ(state_.numRegistros, 1);
      EXPECT_EQ(Counters(1, 2), std::make_pair(c.erro_nulo, c.erro_dom));
      EXPECT_EQ(static_cast<int>(host_.notices.size()), c.notices);
    }
  }
};

TEST_F(FieldChecksTest, NullCheck) {
  RunCases({
      {"blank char, value required", CharField("SEXO", 1, Rule(0, 0, 0, 0, 0, 0)), "", {}, 1, 0, 0},
      {"blank char, no null check", CharField("SEXO", 1, Rule(1, 0, 0, 0, 0, 0)), "", {}, 0, 0, 0},
      {"control characters trim away",
       CharField("SEXO", 2, Rule(0, 0, 0, 0, 0, 0)),
       "\t\x01",
       {},
       1,
       0,
       0},
      {"char with a value", CharField("SEXO", 3, Rule(0, 0, 0, 0, 0, 0)), " M", {}, 0, 0, 0},
      {"numeric blanks", NumField("VAL_RESS", 6, 0, Rule(0, 0, 0, 0, 0, 0)), "", {}, 1, 0, 0},
      {"decimal numeric blanks",
       NumField("PERC_CORR", 5, 2, Rule(0, 0, 0, 0, 0, 0)),
       "",
       {},
       1,
       0,
       0},
      {"malformed numeric is not counted",
       NumField("VAL_RESS", 6, 0, Rule(0, 0, 0, 0, 0, 0)),
       "12.5",
       {},
       0,
       0,
       0},
      {"numeric zero", NumField("VAL_RESS", 6, 0, Rule(0, 0, 0, 0, 0, 0)), "0", {}, 0, 0, 0},
  });
}

TEST_F(FieldChecksTest, WidthCheck) {
  RunCases({
      {"full width", CharField("COD_TARIF", 5, Rule(1, 1, 5, 0, 0, 0)), "00123", {}, 0, 0, 0},
      {"leading blank", CharField("COD_TARIF", 5, Rule(1, 1, 5, 0, 0, 0)), " 0123", {}, 0, 1, 0},
      {"trailing blanks", CharField("COD_TARIF", 5, Rule(1, 1, 5, 0, 0, 0)), "123", {}, 0, 1, 0},
      {"one byte too long",
       CharField("COD_TARIF", 6, Rule(1, 1, 5, 0, 0, 0)),
       "001234",
       {},
       0,
       1,
       0},
      {"blank with null check too",
       CharField("COD_TARIF", 5, Rule(0, 1, 5, 0, 0, 0)),
       "",
       {},
       1,
       1,
       0},
      {"text ends at a NUL byte",
       CharField("COD_TARIF", 5, Rule(1, 1, 2, 0, 0, 0)),
       std::string("12\0 4", 5),
       {},
       0,
       0,
       0},
      {"integer text is its digits",
       NumField("TEMPO_HAB", 5, 0, Rule(1, 1, 3, 0, 0, 0)),
       "123",
       {},
       0,
       0,
       0},
      {"hexadecimal reads as decimal digits",
       NumField("TEMPO_HAB", 5, 0, Rule(1, 1, 2, 0, 0, 0)),
       "$1F",
       {},
       0,
       0,
       0},
      {"negative integer", NumField("TEMPO_HAB", 5, 0, Rule(1, 1, 2, 0, 0, 0)), "-7", {}, 0, 0, 0},
      {"one digit too long",
       NumField("TEMPO_HAB", 5, 0, Rule(1, 1, 3, 0, 0, 0)),
       "1234",
       {},
       0,
       1,
       0},
      {"null numeric reads as the empty text",
       NumField("TEMPO_HAB", 5, 0, Rule(0, 1, 3, 0, 0, 0)),
       "",
       {},
       1,
       1,
       0},
      {"null numeric against width 0",
       NumField("TEMPO_HAB", 5, 0, Rule(1, 1, 0, 0, 0, 0)),
       "1.5",
       {},
       0,
       0,
       0},
  });
}

TEST_F(FieldChecksTest, DateCheck) {
  const auto date = [](const char* name, int zeros) {
    return CharField(name, 8, Rule(1, 0, 8, 1, zeros, 0));
  };
  RunCases({
      {"leap day", date("D_OCORR", 0), "20240229", {}, 0, 0, 0},
      {"impossible date shows the notice", date("D_OCORR", 0), "20230229", {}, 0, 1, 1},
      {"year before 1900 is silent", date("D_OCORR", 0), "18991231", {}, 0, 1, 0},
      {"year after current + 5 is silent", date("D_OCORR", 0), "20300101", {}, 0, 1, 0},
      {"year current + 5", date("D_OCORR", 0), "20291231", {}, 0, 0, 0},
      {"month with a leading blank", date("D_OCORR", 0), "2023 101", {}, 0, 0, 0},
      {"eight zeros, zeros 0", date("D_OCORR", 0), "00000000", {}, 0, 1, 0},
      {"eight zeros, zeros 1", date("D_OCORR", 1), "00000000", {}, 0, 0, 0},
      {"seven zeros and a blank", date("D_OCORR", 1), "0000000", {}, 0, 1, 0},
      {"blank date, zeros 0", date("D_OCORR", 0), "", {}, 0, 1, 0},
      {"blank date, zeros 1", date("D_OCORR", 1), "", {}, 0, 1, 0},
      {"D_NASC zeros under product type 2", date("D_NASC", 1), "00000000", {}, 0, 1, 0},
      {"DATA_NASC zeros under product type 2", date("DATA_NASC", 1), "00000000", {}, 0, 1, 0},
      {"numeric date", NumField("D_NUM", 8, 0, Rule(1, 0, 0, 1, 0, 0)), "20240229", {}, 0, 0, 0},
      {"numeric zero is all zeros",
       NumField("D_NUM", 8, 0, Rule(1, 0, 0, 1, 1, 0)),
       "0",
       {},
       0,
       0,
       0},
      {"null numeric date does not end the run",
       NumField("D_NUM", 8, 0, Rule(1, 0, 0, 1, 1, 0)),
       "",
       {},
       0,
       1,
       0},
  });
}

TEST_F(FieldChecksTest, DomainCheck) {
  const auto coded = [](int zeros) {
    return CharField("COBERTURA", 1, Rule(1, 0, 1, 0, zeros, 1));
  };
  const auto longer = CharField("COD_MODELO", 10, Rule(1, 0, 10, 0, 0, 1));
  RunCases({
      {"allowed value",
       coded(0),
       "1",
       {Domain("COBERTURA", "1"), Domain("COBERTURA", "2")},
       0,
       0,
       0},
      {"value not listed", coded(0), "3", {Domain("COBERTURA", "1")}, 0, 1, 0},
      {"case counts",
       CharField("SEXO", 1, Rule(1, 0, 1, 0, 0, 1)),
       "m",
       {Domain("SEXO", "M")},
       0,
       1,
       0},
      {"another field's values do not count", coded(0), "1", {Domain("SEXO", "1")}, 0, 1, 0},
      {"value longer than 8 matches on its first 8",
       longer,
       "ABCDEFGHZZ",
       {Domain("COD_MODELO", "ABCDEFGHIJ")},
       0,
       0,
       0},
      {"first 8 differ", longer, "ABCDEFGXZZ", {Domain("COD_MODELO", "ABCDEFGHIJ")}, 0, 1, 0},
      {"zero text passes with zeros 1",
       CharField("COD_MODELO", 4, Rule(1, 0, 4, 0, 1, 1)),
       "0000",
       {},
       0,
       0,
       0},
      {"zero text fails with zeros 0",
       CharField("COD_MODELO", 4, Rule(1, 0, 4, 0, 0, 1)),
       "0000",
       {},
       0,
       1,
       0},
      {"decimal text with the regional separator",
       NumField("PERC_FATOR", 7, 2, Rule(1, 0, 0, 0, 0, 1)),
       "12.50",
       {Domain("PERC_FATOR", "12,5")},
       0,
       0,
       0},
      {"integer text",
       NumField("PERC_BONUS", 5, 0, Rule(1, 0, 0, 0, 0, 1)),
       "0007",
       {Domain("PERC_BONUS", "7")},
       0,
       0,
       0},
      {"null numeric is the empty text",
       NumField("PERC_BONUS", 5, 0, Rule(1, 0, 0, 0, 0, 1)),
       "",
       {Domain("PERC_BONUS", "")},
       0,
       0,
       0},
      {"postal code by its first five",
       CharField("CEP_UTIL", 8, Rule(1, 0, 8, 0, 0, 1)),
       "01310100",
       {Domain("CEP_UTIL", "01310")},
       0,
       0,
       0},
      {"postal code not listed",
       CharField("CEP_UTIL", 8, Rule(1, 0, 8, 0, 0, 1)),
       "01311100",
       {Domain("CEP_UTIL", "01310")},
       0,
       1,
       0},
      {"postal zeros under product type 2",
       CharField("CEP_PER", 8, Rule(1, 0, 8, 0, 1, 1)),
       "00000000",
       {},
       0,
       1,
       0},
      {"other CEP name: zeros pass",
       CharField("XCEPX", 8, Rule(1, 0, 8, 0, 1, 1)),
       "00000000",
       {},
       0,
       0,
       0},
  });
}

TEST_F(FieldChecksTest, OneFieldFailsWidthDateAndDomainInOneRecord) {
  RunCases({
      {"all three", CharField("D_OCORR", 8, Rule(0, 1, 8, 1, 0, 1)), "2023", {}, 0, 3, 0},
      {"blank: null and all three",
       CharField("D_OCORR", 8, Rule(0, 1, 8, 1, 1, 1)),
       "",
       {},
       1,
       3,
       0},
  });
}

TEST_F(FieldChecksTest, CountersAddUpOverRecordsAndStayInTheRuleRows) {
  const std::vector<TestField> fields{CharField("SEXO", 1, Rule(0, 0, 0, 0, 0, 1)),
                                      CharField("D_OCORR", 8, Rule(1, 0, 8, 1, 0, 0))};
  ASSERT_TRUE(Walk(1, fields,
                   {{"", "20230229"}, {"M", "20240101"}, {"X", "1"}, {"", ""}, {"F", "20240230"}},
                   {Domain("SEXO", "M"), Domain("SEXO", "F")}));
  EXPECT_EQ(state_.numRegistros, 5);
  EXPECT_EQ(Counters(1, 2), std::make_pair(2, 3));  // blanks twice; blank, blank, X
  EXPECT_EQ(Counters(1, 3), std::make_pair(0, 4));
  EXPECT_EQ(host_.notices, (std::vector<std::string>{"Data Inv\xE1lida : 20230229",
                                                     "Data Inv\xE1lida : 20240230"}));
  EXPECT_EQ(tables_.zelEstrutTab.IndexName(), "index2");
  EXPECT_EQ(Counters(1, 1), std::make_pair(0, 0));
}

TEST_F(FieldChecksTest, ProductTypeComesFromTipoProdForTheFieldsAfterIt) {
  // D_NASC before TIPO_PROD always sees "2"; CEP after it sees the record's product type.
  const std::vector<TestField> fields{CharField("D_NASC", 8, Rule(1, 0, 8, 1, 1, 0)),
                                      CharField("TIPO_PROD", 1, Rule(1, 0, 1, 0, 0, 0)),
                                      CharField("CEP", 8, Rule(1, 0, 8, 0, 1, 1)),
                                      CharField("DATA_NASC", 8, Rule(1, 0, 8, 1, 1, 0))};
  ASSERT_TRUE(Walk(1, fields,
                   {{"00000000", "1", "00000000", "00000000"},
                    {"00000000", "2", "00000000", "00000000"},
                    {"00000000", " ", "00000000", "00000000"}}));
  EXPECT_EQ(Counters(1, 2), std::make_pair(0, 3));
  EXPECT_EQ(Counters(1, 4), std::make_pair(0, 1));
  EXPECT_EQ(Counters(1, 5), std::make_pair(0, 1));
}

TEST_F(FieldChecksTest, NumericTipoProdGivesItsDigits) {
  const std::vector<TestField> fields{NumField("TIPO_PROD", 2, 0, Rule(1, 0, 0, 0, 0, 0)),
                                      CharField("CEP", 8, Rule(1, 0, 8, 0, 1, 1))};
  ASSERT_TRUE(Walk(1, fields, {{"1", "00000000"}, {"02", "00000000"}, {"", "00000000"}}));
  // 1 passes; 02 reads 2; null reads as the empty text, which is not "2".
  EXPECT_EQ(Counters(1, 3), std::make_pair(0, 1));
}

TEST_F(FieldChecksTest, ProductTypeIsTheUntrimmedText) {
  const std::vector<TestField> fields{CharField("TIPO_PROD", 2, Rule(1, 0, 2, 0, 0, 0)),
                                      CharField("CEP_UTIL", 8, Rule(1, 0, 8, 0, 1, 1))};
  ASSERT_TRUE(Walk(1, fields, {{"2", "00000000"}, {" 2", "00000000"}, {"2 ", "00000000"}}));
  // The text keeps its blanks: "2 " and " 2" are not the product type "2", so zeros pass.
  EXPECT_EQ(Counters(1, 3), std::make_pair(0, 0));
}

TEST_F(FieldChecksTest, ClaimsPostalCodesUseTheRisksList) {
  const std::vector<TestField> fields{CharField("CEP_PER", 8, Rule(1, 0, 8, 0, 0, 1)),
                                      CharField("CEP", 8, Rule(1, 0, 8, 0, 0, 1))};
  ASSERT_TRUE(Walk(2, fields, {{"01310100", "01310999"}, {"01311000", " 0131099"}},
                   {Domain("CEP_UTIL", "01310")}));
  EXPECT_EQ(Counters(2, 2), std::make_pair(0, 1));
  EXPECT_EQ(Counters(2, 3), std::make_pair(0, 0));  // " 0131099" is trimmed before the cut
}

TEST_F(FieldChecksTest, DependeQualifiesTheAllowedValues) {
  const std::vector<TestField> fields{
      CharField("MODALIDADE", 3, Rule(1, 0, 3, 0, 0, 0)),
      CharField("COBERTURA", 1, Rule(1, 0, 1, 0, 0, 1, "modalidade")),
      NumField("PERC_BONUS", 2, 0, Rule(1, 0, 0, 0, 0, 0)),
      CharField("CLAS_BONUS", 1, Rule(1, 0, 1, 0, 0, 1, "PERC_BONUS")),
      CharField("SEXO", 1, Rule(1, 0, 1, 0, 0, 1, "NAO_HA"))};
  const std::vector<DomainRow> domains{
      Domain("COBERTURA", "1", "A"), Domain("COBERTURA", "2", "AB"), Domain("CLAS_BONUS", "X", "5"),
      Domain("CLAS_BONUS", "Y", ""), Domain("SEXO", "M", "")};
  ASSERT_TRUE(Walk(1, fields,
                   {
                       {"A", "1", "5", "X", "M"},    // all found
                       {" A ", "1", "", "Y", "M"},   // trimmed; a null qualifier reads blank
                       {"B", "1", "5", "Y", "F"},    // three misses
                       {"ABC", "2", "50", "X", "M"}  // a qualifier longer than 2 uses its first 2
                   },
                   domains));
  EXPECT_EQ(Counters(1, 3), std::make_pair(0, 1));
  EXPECT_EQ(Counters(1, 5), std::make_pair(0, 2));
  EXPECT_EQ(Counters(1, 6), std::make_pair(0, 1));
}

TEST_F(FieldChecksTest, FileWithoutRecords) {
  ASSERT_TRUE(Walk(1, {CharField("SEXO", 1, Rule(0, 1, 1, 1, 0, 1))}, {}));
  EXPECT_EQ(state_.numRegistros, 0);
  EXPECT_EQ(Counters(1, 2), std::make_pair(0, 0));
}

TEST_F(FieldChecksTest, CompanyMismatchStopsTheWalkAndCountsTheRecord) {
  const std::vector<TestField> fields{CharField("SEXO", 1, Rule(0, 0, 0, 0, 0, 0))};
  WriteCatalog(1, fields, {});
  EXPECT_FALSE(WalkRows(1, fields, {{"00001", ""}, {"00002", ""}, {"00001", ""}}));
  EXPECT_EQ(state_.numRegistros, 2);
  EXPECT_EQ(Counters(1, 2), std::make_pair(1, 0));  // the stopping record's field is not checked
  ASSERT_FALSE(host_.lines.empty());
  EXPECT_EQ(host_.lines.back(), "Erro: mais de uma empresa encontrada no arquivo da tabela RISCOS");
}

TEST_F(FieldChecksTest, PositionWithoutRuleIsNotChecked) {
  std::vector<TestField> fields{CharField("SEXO", 1, Rule(0, 0, 0, 0, 0, 0)),
                                CharField("D_OCORR", 8, Rule(0, 1, 8, 1, 0, 1))};
  fields[0].has_rule = false;
  ASSERT_TRUE(Walk(1, fields, {{"", ""}}));
  EXPECT_EQ(Counters(1, 3), std::make_pair(1, 3));
  EXPECT_FALSE(
      tables_.zelEstrutTab.FindKey({tables::FieldValue::Int32(1), tables::FieldValue::Int32(2)}));
}

TEST_F(FieldChecksTest, TwoRulesForOnePositionCountOnTheFirst) {
  std::vector<TestField> fields{CharField("SEXO", 1, Rule(0, 0, 0, 0, 0, 0)),
                                CharField("SEXO", 1, Rule(1, 1, 2, 0, 0, 0))};
  fields[1].keep_rule_shape = true;
  fields[1].rule.campo = "SEXO2";
  fields[1].rule.ordem = 2;
  fields[1].shape.name = "OUTRO";
  ASSERT_TRUE(Walk(1, fields, {{"", "A"}}));
  // Position 3 has no rule; position 2 has two rows and the first one loaded counts.
  EXPECT_EQ(Counters(1, 2), std::make_pair(1, 0));
}

}  // namespace

namespace {

TEST_F(FieldChecksTest, StoredValueShorterThanEightNeverMatches) {
  // A VALOR1 column narrower than 8 stores texts that no padded 8-character key equals.
  const std::vector<TestField> fields{CharField("COBERTURA", 1, Rule(1, 0, 1, 0, 0, 1))};
  WriteCatalog(1, fields, {});
  tools::DbfBuilder anexos({{"RAMO", 'C', 20, 0},
                            {"TABELA", 'C', 20, 0},
                            {"CAMPO", 'C', 30, 0},
                            {"VALOR1", 'C', 5, 0},
                            {"VALOR2", 'C', 2, 0}});
  anexos.Add({"AUTOMOVEL", kRiscos, "COBERTURA", "1", ""});
  anexos.Write(dir_.file("anexos.dbf"));
  engine::LoadRuleCatalog(ctx_);
  ASSERT_TRUE(WalkRows(1, fields, {{"00001", "1"}}));
  EXPECT_EQ(Counters(1, 2), std::make_pair(0, 1));
}

}  // namespace

namespace {

TEST_F(FieldChecksTest, AnErrorEndingTheWalkKeepsTheCountersRaisedBeforeIt) {
  // A header whose record length leaves D_OCORR past the end of every record: the reader raises
  // its error at that field of the first record, after SEXO was counted.
  const std::vector<TestField> fields{CharField("SEXO", 1, Rule(0, 0, 0, 0, 0, 0)),
                                      CharField("D_OCORR", 8, Rule(0, 0, 0, 1, 0, 0))};
  WriteCatalog(1, fields, {});
  tools::DbfBuilder builder({{"COD_SEG", 'C', 5, 0}, {"SEXO", 'C', 1, 0}, {"D_OCORR", 'C', 8, 0}});
  builder.AddRaw("00001 ");
  std::string bytes = builder.Bytes();
  bytes[10] = 7;  // record length: flag, COD_SEG and SEXO only
  bytes[11] = 0;
  const std::string path = dir_.file("dados.dbf");
  tools::WriteFile(path, bytes);
  tables_.tbDados.SetFileName(path);
  tables_.tbDados.Open();
  state_.numTabela = 1;
  state_.codEmpresa = testing_support::kCompany;
  EXPECT_THROW(engine::WalkRecords(ctx_), tables::TableError);
  EXPECT_EQ(Counters(1, 2), std::make_pair(1, 0));
}

}  // namespace
