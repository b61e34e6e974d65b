#include "cli/run_cli.h"

#include <gtest/gtest.h>
#include <locale.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <optional>
#include <sstream>

#include "cli/usage_text.h"
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
  // The notice's text first, as scripts read it, then where the date stands.
  EXPECT_EQ(o.err, "Data Inválida : 20230229 - Arquivo: " + dir.file("sinistros.dbf") +
                       ", registro 1, campo D_AVI\n");
}

#ifndef _WIN32
// "sistema" with the pt_BR locale the environment asks for missing from the system: the built-in
// pt_BR formats, said once on standard error, not the US defaults in silence.
TEST(RunCliTest, AMissingPtBrLocaleGivesTheBuiltInOneAndSaysSo) {
  std::vector<std::pair<std::string, std::optional<std::string>>> saved;
  for (const char* name : {"LC_ALL", "LC_NUMERIC", "LC_TIME", "LANG"}) {
    const char* value = std::getenv(name);
    saved.emplace_back(name, value ? std::optional<std::string>(value) : std::nullopt);
    unsetenv(name);
  }
  setenv("LANG", "pt_BR.UTF-8", 1);
  struct Restore {
    std::vector<std::pair<std::string, std::optional<std::string>>>& saved;
    ~Restore() {
      for (const auto& [name, value] : saved) {
        if (value) {
          setenv(name.c_str(), value->c_str(), 1);
        } else {
          unsetenv(name.c_str());
        }
      }
    }
  } const restore{saved};
  if (locale_t loc =
          newlocale(LC_NUMERIC_MASK | LC_TIME_MASK, "", static_cast<locale_t>(nullptr))) {
    freelocale(loc);
    GTEST_SKIP() << "this system has pt_BR.UTF-8";
  }
  TempDir dir;
  testing_support::WriteStandardCatalog(dir);
  const Outcome o =
      RunArgs({"--catalogo", dir.folder(), "--regional", "sistema", "--saida", dir.file("r.txt")});
  EXPECT_EQ(o.status, cmdline::kExitSuccess);
  EXPECT_EQ(o.err.rfind("aviso: a localidade pt_BR.UTF-8 não está instalada neste sistema; "
                        "usados os formatos de pt_BR do programa\n",
                        0),
            0u)
      << o.err;
  EXPECT_EQ(o.err.find("aviso: a localidade", 1), std::string::npos) << o.err;
  std::ifstream in(dir.file("r.txt"), std::ios::binary);
  std::string first;
  std::getline(in, first);
  EXPECT_EQ(first,
            "In\xED"
            "cio do processamento: 15/03/2024\r");  // the clock says midnight
}
#endif

// No argument at all is a slip, not an empty check: the usage on standard error, status 2.
TEST(RunCliTest, NoArgumentAtAllIsWrongUsage) {
  std::ostringstream out, err;
  EXPECT_EQ(RunCli({}, out, err, &FixedClock), cmdline::kExitUsage);
  EXPECT_EQ(out.str(), "");
  EXPECT_EQ(err.str(), UsageText());
}

// The old Excel format is never written: a failure list or an extract named .xls is refused.
TEST(RunCliTest, XlsIsRefusedForTheWorkbookOutputs) {
  for (const std::string option : {"--extrato", "--detalhes"}) {
    for (const std::string name : {"x.xls", "X.XLS"}) {
      SCOPED_TRACE(option + " " + name);
      std::ostringstream out, err;
      EXPECT_EQ(RunCli({option, name}, out, err, &FixedClock), cmdline::kExitUsage);
      EXPECT_NE(err.str().find("use .xlsx ou .csv"), std::string::npos) << err.str();
    }
  }
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
