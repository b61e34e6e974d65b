// The line under the log: what it says and in which colour for every outcome, and that it agrees
// with the runner's JSON verdict (without limits) on the same inputs.
#include "frontend/verdict_strip.h"

#include <gtest/gtest.h>

#include <exception>
#include <filesystem>
#include <nlohmann/json.hpp>
#include <sstream>

#include "cli/run_cli.h"
#include "engine/validation_run.h"
#include "support/recording_host.h"
#include "support/run_fixture.h"

namespace frontend {
namespace {

engine::Verdict Made(engine::VerdictOutcome outcome, std::size_t motivos, std::size_t avisos,
                     const std::string& error = {}) {
  engine::Verdict verdict;
  verdict.resultado = outcome;
  engine::VerdictItem item;
  item.tipo = outcome == engine::VerdictOutcome::kErro ? "erro" : "estrutura";
  item.texto = outcome == engine::VerdictOutcome::kErro ? error : "O motivo principal.";
  verdict.motivos.assign(motivos, item);
  item.tipo = "falhas_campo";
  item.texto = "Um aviso";
  verdict.avisos.assign(avisos, item);
  return verdict;
}

TEST(VerdictStripTest, TextAndColourOfEveryOutcome) {
  using engine::VerdictOutcome;
  const std::string long_error =
      "tbRiscos: Cannot open file \"C:\\Dados\\Envios de mar\xE7o\\riscos_2024_03.dbf\". O "
      "sistema n\xE3o pode encontrar o arquivo especificado\r\nsegunda linha";
  struct Row {
    engine::Verdict verdict;
    std::optional<std::string> explanation;
    std::string text;
    std::uint32_t colour;
  } rows[] = {
      {Made(VerdictOutcome::kAceitavel, 0, 0),
       {},
       "Aceitável. Painel de falhas: Ctrl+Shift+F",
       0x2E7D32},
      {Made(VerdictOutcome::kAceitavel, 0, 1),
       {},
       "Aceitável, com avisos: 1 aviso. Um aviso. Painel de falhas: Ctrl+Shift+F",
       0xA85F00},
      {Made(VerdictOutcome::kRejeitado, 1, 104),
       {},
       "Rejeitado: 1 motivo, 104 avisos. O motivo principal. Painel de falhas: Ctrl+Shift+F",
       0xB71C1C},
      {Made(VerdictOutcome::kRejeitado, 2, 0),
       {},
       "Rejeitado: 2 motivos. O motivo principal. Painel de falhas: Ctrl+Shift+F",
       0xB71C1C},
      {Made(VerdictOutcome::kErro, 1, 0, "tbDadosKov: Field 'X' not found"),
       {},
       "Erro: tbDadosKov: Field 'X' not found.",
       0x545B62},
      // The first line only, cut at 60 characters (an accented one counts once).
      {Made(VerdictOutcome::kErro, 1, 0, long_error),
       {},
       "Erro: tbRiscos: Cannot open file \"C:\\Dados\\Envios de março\\riscos_…",
       0x545B62},
      {Made(VerdictOutcome::kErro, 1, 0, long_error),
       "arquivo de riscos não encontrado: C:\\Dados\\Envios de março\\riscos_2024_03.dbf",
       "Erro: arquivo de riscos não encontrado: C:\\Dados\\Envios de março\\riscos_2024_03.dbf.",
       0x545B62},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.text);
    // An error leaves no list for the panel.
    const bool panel = row.verdict.resultado != VerdictOutcome::kErro;
    const VerdictStrip strip = StripOf(row.verdict, {{}, panel}, row.explanation);
    EXPECT_EQ(strip.text, row.text);
    EXPECT_EQ(strip.colour, row.colour);
  }
  EXPECT_EQ(StripOf(Made(VerdictOutcome::kAceitavel, 0, 0), {"D:\\Catálogos\\2024", false}).text,
            "Aceitável. Catálogo da pasta D:\\Catálogos\\2024.");
  EXPECT_EQ(ErrorSummary(std::string(60, 'x'), std::nullopt), std::string(60, 'x'));
  EXPECT_EQ(StripReady().text, "Pronto");
  EXPECT_EQ(StripRunning().text, "Criticando…");
  EXPECT_FALSE(StripRunning().colour);
}

class VerdictStripRunTest : public ::testing::Test {
 protected:
  void SetUp() override {
    testing_support::WriteStandardCatalog(dir_);
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

  // The window's run of the two files: its strip.
  VerdictStrip WindowStrip() {
    testing_support::RecordingHost host;
    host.catalogue_folder = dir_.folder();
    host.risk_path = dir_.file("riscos.dbf");
    host.claims_path = dir_.file("sinistros.dbf");
    engine::ValidationRun run;
    std::optional<std::string> error;
    try {
      run.Execute(host);
    } catch (const std::exception& e) {
      error = e.what();
    }
    return StripOf(run.state().result, error, {});
  }

  // The runner's verdict on the same files, as the strip would title it.
  std::string RunnerTitle() {
    std::ostringstream out, err;
    cli::RunCli({"--catalogo", dir_.folder(), "--riscos", dir_.file("riscos.dbf"), "--sinistros",
                 dir_.file("sinistros.dbf"), "--regional", "pt_BR", "--saida", dir_.file("r.txt"),
                 "--json", "-"},
                out, err, [] { return platform::LocalDateTime{2024, 3, 15, 10, 20, 30}; });
    const nlohmann::json verdict = nlohmann::json::parse(out.str())["veredito"];
    if (verdict["resultado"] == "rejeitado") return "Rejeitado";
    if (verdict["resultado"] == "erro") return "Erro";
    return verdict["avisos"].empty() ? "Aceitável" : "Aceitável, com avisos";
  }

  testing_support::TempDir dir_;
};

TEST_F(VerdictStripRunTest, TitleEqualsTheRunnersVerdictWithoutLimits) {
  WriteRisks("20231231");
  EXPECT_EQ(WindowStrip().title, RunnerTitle());
  WriteRisks("20221231");  // the coverage ends before it starts
  EXPECT_EQ(WindowStrip().title, "Rejeitado");
  EXPECT_EQ(RunnerTitle(), "Rejeitado");
  tools::WriteFile(dir_.file("DadosKov.DBF"), "not a table");
  EXPECT_EQ(WindowStrip().title, "Erro");
  EXPECT_EQ(RunnerTitle(), "Erro");
  // The window's strip says what the run kept of its error: which file and why.
  std::filesystem::remove(dir_.file("riscos.dbf"));
  EXPECT_EQ(WindowStrip().text,
            "Erro: arquivo de riscos não encontrado: " + dir_.file("riscos.dbf") + ".");
}

}  // namespace
}  // namespace frontend
