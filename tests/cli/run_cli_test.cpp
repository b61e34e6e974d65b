#include "cli/run_cli.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <sstream>

#include "cmdline/exit_status.h"
#include "support/run_fixture.h"

namespace cli {
namespace {

using testing_support::TempDir;

platform::LocalDateTime FixedClock() { return {2024, 3, 15, 0, 0, 0}; }

struct Outcome {
  int status;
  std::string out;
  std::string err;
};

Outcome RunArgs(const std::vector<std::string>& args) {
  std::ostringstream out;
  std::ostringstream err;
  const int status = RunCli(args, out, err, &FixedClock);
  return {status, out.str(), err.str()};
}

const std::string kRule(80, '=');

TEST(RunCliTest, WithoutPathsPrintsTheFrameInUtf8) {
  TempDir dir;
  testing_support::WriteStandardCatalog(dir);
  const Outcome o = RunArgs({"--catalogo", dir.path().string(), "--regional", "pt_BR"});
  EXPECT_EQ(o.status, cmdline::kExitSuccess);
  EXPECT_EQ(o.err, "");
  // Midnight: the time stamp is the date alone.
  EXPECT_EQ(o.out, "Início do processamento: 15/03/2024\n\n\n\n" + kRule +
                       "\n\nFim do processamento: 15/03/2024\n\n" + kRule + "\n");
}

TEST(RunCliTest, OpenErrorsEndWithStatusOneAndTheBoxText) {
  TempDir dir;
  testing_support::WriteStandardCatalog(dir);
  const std::string missing = dir.file("nao-existe.dbf");
  Outcome o = RunArgs({"--catalogo", dir.folder(), "--riscos", missing, "--regional", "pt_BR"});
  EXPECT_EQ(o.status, cmdline::kExitRunError);
  EXPECT_EQ(o.err, "TMarlSmartDBF.InternalOpen: Open error \"" + missing +
                       "\"\ncausa: arquivo de riscos não encontrado: " + missing + "\n");
  EXPECT_EQ(o.out, "Início do processamento: 15/03/2024\n\n\n");  // the lines so far

  const std::string text = dir.file("texto.dbf");
  tools::WriteFile(text, "isto não é uma tabela");
  o = RunArgs({"--catalogo", dir.folder(), "--sinistros", text});
  EXPECT_EQ(o.status, cmdline::kExitRunError);
  EXPECT_EQ(o.err, "TMarlSmartDBF.InternalOpen: File \"" + text + "\" is not DBF file.\n");
}

TEST(RunCliTest, SaidaWritesTheExportBytes) {
  TempDir dir;
  testing_support::WriteStandardCatalog(dir);
  const std::string saida = dir.file("relatorio.txt");
  const Outcome o = RunArgs({"--catalogo", dir.folder(), "--regional", "en_US", "--saida", saida});
  ASSERT_EQ(o.status, cmdline::kExitSuccess);
  EXPECT_EQ(o.out, "");
  std::ifstream in(saida, std::ios::binary);
  std::stringstream bytes;
  bytes << in.rdbuf();
  EXPECT_EQ(bytes.str(),
            "In\xED"
            "cio do processamento: 3/15/2024\r\n\r\n\r\n\r\n" +
                kRule + "\r\n\r\nFim do processamento: 3/15/2024\r\n\r\n" + kRule + "\r\n");

  const Outcome bad = RunArgs({"--catalogo", dir.folder(), "--saida", dir.file("nada/x.txt")});
  EXPECT_EQ(bad.status, cmdline::kExitRunError);
  EXPECT_EQ(bad.err.rfind("Cannot create file \"" + dir.file("nada/x.txt") + "\". ", 0), 0u);
}

TEST(RunCliTest, InvalidDatesGoToStandardErrorAsTheyHappen) {
  TempDir dir;
  testing_support::WriteStandardCatalog(dir);
  tools::DbfBuilder(testing_support::ClaimsLayout())
      .Add({"01234", "POL1", "000001", "1", "300", "20230229"})
      .Write(dir.file("sinistros.dbf"));
  const Outcome o = RunArgs({"--catalogo", dir.folder(), "--sinistros", dir.file("sinistros.dbf"),
                             "--regional", "pt_BR"});
  EXPECT_EQ(o.status, cmdline::kExitSuccess);
  EXPECT_EQ(o.err, "Data Inválida : 20230229\n");
}

TEST(RunCliTest, WrongUsageAndHelp) {
  const char* bad[][2] = {{"--desconhecida", "x"}, {"--regional", "fr_FR"}, {"--riscos", nullptr}};
  for (const auto& args : bad) {
    std::vector<std::string> v{args[0]};
    if (args[1] != nullptr) v.emplace_back(args[1]);
    SCOPED_TRACE(v[0]);
    const Outcome o = RunArgs(v);
    EXPECT_EQ(o.status, cmdline::kExitUsage);
    // The message stays in sight: no help scrolling it away, only where the help is.
    EXPECT_LE(std::count(o.err.begin(), o.err.end(), '\n'), 3) << o.err;
    EXPECT_NE(o.err.find("\nuse --help para ver as opções\n"), std::string::npos) << o.err;
  }
  const Outcome help = RunArgs({"--help"});
  EXPECT_EQ(help.status, cmdline::kExitSuccess);
  EXPECT_NE(help.out.find("--sinistros"), std::string::npos);
}

}  // namespace
}  // namespace cli
