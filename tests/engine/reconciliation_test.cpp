#include "engine/reconciliation.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <random>
#include <stdexcept>
#include <string>
#include <vector>

#include "engine/coverage_period.h"
#include "engine/report.h"
#include "support/catalog_files.h"
#include "support/phase_test.h"
#include "tables/dbf_values.h"
#include "tools/dbf_writer.h"

namespace engine {
namespace {

using testing_support::DadosKovLayout;
using tools::DbfBuilder;
using tools::DbfFieldSpec;
using Lines = std::vector<std::string>;

const std::string kStartLine =
    "In\xED"
    "cio do processamento: 15/03/2024 10:20:30";
const std::string kHeader =
    "Ramo      Valor KOV                Valor Talmero            Diferen\xE7"
    "a (%)";
const std::string kEmpresa = "SEGURADORA EXEMPLO S.A.";

struct KovRow {
  std::string cod_seg = "01234";
  std::string empresa = kEmpresa;
  std::vector<std::string> premiums = {"0", "0", "0"};  // PR_AUTO, PR_RC, PR_APP
  std::vector<std::string> claims = {"0", "0", "0"};    // SIN_AUTO, SIN_RC, SIN_APP
  std::string inivig = "202301";
  std::string fimvig = "202306";
  bool deleted = false;
};

// INICIO_VIG, FIM_VIG, the issue date, then the premiums; the premium fields mix the reader's
// numeric kinds (double, 32-bit and 64-bit integer) so every decoding path is summed.
std::vector<DbfFieldSpec> ReconciliationRiskLayout(const std::string& issue_field = "DATA_EMIS") {
  return {{"INICIO_VIG", 'C', 8},     {"FIM_VIG", 'C', 8},        {issue_field, 'C', 8},
          {"PRE_CASCO", 'N', 15, 2},  {"PRE_CAS_CO", 'N', 15, 2}, {"PRE_OUTROS", 'N', 9},
          {"PRE_RCDMAT", 'N', 12},    {"PRE_RCDC", 'N', 15, 2},   {"PRE_RCDMOR", 'N', 15, 2},
          {"PRE_APP_MA", 'N', 15, 2}, {"PRE_APP_IA", 'N', 15, 2}, {"PRE_APP_DM", 'N', 15, 2}};
}

struct Risk {
  std::string inicio = "20230101";
  std::string fim = "20231231";
  std::string emis = "20230315";
  // PRE_CASCO, PRE_CAS_CO, PRE_OUTROS, PRE_RCDMAT, PRE_RCDC, PRE_RCDMOR, PRE_APP_MA..DM
  std::vector<std::string> premiums = {};
  bool deleted = false;
};

std::vector<DbfFieldSpec> ReconciliationClaimsLayout() {
  return {{"D_AVI", 'C', 8}, {"EVENTO", 'C', 1}, {"INDENIZ", 'N', 15, 2}};
}

struct Claim {
  std::string d_avi;
  std::string evento;
  std::string indeniz;
};

std::string Padded(std::string text, std::size_t width) {
  if (text.size() < width) text.append(width - text.size(), ' ');
  return text;
}

class ReconciliationTest : public testing_support::PhaseTest {
 protected:
  void SetUp() override {
    host_.lines = {kStartLine, "", ""};
    state_.codEmpresa = "01234";
    state_.estruturaOk = true;
    state_.tabelaOk = true;
  }

  void WriteKov(const std::vector<KovRow>& rows,
                std::vector<DbfFieldSpec> layout = DadosKovLayout()) {
    DbfBuilder b(std::move(layout));
    for (const KovRow& r : rows) {
      b.Add({r.cod_seg, r.empresa, r.premiums[0], r.premiums[1], r.premiums[2], r.claims[0],
             r.claims[1], r.claims[2], "", "", r.inivig, r.fimvig},
            r.deleted);
    }
    b.Write(dir_.file("DadosKov.DBF"));
  }

  void WriteRisks(const std::vector<Risk>& risks,
                  std::vector<DbfFieldSpec> layout = ReconciliationRiskLayout()) {
    DbfBuilder b(std::move(layout));
    for (const Risk& r : risks) {
      std::vector<std::string> values = {r.inicio, r.fim, r.emis};
      values.insert(values.end(), r.premiums.begin(), r.premiums.end());
      b.Add(values, r.deleted);
    }
    risk_path = dir_.file("riscos.dbf");
    b.Write(risk_path);
  }

  void WriteClaims(const std::vector<Claim>& claims) {
    DbfBuilder b(ReconciliationClaimsLayout());
    for (const Claim& c : claims) b.Add({c.d_avi, c.evento, c.indeniz});
    claims_path = dir_.file("sinistros.dbf");
    b.Write(claims_path);
  }

  void Run() {
    ctx_.risk_path = risk_path;
    ctx_.claims_path = claims_path;
    const RunOfItsOwn run(ctx_);
    Reconcile(ctx_);
  }

  // Runs and expects the error text; every reader is closed afterwards.
  void RunExpectingError(const std::string& message) {
    try {
      Run();
      ADD_FAILURE() << "no error, expected: " << message;
    } catch (const std::exception& e) {
      EXPECT_EQ(std::string(e.what()), message);
    }
    ExpectReadersClosed();
  }

  void ExpectReadersClosed() {
    EXPECT_FALSE(tables_.tbDadosKov.IsOpen());
    EXPECT_FALSE(tables_.tbRiscos.IsOpen());
    EXPECT_FALSE(tables_.tbSinistros.IsOpen());
  }

  std::string CompanyLine() const { return "Empresa: 01234 - " + Padded(kEmpresa, 130); }

  static Lines Block(const std::string& title, const Lines& rows) {
    Lines lines = {std::string(kRuleLine), "", title, kHeader, ""};
    lines.insert(lines.end(), rows.begin(), rows.end());
    lines.push_back("");
    return lines;
  }
  static Lines PremiumBlock(const Lines& rows) {
    return Block("Teste de Pr\xEAmios Emitidos:", rows);
  }
  static Lines ClaimsBlock(const Lines& rows) { return Block("Teste de Sinistros Pagos:", rows); }
  static Lines InvertedBlock(const std::string& count) {
    return {"*********** ESTE ERRO INVIABILIZA O ACEITE DOS DADOS  ***********",
            "Existem " + count +
                " Riscos com data de fim de vig\xEAncia anterior ao in\xED"
                "cio",
            "*********** ESTE ERRO INVIABILIZA O ACEITE DOS DADOS ***********", ""};
  }
  Lines Report(const std::vector<Lines>& blocks) const {
    Lines lines = {kStartLine, "", CompanyLine()};
    for (const Lines& b : blocks) lines.insert(lines.end(), b.begin(), b.end());
    return lines;
  }
  // The AUTO row of the first comparison table.
  std::string AutoRow() const {
    EXPECT_GE(host_.lines.size(), 9u);
    return host_.lines.size() > 8 ? host_.lines[8] : std::string();
  }

  std::string risk_path;
  std::string claims_path;
};

TEST_F(ReconciliationTest, BothTestsReproduceTheWorkedRows) {
  KovRow kov;
  kov.premiums = {"1234567", "350000", "98000"};
  kov.claims = {"1234567", "350000", "98000"};
  // The period fields are wider than their text: their trailing blanks do not count.
  std::vector<DbfFieldSpec> kov_layout = DadosKovLayout();
  kov_layout[10].length = 8;
  kov_layout[11].length = 8;
  WriteKov({{.cod_seg = "99999", .empresa = "OUTRA"}, kov}, kov_layout);
  const std::vector<std::string> fives = {"5", "", "5", "5", "5", "5", "5", "5", "5"};
  WriteRisks({
      // AUTO 1000000.40 + 200000 = 1200000.4 on the first and the last day; PRE_CAS_CO is
      // never summed.
      {.emis = "20230101", .premiums = {"1000000.40", "777", "", "", "", "", "100000.50"}},
      {.emis = "20230631", .premiums = {"", "777", "200000", "", "", "", "", "2000.25", "500"}},
      // Outside the period, or not issued: adds nothing.
      {.emis = "20230701", .premiums = fives},
      {.emis = "20221231", .premiums = fives},
      {.emis = "        ", .premiums = fives},
      {.premiums = fives, .deleted = true},
  });
  WriteClaims({
      {"20230101", "1", "1000000.40"},
      {"20230631", "8", "200000"},
      {"20230701", "2", "999"},  // outside the period
      {"20221231", "1", "999"},
      {"        ", "3", "999"},  // no notification date
      {"20230301", "4", ""},     // no amount
      {"20230301", "9", "999"},
      {"20230301", " ", "999"},
      {"20230301", "5", "100000.5"},
      {"20230301", "6", "2000.25"},
      {"20230301", "7", "500"},
  });
  Run();

  const Lines rows = {
      "AUTO      1.234.567                1.200.000                2,88",
      "RC        350.000                  0                        div por zero",
      "APP       98.000                   102.501                  -4,39",
  };
  EXPECT_EQ(host_.lines, Report({PremiumBlock(rows), ClaimsBlock(rows)}));
  EXPECT_EQ(rows[0].size(), 64u);
  EXPECT_EQ(kHeader.size(), 73u);
  ExpectReadersClosed();
}

TEST_F(ReconciliationTest, InvertedCoverageFollowsThePremiumTable) {
  WriteKov({KovRow{}});
  WriteRisks({
      {.inicio = "20230102", .fim = "20230101"},
      {.inicio = "20230101", .fim = "20230101"},                      // equal: not inverted
      {.inicio = "20230101", .fim = "        "},                      // blank end sorts low
      {.inicio = "20240101", .fim = "20231231", .emis = "20240101"},  // outside, still counted
      {.inicio = "20240101", .fim = "20231231", .deleted = true},
  });
  Run();
  const Lines zero_rows = {
      "AUTO      0                        0                        div por zero",
      "RC        0                        0                        div por zero",
      "APP       0                        0                        div por zero",
  };
  Lines premium = PremiumBlock(zero_rows);
  const Lines inverted = InvertedBlock("3");
  premium.insert(premium.end(), inverted.begin(), inverted.end());
  EXPECT_EQ(host_.lines, Report({premium}));
}

TEST_F(ReconciliationTest, OnlyTheFilledPathIsRead) {
  KovRow kov;
  kov.premiums = {"1000", "0", "0"};
  kov.claims = {"0", "0", "0"};
  WriteKov({kov});
  WriteRisks({{.inicio = "20230102", .fim = "20230101", .premiums = {"1000"}}});
  WriteClaims({{"20230301", "1", "500"}});

  const std::string risks = risk_path;
  const std::string claims = claims_path;
  {
    SCOPED_TRACE("risks only");
    claims_path = "   ";
    Run();
    Lines premium = PremiumBlock({
        "AUTO      1.000                    1.000                    0,00",
        "RC        0                        0                        div por zero",
        "APP       0                        0                        div por zero",
    });
    const Lines inverted = InvertedBlock("1");
    premium.insert(premium.end(), inverted.begin(), inverted.end());
    EXPECT_EQ(host_.lines, Report({premium}));
  }
  {
    SCOPED_TRACE("claims only: no premium table and no inverted-coverage block");
    SetUp();
    risk_path = " \t ";
    claims_path = claims;
    Run();
    EXPECT_EQ(host_.lines,
              Report({ClaimsBlock({
                  "AUTO      0                        500                      -100,00",
                  "RC        0                        0                        div por zero",
                  "APP       0                        0                        div por zero",
              })}));
  }
  {
    SCOPED_TRACE("neither: the company line alone");
    SetUp();
    risk_path = "";
    claims_path = "";
    Run();
    EXPECT_EQ(host_.lines, Report({}));
  }
  ExpectReadersClosed();
}

TEST_F(ReconciliationTest, NullPremiumsAddNothing) {
  KovRow kov;
  kov.premiums = {"0", "0", "0"};
  WriteKov({kov});
  // Blank, malformed (comma decimal mark), trailing blank in an integer field: all null.
  risk_path = dir_.file("riscos.dbf");
  DbfBuilder b(ReconciliationRiskLayout());
  b.Add({"20230101", "20231231", "20230315", "1000", "", "", "", "", "", "", "", ""});
  b.AddRaw(std::string("20230101") + "20231231" + "20230315" + Padded("     1,5", 15) +
           std::string(15, ' ') + "12       " + std::string(12, ' ') + std::string(75, ' '));
  b.Write(risk_path);
  Run();
  EXPECT_EQ(AutoRow(), "AUTO      0                        1.000                    -100,00");
}

TEST_F(ReconciliationTest, CompanyNotFoundWritesNoComparison) {
  KovRow other;
  other.cod_seg = "55555";
  other.premiums = {"1", "1", "1"};
  WriteKov({other});
  WriteRisks(
      {{.inicio = "20230102", .fim = "20230101"}, {.inicio = "20230102", .fim = "20230101"}});
  claims_path = dir_.file("does-not-exist.dbf");  // not opened: there is nothing to compare with
  const std::string not_found = "Empresa: 01234 - n\xE3o encontrada em DadosKov.DBF";
  {
    SCOPED_TRACE("with inverted risks");
    Run();
    Lines expected = {kStartLine, "", not_found, std::string(kRuleLine), ""};
    const Lines inverted = InvertedBlock("2");
    expected.insert(expected.end(), inverted.begin(), inverted.end());
    EXPECT_EQ(host_.lines, expected);
  }
  {
    SCOPED_TRACE("without inverted risks");
    SetUp();
    WriteRisks({{}});
    Run();
    EXPECT_EQ(host_.lines, (Lines{kStartLine, "", not_found}));
  }
  {
    SCOPED_TRACE("empty totals file");
    SetUp();
    WriteKov({});
    Run();
    EXPECT_EQ(host_.lines, (Lines{kStartLine, "", not_found}));
  }
  ExpectReadersClosed();
}

TEST_F(ReconciliationTest, CompanyCodeMatchesExactlyOnTheFirstRow) {
  KovRow first;
  first.cod_seg = "1234";  // stored as "1234 "
  first.empresa = "PRIMEIRA";
  KovRow padded = first;
  padded.empresa = "SEGUNDA";
  padded.deleted = true;  // the totals file shows deleted rows like any other
  WriteKov({{.cod_seg = "01234", .empresa = "ZERO A ESQUERDA"}, padded, first});
  {
    SCOPED_TRACE("\"1234 \" finds the first row stored with the blank");
    state_.codEmpresa = "1234 ";
    Run();
    EXPECT_EQ(host_.lines[2], "Empresa: 1234  - " + Padded("SEGUNDA", 130));
  }
  {
    SCOPED_TRACE("\"1234\" matches nothing: the stored blank counts");
    SetUp();
    state_.codEmpresa = "1234";
    Run();
    EXPECT_EQ(host_.lines[2], "Empresa: 1234 - n\xE3o encontrada em DadosKov.DBF");
  }
  {
    SCOPED_TRACE("\"01234\" is another company");
    SetUp();
    Run();
    EXPECT_EQ(host_.lines[2], "Empresa: 01234 - " + Padded("ZERO A ESQUERDA", 130));
  }
}

TEST_F(ReconciliationTest, IssueDateFieldFallsBackToTheLongerName) {
  KovRow kov;
  kov.premiums = {"2000", "0", "0"};
  WriteKov({kov});
  for (const std::string name : {"DATA_EMIS", "data_emis", "DATA_EMISS"}) {
    SCOPED_TRACE(name);
    SetUp();
    WriteRisks({{.premiums = {"1000"}}, {.emis = "20240101", .premiums = {"1000"}}},
               ReconciliationRiskLayout(name));
    Run();
    EXPECT_EQ(AutoRow(), "AUTO      2.000                    1.000                    100,00");
  }
  SetUp();
  WriteRisks({{}}, ReconciliationRiskLayout("DT_EMISSAO"));
  RunExpectingError("tbRiscos: Field 'DATA_EMIS' not found");
}

TEST_F(ReconciliationTest, BlankDeclaredAmountReadsAsZero) {
  KovRow kov;
  kov.premiums = {"", "", "700"};
  WriteKov({kov});
  WriteRisks({{.premiums = {"1000", "", "", "", "", "", "700"}}});
  Run();
  ASSERT_EQ(host_.lines.size(), 12u);
  EXPECT_EQ(host_.lines[8], "AUTO      0                        1.000                    -100,00");
  EXPECT_EQ(host_.lines[9],
            "RC        0                        0                        div por zero");
  EXPECT_EQ(host_.lines[10], "APP       700                      700                      0,00");
}

TEST_F(ReconciliationTest, WideAmountsPushTheColumnsInsteadOfBeingCut) {
  std::vector<DbfFieldSpec> kov_layout = DadosKovLayout();
  kov_layout[2] = {"PR_AUTO", 'N', 30, 2};
  KovRow kov;
  kov.premiums = {"10000000000000000000000", "0", "0"};
  WriteKov({kov}, kov_layout);
  std::vector<DbfFieldSpec> risk_layout = ReconciliationRiskLayout();
  risk_layout[3] = {"PRE_CASCO", 'N', 30, 2};
  // The sum takes exactly 25 characters, so no blank follows it either.
  WriteRisks({{.premiums = {"1000000000000000000"}}}, risk_layout);
  Run();
  EXPECT_EQ(AutoRow(),
            "AUTO      10.000.000.000.000.000.000.0001.000.000.000.000.000.000999.900,00");
}

TEST_F(ReconciliationTest, DateFieldsOfAnotherTypeCompareAsText) {
  // A risks file whose dates are dBase date fields: a blank start reads as null and the record
  // is left out; a blank end reads as null and sorts below any start.
  KovRow kov;
  WriteKov({kov});
  std::vector<DbfFieldSpec> layout = ReconciliationRiskLayout();
  layout[0].type = 'D';
  layout[1].type = 'D';
  WriteRisks({{.inicio = "", .fim = "20230101"},
              {.inicio = "20230102", .fim = ""},
              {.inicio = "20230102", .fim = "20230101"},
              {.inicio = "20230101", .fim = "20230102"}},
             layout);
  Run();
  ASSERT_EQ(host_.lines.size(), 16u);
  EXPECT_EQ(host_.lines[13],
            "Existem 2 Riscos com data de fim de vig\xEAncia anterior ao in\xED"
            "cio");
}

// Integer premiums of up to eight bytes and eight-byte character dates are read a word at a
// time: random records of plain amounts, blanks, signs, hexadecimal forms, stray and 8-bit
// bytes (the digits' neighbours '/' and ':' among them), NUL bytes and odd dates sum and count
// exactly as each field converted on its own.
TEST_F(ReconciliationTest, ShortIntegerPremiumsSumAsTheirValues) {
  WriteKov({KovRow{}});  // the period 20230101 to 20230631
  // In the order of kPremiumFields' lines: AUTO, AUTO, RC, RC, RC, APP, APP, APP; then one that
  // is no line's. Widths 1 to 8.
  const std::vector<std::string> names = {"PRE_CASCO",  "PRE_OUTROS", "PRE_RCDMAT",
                                          "PRE_RCDC",   "PRE_RCDMOR", "PRE_APP_MA",
                                          "PRE_APP_IA", "PRE_APP_DM", "PRE_CAS_CO"};
  const std::vector<std::size_t> lines = {0, 0, 1, 1, 1, 2, 2, 2};
  const std::vector<std::size_t> widths = {1, 2, 3, 4, 5, 6, 7, 8, 6};
  std::vector<DbfFieldSpec> layout = {
      {"INICIO_VIG", 'C', 8}, {"FIM_VIG", 'C', 8}, {"DATA_EMIS", 'C', 8}};
  for (std::size_t i = 0; i < names.size(); ++i) {
    layout.push_back({names[i], 'N', static_cast<int>(widths[i])});
  }
  layout.push_back({"RESTO", 'C', 30});  // room to read the amounts 64 bytes at a time
  std::mt19937 rng(23);
  const auto pick = [&](std::size_t n) {
    return std::uniform_int_distribution<std::size_t>(0, n - 1)(rng);
  };
  const std::string odd = std::string("-+$x. \xB0\xFF/:") + '\0';
  const auto date = [&] {
    std::string d = "2023" + std::to_string(10 + pick(9)) + std::to_string(10 + pick(21));
    d[4] = '0';
    if (pick(8) == 0) d[pick(8)] = odd[pick(odd.size())];
    if (pick(20) == 0) d = "        ";
    return d;
  };
  const auto amount = [&](std::size_t width) {
    std::string digits = std::to_string(pick(100000000)).substr(0, 1 + pick(8));
    if (pick(6) == 0) digits = (pick(2) ? "-" : "$") + digits;
    digits = digits.substr(0, width);
    std::string text = std::string(width - digits.size(), ' ') + digits;
    if (pick(6) == 0) text[pick(width)] = odd[pick(odd.size())];
    if (pick(12) == 0) text = std::string(width, ' ');
    return text;
  };
  const std::string start = "20230101";
  const std::string end = "20230631";
  double sums[3] = {0, 0, 0};
  std::int64_t inverted = 0;
  DbfBuilder b(layout);
  for (int r = 0; r < 4000; ++r) {
    const std::string inicio = date();
    const std::string fim = date();
    const std::string emis = date();
    std::string record = inicio + fim + emis;
    std::vector<std::string> amounts;
    for (const std::size_t w : widths) amounts.push_back(amount(w));
    for (const std::string& a : amounts) record += a;
    b.AddRaw(record + std::string(30, ' '));
    const DateText i = tables::DbfText(inicio);
    if (CoverageInverted(i, tables::DbfText(fim))) ++inverted;
    const DateText e = tables::DbfText(emis);
    if (CompareDates(DateText(start), e) > 0 || CompareDates(e, DateText(end)) > 0) continue;
    for (std::size_t k = 0; k < lines.size(); ++k) {
      if (const auto v = tables::ParseInt32(amounts[k])) sums[lines[k]] += *v;
    }
  }
  risk_path = dir_.file("riscos.dbf");
  b.Write(risk_path);
  Run();
  EXPECT_EQ(state_.result.inverted_coverages, inverted);
  ASSERT_EQ(state_.result.reconciliation.size(), 1u);
  const auto& rows = state_.result.reconciliation[0].rows;
  ASSERT_EQ(rows.size(), 3u);
  for (std::size_t k = 0; k < 3; ++k) EXPECT_EQ(rows[k].file_value, sums[k]) << k;
  EXPECT_GT(inverted, 100);
  EXPECT_NE(sums[2], 0.0);
}

TEST_F(ReconciliationTest, MissingFieldsEndTheRunWithTheReaderText) {
  WriteKov({KovRow{}});
  {
    SCOPED_TRACE("risks");
    std::vector<DbfFieldSpec> layout = ReconciliationRiskLayout();
    layout.erase(layout.begin() + 7);  // PRE_RCDC
    WriteRisks({{}}, layout);
    RunExpectingError("tbRiscos: Field 'PRE_RCDC' not found");
  }
  {
    SCOPED_TRACE("claims");
    SetUp();
    risk_path.clear();
    DbfBuilder b({{"D_AVI", 'C', 8}, {"EVENTO", 'C', 1}});
    claims_path = dir_.file("sinistros.dbf");
    b.Add({"20230301", "1"}).Write(claims_path);
    RunExpectingError("tbSinistros: Field 'INDENIZ' not found");
  }
  {
    SCOPED_TRACE("totals");
    SetUp();
    std::vector<DbfFieldSpec> layout = DadosKovLayout();
    layout[7].name = "SIN_APX";
    WriteKov({KovRow{}}, layout);
    WriteClaims({});
    RunExpectingError("tbDadosKov: Field 'SIN_APP' not found");
  }
  {
    SCOPED_TRACE("no totals file");
    SetUp();
    std::filesystem::remove(dir_.file("DadosKov.DBF"));
    RunExpectingError("TMarlSmartDBF.InternalOpen: Open error \"" + dir_.folder() +
                      "DadosKov.DBF\"");
  }
}

TEST_F(ReconciliationTest, ReadersLeftOpenByAnEarlierRunAreReopenedOnTheRightFiles) {
  KovRow kov;
  kov.premiums = {"1000", "0", "0"};
  WriteKov({kov});
  WriteRisks({{.premiums = {"1000"}}});
  const std::string stale = dir_.file("stale.dbf");
  DbfBuilder(ReconciliationRiskLayout())
      .Add({"20230101", "20231231", "20230315", "9999"})
      .Write(stale);
  tables_.tbRiscos.SetFileName(stale);
  tables_.tbRiscos.Open();
  tables_.tbDadosKov.SetFileName(stale);
  Run();
  EXPECT_EQ(AutoRow(), "AUTO      1.000                    1.000                    0,00");
  ExpectReadersClosed();
}

}  // namespace
}  // namespace engine
