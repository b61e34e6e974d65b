// Whole runs: the driver with every phase, reports compared line by line.
#include "engine/validation_run.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <system_error>

#include "engine/report.h"
#include "engine/text.h"
#include "outputs/record_extract.h"
#include "support/file_bytes.h"
#include "support/recording_host.h"
#include "support/run_fixture.h"

namespace engine {
namespace {

using testing_support::ClaimsLayout;
using testing_support::RisksLayout;
using testing_support::TempDir;
using Lines = std::vector<std::string>;

const std::string kRule(kRuleLine);
const std::string kRiscos = "RISCOS              ";
const std::string kSinistros = "SINISTROS           ";

std::string SummaryHeader() {
  return "Tabela" + std::string(14, ' ') + "Campo" + std::string(15, ' ') + "ErroNulo  %" +
         std::string(9, ' ') + "ErroDom   %" + std::string(9, ' ');
}

std::string RuleLine(const std::string& table, const std::string& field, const std::string& nulo,
                     const std::string& nulo_pct, const std::string& dom,
                     const std::string& dom_pct) {
  return PaddedTo(table, 20) + PaddedTo(field, 20) + PaddedTo(nulo, 10) +
         PaddedTo(nulo_pct + "%", 10) + PaddedTo(dom, 10) + PaddedTo(dom_pct + "%", 10);
}

// A summary in which every field has no failure, except those listed as {field, dom, pct}.
Lines Summary(const std::string& table, const std::vector<tools::DbfFieldSpec>& layout, int count,
              const std::string& failing_field = "", const std::string& dom = "0",
              const std::string& pct = "0,00") {
  Lines out{kRule, Ansi("Número de registros ") + std::to_string(count), "", SummaryHeader()};
  if (count == 0) {
    out.push_back("");
    out.push_back("Arquivo sem registros.....");
  } else {
    for (const auto& f : layout) {
      const bool failing = f.name == failing_field;
      out.push_back(
          RuleLine(table, f.name, "0", "0,00", failing ? dom : "0", failing ? pct : "0,00"));
    }
  }
  out.push_back("");
  return out;
}

Lines Closing() { return {"", kRule, "", "Fim do processamento: 15/03/2024 10:20:30", "", kRule}; }

void Append(Lines& to, const Lines& more) { to.insert(to.end(), more.begin(), more.end()); }

using testing_support::ReadBytes;

class ValidationRunTest : public ::testing::Test {
 protected:
  void SetUp() override {
    testing_support::WriteStandardCatalog(dir_);
    host_.catalogue_folder = dir_.folder();
    host_.risk_path = dir_.file("riscos.dbf");
    host_.claims_path = dir_.file("sinistros.dbf");
  }

  // Two live risks (the second with its coverage inverted) and one deleted.
  void WriteRisks(const std::string& company = "01234") {
    tools::DbfBuilder b(RisksLayout());
    b.Add({company, "POL1", "000001", "20230101", "20231231", "20230115", "1000"});
    b.Add({company, "POL2", "000001", "20230301", "20230201", "20230301", "", "", "500"});
    b.Add({company, "POL3", "000001", "20230101", "20231231", "20230115", "7777"}, true);
    b.Write(host_.risk_path);
  }

  // Three claims: one found, one whose only risk is deleted, one with an unknown policy and an
  // event outside the domain.
  void WriteClaims(const std::string& company = "01234") {
    tools::DbfBuilder b(ClaimsLayout());
    b.Add({company, "POL1", "000001", "1", "300", "20230601"});
    b.Add({company, "POL3", "000001", "2", "200", "20230701"});
    b.Add({company, "POL9", "000002", "9", "50", "20230801"});
    b.Write(host_.claims_path);
  }

  Lines Start(const std::string& company_line = "") {
    return {Ansi("Início do processamento: 15/03/2024 10:20:30"), "", company_line};
  }

  static std::string CompanyLine() {
    return "Empresa: 01234 - " + PaddedTo("SEGURADORA TESTE S.A.", 130);
  }

  static Lines PremiumBlock(bool with_inverted) {
    Lines out{kRule,
              "",
              Ansi("Teste de Prêmios Emitidos:"),
              Ansi("Ramo      Valor KOV                Valor Talmero            Diferença (%)"),
              "",
              "AUTO      1.100                    1.000                    10,00",
              "RC        0                        500                      -100,00",
              "APP       0                        0                        div por zero",
              ""};
    if (with_inverted) {
      Append(out, {"*********** ESTE ERRO INVIABILIZA O ACEITE DOS DADOS  ***********",
                   Ansi("Existem 1 Riscos com data de fim de vigência anterior ao início"),
                   "*********** ESTE ERRO INVIABILIZA O ACEITE DOS DADOS ***********", ""});
    }
    return out;
  }

  static Lines ClaimsBlock() {
    return {kRule,
            "",
            "Teste de Sinistros Pagos:",
            Ansi("Ramo      Valor KOV                Valor Talmero            Diferença (%)"),
            "",
            "AUTO      300                      300                      0,00",
            "RC        100                      200                      -50,00",
            "APP       0                        0                        div por zero",
            ""};
  }

  static Lines Notice(const std::string& text) { return {kRule, "", text, ""}; }

  void ExpectReport(const Lines& expected) {
    ASSERT_EQ(host_.lines.size(), expected.size()) << ::testing::PrintToString(host_.lines);
    for (std::size_t i = 0; i < expected.size(); ++i) {
      EXPECT_EQ(host_.lines[i], expected[i]) << "line " << i;
    }
  }

  TempDir dir_;
  testing_support::RecordingHost host_;
  ValidationRun run_;
};

TEST_F(ValidationRunTest, BothFilesPassingGiveTheWholeReport) {
  WriteRisks();
  WriteClaims();
  const std::string risks_before = ReadBytes(host_.risk_path);
  run_.Execute(host_);

  Lines expected = Start(CompanyLine());
  Append(expected, Summary(kRiscos, RisksLayout(), 2));
  Append(expected, Summary(kSinistros, ClaimsLayout(), 3, "EVENTO", "1", "33,33"));
  Append(expected,
         {kRule, "", Ansi("2 sinistros sem apólice no período, num total de 3 sinistros (66,67%)."),
          ""});
  Append(expected, PremiumBlock(true));
  Append(expected, ClaimsBlock());
  Append(expected, Closing());
  ExpectReport(expected);
  EXPECT_EQ(host_.progress, (std::vector<int>{25, 50, 75, 90, 0}));
  EXPECT_EQ(ReadBytes(host_.risk_path), risks_before);  // inputs are never written
  EXPECT_FALSE(std::filesystem::exists(dir_.file("apolice.ntx")));
  EXPECT_EQ(run_.state().regRiscos, 2);
  EXPECT_EQ(run_.state().regSinistros, 3);
}

TEST_F(ValidationRunTest, BothPathsEmptyGiveTheFrameOnly) {
  host_.risk_path = "   ";
  host_.claims_path = "";
  run_.Execute(host_);
  Lines expected = Start();
  Append(expected, Closing());
  ExpectReport(expected);
  EXPECT_EQ(host_.progress, (std::vector<int>{75, 90, 0}));
}

TEST_F(ValidationRunTest, OnlyTheRisksFileGivesBothNoticesAndThePremiumTest) {
  WriteRisks();
  host_.claims_path = " ";
  run_.Execute(host_);
  Lines expected = Start(CompanyLine());
  Append(expected, Summary(kRiscos, RisksLayout(), 2));
  Append(expected, Notice("Arquivo de sinistros ou de riscos faltando."));
  Append(expected, Notice("Arquivo de sinistros ou de riscos sem registros."));
  Append(expected, PremiumBlock(true));
  Append(expected, Closing());
  ExpectReport(expected);
}

TEST_F(ValidationRunTest, TheLastTableFailingItsStructureStopsTheCrossChecks) {
  WriteRisks();
  auto layout = ClaimsLayout();
  layout.push_back({"EXTRA", 'C', 2});  // a field the catalogue does not list
  tools::DbfBuilder(layout)
      .Add({"01234", "POL1", "000001", "1", "300", "20230601"})
      .Write(host_.claims_path);
  run_.Execute(host_);
  Lines expected = Start();
  Append(expected, Summary(kRiscos, RisksLayout(), 2));
  expected.push_back("Erro: estrutura incorreta na tabela " + kSinistros);
  Append(expected, Closing());
  ExpectReport(expected);
}

TEST_F(ValidationRunTest, TheFirstTableFailingAndTheLastPassingSkipsOnlyTheClaimsCheck) {
  auto layout = RisksLayout();
  layout[1].length = 21;  // APOLICE resized
  tools::DbfBuilder(layout)
      .Add({"01234", "POL1", "000001", "20230101", "20231231", "20230115", "1000"})
      .Add({"01234", "POL2", "000001", "20230301", "20230201", "20230301", "", "", "500"})
      .Write(host_.risk_path);
  WriteClaims();
  run_.Execute(host_);
  Lines expected = Start(CompanyLine());
  expected.push_back("Erro: estrutura incorreta na tabela " + kRiscos);
  Append(expected, Summary(kSinistros, ClaimsLayout(), 3, "EVENTO", "1", "33,33"));
  Append(expected, Notice("Arquivo de sinistros ou de riscos sem registros."));
  Append(expected, PremiumBlock(true));
  Append(expected, ClaimsBlock());
  Append(expected, Closing());
  ExpectReport(expected);
  EXPECT_EQ(run_.state().regRiscos, 0);
}

TEST_F(ValidationRunTest, ACompanyErrorInTheLastTableStopsEverythingAfterIt) {
  WriteRisks();
  WriteClaims("99999");
  run_.Execute(host_);
  Lines expected = Start();
  Append(expected, Summary(kRiscos, RisksLayout(), 2));
  expected.push_back("Erro: mais de uma empresa encontrada no arquivo da tabela " + kSinistros);
  Append(expected, Closing());
  ExpectReport(expected);
  EXPECT_EQ(run_.state().regSinistros, 1);  // the record that stopped the loop is counted
  EXPECT_FALSE(run_.state().tabelaOk);
}

TEST_F(ValidationRunTest, AnEmptyInputFileIsSummarisedAndNoticed) {
  tools::DbfBuilder(RisksLayout()).Write(host_.risk_path);
  WriteClaims();
  run_.Execute(host_);
  Lines expected = Start(CompanyLine());
  Append(expected, Summary(kRiscos, RisksLayout(), 0));
  Append(expected, Summary(kSinistros, ClaimsLayout(), 3, "EVENTO", "1", "33,33"));
  Append(expected, Notice("Arquivo de sinistros ou de riscos sem registros."));
  Lines premiums = PremiumBlock(false);
  premiums[5] = "AUTO      1.100                    0                        div por zero";
  premiums[6] = "RC        0                        0                        div por zero";
  Append(expected, premiums);
  Append(expected, ClaimsBlock());
  Append(expected, Closing());
  ExpectReport(expected);
}

TEST_F(ValidationRunTest, ACatalogueWithoutTheLineOfBusinessChecksNothing) {
  testing_support::RuleRow other;
  other.ramo = "automovel";  // lower case is another line of business
  other.tabela = "RISCOS";
  other.campo = "COD_SEG";
  other.tamanho = 5;
  other.ordem = 1;
  testing_support::WriteTabelas(dir_.file("tabelas.dbf"), {other});
  WriteRisks();
  WriteClaims();
  run_.Execute(host_);
  Lines expected = Start();
  Append(expected, Closing());
  ExpectReport(expected);
}

TEST_F(ValidationRunTest, AnErrorEndsTheRunKeepsTheLinesAndLeavesNoReaderOpen) {
  WriteClaims();
  host_.risk_path = dir_.file("falta.dbf");
  try {
    run_.Execute(host_);
    FAIL() << "the run should have ended with the open error";
  } catch (const std::exception& e) {
    EXPECT_EQ(std::string(e.what()),
              "TMarlSmartDBF.InternalOpen: Open error \"" + dir_.file("falta.dbf") + "\"");
  }
  ExpectReport(Start());
  EXPECT_TRUE(host_.progress.empty());

  // A run that failed late (no totals file) leaves nothing held: the next run reads all again.
  host_.risk_path = dir_.file("riscos.dbf");
  WriteRisks();
  std::filesystem::rename(dir_.file("DadosKov.DBF"), dir_.file("kov.bak"));
  try {
    run_.Execute(host_);
    FAIL() << "the run should have ended without the totals file";
  } catch (const std::exception& e) {
    EXPECT_EQ(std::string(e.what()),
              "TMarlSmartDBF.InternalOpen: Open error \"" + dir_.file("DadosKov.DBF") + "\"");
  }
  ASSERT_FALSE(host_.progress.empty());
  EXPECT_EQ(host_.progress.back(), 90);  // the position stays where the error found it
  EXPECT_NE(host_.lines.back(), kRule);  // no closing block
  EXPECT_FALSE(std::filesystem::exists(dir_.file("apolice.ntx")));
  std::filesystem::rename(dir_.file("kov.bak"), dir_.file("DadosKov.DBF"));
  host_.progress.clear();
  run_.Execute(host_);
  EXPECT_EQ(host_.lines[2], CompanyLine());
  EXPECT_EQ(host_.progress, (std::vector<int>{25, 50, 75, 90, 0}));
}

// Changes an input when the run reaches `when`: a progress position ("75") or the start of a
// walk (its phase). Another file put in its place (a rename over it, as `mv` does), the file
// removed (a cleanup job), or its bytes written over in place.
enum class Change { kReplaced, kRemoved, kWrittenInPlace };

class ChangingHost : public testing_support::RecordingHost {
 public:
  void SetProgress(int position) override {
    RecordingHost::SetProgress(position);
    At(std::to_string(position));
  }
  void WalkProgress(std::string_view phase, std::uint64_t done, std::uint64_t) override {
    if (done == 0) At(phase);
  }
  std::string when;
  Change change = Change::kReplaced;
  std::string replacement;
  std::string target;
  bool refused = false;  // the system kept an open input from being changed (Windows does)

 private:
  void At(std::string_view event) {
    if (event != when) return;
    std::error_code error;
    if (change == Change::kReplaced) std::filesystem::rename(replacement, target, error);
    if (change == Change::kRemoved) std::filesystem::remove(target, error);
    if (change == Change::kWrittenInPlace) {
      std::ifstream in(replacement, std::ios::binary);
      std::ofstream out(target, std::ios::binary | std::ios::trunc);
      out << in.rdbuf();
      if (!out) error = std::make_error_code(std::errc::permission_denied);
    }
    refused = static_cast<bool>(error);
  }
};

// Every pass after a file's walk reads the very file the run opened, never its name again: the
// claims check, the reconciliation, the failure list's read-back of inverted coverages and the
// extract. A file renamed over or removed meanwhile changes nothing; one written in place ends
// the run with the changed-file error naming it.
TEST_F(ValidationRunTest, AnInputChangedDuringTheRunIsReadAsOpenedOrTold) {
  WriteRisks();
  WriteClaims();
  run_.Execute(host_);
  const Lines untouched = host_.lines;
  struct Case {
    std::string when;
    bool risks;  // the file changed; else the claims file
  };
  const Case cases[] = {
      {Ansi("crítica dos campos: ") + "SINISTROS", false},  // the extract's second reader
      {"75", true},                                         // the claims check's
      {"75", false},
      {"90", true},  // the reconciliation and the inverted coverages' read-back
  };
  for (const Change change : {Change::kReplaced, Change::kRemoved, Change::kWrittenInPlace}) {
    for (const Case& c : cases) {
      SCOPED_TRACE(c.when + (c.risks ? " riscos " : " sinistros ") +
                   std::to_string(static_cast<int>(change)));
      WriteRisks();
      WriteClaims();
      ChangingHost host;
      host.catalogue_folder = host_.catalogue_folder;
      host.risk_path = host_.risk_path;
      host.claims_path = host_.claims_path;
      host.when = c.when;
      host.change = change;
      host.target = c.risks ? host_.risk_path : host_.claims_path;
      host.replacement = dir_.file("outro.dbf");
      tools::DbfBuilder(c.risks ? RisksLayout() : ClaimsLayout())
          .Add({"01234", "POL7", "000001"})
          .Write(host.replacement);
      std::ostringstream risk_rows;
      std::ostringstream claim_rows;
      outputs::RecordExtract extract(risk_rows, claim_rows);
      ValidationRun run;
      run.SetFindingSink(&extract);
      try {
        run.Execute(host);
        EXPECT_TRUE(change != Change::kWrittenInPlace || host.refused) << "no changed-file error";
      } catch (const std::exception& e) {
        EXPECT_EQ(change, Change::kWrittenInPlace) << e.what();
        EXPECT_EQ(std::string(e.what()),
                  "TMarlSmartDBF: File \"" + host.target + "\" changed while it was read");
        EXPECT_EQ(run.state().result.error_explanation,
                  std::string(c.risks ? "arquivo de riscos" : "arquivo de sinistros") +
                      " mudou durante a crítica: " + host.target);
        EXPECT_NE(host.lines.back(), kRule);  // no closing block
        continue;
      }
      host_.lines = host.lines;
      ExpectReport(untouched);
    }
  }
}

TEST_F(ValidationRunTest, CountersStayInTheRuleRowsAfterTheRun) {
  WriteRisks();
  WriteClaims();
  run_.Execute(host_);
  tables::MemTable& rules = run_.tables().zelEstrutTab;
  ASSERT_TRUE(rules.FindKey({tables::FieldValue::Int32(2), tables::FieldValue::Int32(4)}));
  EXPECT_EQ(rules.GetFieldValue("erroDom").AsInt64(), 1);  // EVENTO "9"
  EXPECT_EQ(rules.GetFieldValue("campo").AsString(), "EVENTO    ");
}

}  // namespace
}  // namespace engine
