// The runner's verdict, exit statuses and option handling on whole runs.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <sstream>

#include "cli/cli_test_support.h"
#include "cli/run_cli.h"
#include "cmdline/exit_status.h"
#include "cmdline/verdict_line.h"
#include "support/run_fixture.h"

namespace cli {
namespace {

using testing_support::TempDir;

class RunCliVerdictTest : public ::testing::Test {
 protected:
  void SetUp() override {
    testing_support::WriteStandardCatalog(dir_);
    WriteRisks("20231231");
    tools::DbfBuilder claims(testing_support::ClaimsLayout());
    claims.Add({"01234", "POL1", "000001", "1", "300", "20230601"});
    claims.Write(dir_.file("sinistros.dbf"));
  }
  void WriteRisks(const std::string& fim_vig) {
    tools::DbfBuilder risks(testing_support::RisksLayout());
    risks.Add({"01234", "POL1", "000001", "20230101", fim_vig, "20230115", "1100", "0", "0", "300",
               "100", "0"});
    risks.Write(dir_.file("riscos.dbf"));
  }

  int Run(std::vector<std::string> extra) {
    std::vector<std::string> args{"--catalogo=" + dir_.folder(), "--riscos",
                                  dir_.file("riscos.dbf"),       "--sinistros",
                                  dir_.file("sinistros.dbf"),    "--regional=pt_BR"};
    args.insert(args.end(), extra.begin(), extra.end());
    std::ostringstream out;
    std::ostringstream err;
    const int status = RunCli(args, out, err, &FixedClock);
    out_ = out.str();
    err_ = err.str();
    return status;
  }

  TempDir dir_;
  std::string out_;
  std::string err_;
};

TEST_F(RunCliVerdictTest, StrictExitsThreeOnlyWhenRejected) {
  const std::string saida = "--saida=" + dir_.file("r.txt");
  ASSERT_EQ(Run({"--estrito", "--json", "-", saida}), cmdline::kExitSuccess) << err_ << out_;
  nlohmann::json doc = nlohmann::json::parse(out_);
  EXPECT_EQ(doc["veredito"]["resultado"], "aceitavel") << doc["veredito"].dump(1);
  EXPECT_TRUE(doc["veredito"]["motivos"].empty());

  WriteRisks("20221231");  // the coverage ends before it starts
  EXPECT_EQ(Run({"--json", "-", saida}), cmdline::kExitSuccess);
  EXPECT_EQ(Run({"--estrito", "--json", "-", saida}), cmdline::kExitRejected);
  doc = nlohmann::json::parse(out_);
  EXPECT_EQ(doc["veredito"]["resultado"], "rejeitado");
  ASSERT_EQ(doc["veredito"]["motivos"].size(), 1u);
  EXPECT_EQ(doc["veredito"]["motivos"][0]["tipo"], "vigencia_invertida");

  // A run without the claims file is incomplete.
  std::vector<std::string> args{
      "--catalogo", dir_.folder(), "--riscos",          dir_.file("riscos.dbf"),
      "--estrito",  "--json",      dir_.file("v.json"), saida};
  std::ostringstream out, err;
  EXPECT_EQ(RunCli(args, out, err, &FixedClock), cmdline::kExitRejected);
  doc = nlohmann::json::parse(ReadBytes(dir_.file("v.json")));
  EXPECT_EQ(doc["veredito"]["motivos"][0]["tipo"], "arquivo_faltando");

  // An error outranks the rejection; its message is the verdict's reason.
  tools::WriteFile(dir_.file("DadosKov.DBF"), "not a table");
  EXPECT_EQ(Run({"--estrito", "--json", "-", saida}), cmdline::kExitRunError);
  doc = nlohmann::json::parse(out_);
  EXPECT_EQ(doc["veredito"]["resultado"], "erro");
  EXPECT_EQ(doc["veredito"]["motivos"][0]["texto"], doc["erro"]);
}

TEST_F(RunCliVerdictTest, LimitsTurnCountersIntoReasons) {
  // The claims file's only claim lacks D_AVI: its field counter is 100 %.
  tools::DbfBuilder claims(testing_support::ClaimsLayout());
  claims.Add({"01234", "POL1", "000001", "1", "300", ""});
  claims.Write(dir_.file("sinistros.dbf"));
  const std::string saida = "--saida=" + dir_.file("r.txt");
  EXPECT_EQ(Run({"--estrito", "--limite-falhas=100", saida}), cmdline::kExitSuccess) << err_;
  EXPECT_EQ(Run({"--estrito", "--limite-falhas", "99,999", saida}), cmdline::kExitRejected) << err_;
  // A limit may end in % as people write it: the same limit.
  EXPECT_EQ(Run({"--estrito", "--limite-falhas=100%", saida}), cmdline::kExitSuccess) << err_;
  EXPECT_EQ(Run({"--estrito", "--limite-falhas", "99,999%", saida}), cmdline::kExitRejected)
      << err_;
}

TEST_F(RunCliVerdictTest, OptionsByTheParserKeepThePortugueseTexts) {
  const std::pair<std::vector<std::string>, std::string> bad[] = {
      {{"--desconhecida"}, "opção desconhecida: --desconhecida"},
      {{"solto"}, "opção desconhecida: solto"},
      {{"--json"}, "falta o valor de --json"},
      {{"--tolerancia", "1.5%%"}, "valor inválido de --tolerancia: 1.5%%"},
      {{"--saida", "a.txt", "--json=a.txt"}, "--saida e --json gravam no mesmo arquivo: a.txt"},
      {{"--json", "-", "--detalhes", "-", "--saida", "a"},
       "duas saídas na saída padrão: --detalhes e --json"},
      {{"--detalhes", "-"}, "duas saídas na saída padrão: o relatório e --detalhes"},
      {{"--riscos", "x.dbf", "--detalhes", "x.dbf"}, "a saída x.dbf é um dos arquivos de entrada"},
  };
  for (const auto& [args, message] : bad) {
    SCOPED_TRACE(message);
    std::ostringstream out, err;
    EXPECT_EQ(RunCli(args, out, err, &FixedClock), cmdline::kExitUsage);
    EXPECT_EQ(err.str().rfind("talmero-criticar: " + message, 0), 0u) << err.str();
  }
  std::ostringstream out, err;
  EXPECT_EQ(RunCli({"--version"}, out, err, &FixedClock), cmdline::kExitSuccess);
  EXPECT_EQ(out.str().rfind("talmero-criticar ", 0), 0u);
}

TEST_F(RunCliVerdictTest, DateNoticesCanBeSilencedWithoutChangingTheCounts) {
  WriteRisks("20230230");
  const std::string saida = "--saida=" + dir_.file("r.txt");
  ASSERT_EQ(Run({saida}), cmdline::kExitSuccess);
  EXPECT_EQ(err_, "Data Inválida : 20230230 - Arquivo: " + dir_.file("riscos.dbf") +
                      ", registro 1, campo FIM_VIG\n");
  const std::string report = ReadBytes(dir_.file("r.txt"));
  ASSERT_EQ(Run({saida, "--sem-avisos-de-data", "--detalhes", "-"}), cmdline::kExitSuccess);
  EXPECT_EQ(err_, "");
  EXPECT_NE(out_.find("riscos;1;5;FIM_VIG;data;20230230"), std::string::npos) << out_;
  // The report differs at most in its time stamps, which the fixed clock keeps equal.
  EXPECT_EQ(ReadBytes(dir_.file("r.txt")), report);
}

// The terminal's last line names the state as every output does, accents and all.
TEST(TerminalVerdictLineTest, NamesTheStateWithItsAccents) {
  engine::Verdict verdict;
  EXPECT_EQ(cmdline::TerminalVerdictLine(verdict), "Veredito: aceitável");
  engine::VerdictItem aviso;
  aviso.tipo = "sem_apolice";
  verdict.avisos.push_back(aviso);
  verdict.avisos.push_back(aviso);
  EXPECT_EQ(cmdline::TerminalVerdictLine(verdict),
            "Veredito: aceitável, com avisos (sem_apolice ×2)");
  verdict.resultado = engine::VerdictOutcome::kRejeitado;
  engine::VerdictItem motivo;
  motivo.tipo = "vigencia_invertida";
  verdict.motivos.push_back(motivo);
  EXPECT_EQ(cmdline::TerminalVerdictLine(verdict), "Veredito: rejeitado (vigencia_invertida)");
}

}  // namespace
}  // namespace cli
