// The runner's progress line: shown on a terminal or with --progresso, blanked before every
// other message, absent otherwise.
#include <gtest/gtest.h>

#include <cstdlib>
#include <sstream>

#ifndef _WIN32
#include <fcntl.h>
#include <unistd.h>
#endif

#include "cli/cli_test_support.h"
#include "cli/progress_line.h"
#include "cli/run_cli.h"
#include "cmdline/exit_status.h"
#include "outputs/xlsx_workbook.h"
#include "support/run_fixture.h"

namespace cli {
namespace {

using testing_support::TempDir;

// What a terminal shows for `bytes`: the finished lines, and the unfinished last one. "\r"
// returns to the start of the line and the next characters (UTF-8, one cell each) overwrite
// what is there.
std::vector<std::string> Screen(const std::string& bytes) {
  std::vector<std::vector<std::string>> lines(1);  // cells
  std::size_t column = 0;
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    std::vector<std::string>& line = lines.back();
    const char c = bytes[i];
    if (c == '\n') {
      lines.emplace_back();
      column = 0;
    } else if (c == '\r') {
      column = 0;
    } else {
      std::string cell(1, c);
      while (i + 1 < bytes.size() && (static_cast<unsigned char>(bytes[i + 1]) & 0xC0) == 0x80) {
        cell += bytes[++i];
      }
      if (column < line.size()) {
        line[column] = cell;
      } else {
        line.push_back(cell);
      }
      ++column;
    }
  }
  std::vector<std::string> screen;
  for (const auto& cells : lines) {
    std::string& text = screen.emplace_back();
    for (const std::string& cell : cells) text += cell;
    text.erase(text.find_last_not_of(' ') + 1);
  }
  return screen;
}

class RunCliProgressTest : public ::testing::Test {
 protected:
  void SetUp() override {
    testing_support::WriteStandardCatalog(dir_);
    tools::DbfBuilder claims(testing_support::ClaimsLayout());
    claims.Add({"01234", "POL1", "000001", "1", "300", "20230229"});
    claims.Add({"01234", "POL1", "000001", "1", "300", "20230230"});
    claims.Write(dir_.file("sinistros.dbf"));
  }

  int Run(std::vector<std::string> extra, bool terminal) {
    std::vector<std::string> args{"--catalogo",  dir_.folder(),
                                  "--sinistros", dir_.file("sinistros.dbf"),
                                  "--saida",     dir_.file("r.txt")};
    args.insert(args.end(), extra.begin(), extra.end());
    std::ostringstream out;
    std::ostringstream err;
    const int status = RunCli(args, out, err, &FixedClock, terminal);
    err_ = err.str();
    return status;
  }

  // The invalid-date line of the claims file's record `record`.
  std::string Notice(const std::string& date, int record) const {
    return "Data Inválida : " + date + " - Arquivo: " + dir_.file("sinistros.dbf") + ", registro " +
           std::to_string(record) + ", campo D_AVI";
  }

  TempDir dir_;
  std::string err_;
};

// Without the risks file the run is rejected: a terminal's last line says so.
constexpr const char* kVerdictLine = "Veredito: rejeitado (arquivo_faltando)";

TEST_F(RunCliProgressTest, LineIsBlankedBeforeEachNoticeAndAtTheEnd) {
  std::vector<std::string> notices{Notice("20230229", 1), Notice("20230230", 2), ""};
  for (const bool terminal : {false, true}) {
    SCOPED_TRACE(terminal);
    ASSERT_EQ(Run(terminal ? std::vector<std::string>{} : std::vector<std::string>{"--progresso"},
                  terminal),
              cmdline::kExitSuccess);
    EXPECT_NE(err_.find("\rtalmero-criticar: crítica dos campos: SINISTROS 0%"), std::string::npos)
        << err_;
    if (terminal) notices.insert(notices.end() - 1, kVerdictLine);
    EXPECT_EQ(Screen(err_), notices) << err_;
  }

  // An error that ends the run is written on a line of its own too, before the verdict.
  tools::WriteFile(dir_.file("DadosKov.DBF"), "not a table");
  ASSERT_EQ(Run({"--progresso"}, false), cmdline::kExitRunError);
  std::vector<std::string> screen = Screen(err_);
  ASSERT_EQ(screen.size(), 4u) << err_;
  EXPECT_EQ(screen[2].rfind("TMarlSmartDBF", 0), 0u) << err_;
  ASSERT_EQ(Run({}, true), cmdline::kExitRunError);
  screen = Screen(err_);
  ASSERT_EQ(screen.size(), 5u) << err_;
  EXPECT_EQ(screen[2].rfind("TMarlSmartDBF", 0), 0u) << err_;
  EXPECT_EQ(screen[3], "Veredito: erro") << err_;
}

TEST_F(RunCliProgressTest, NoLineWhenOffOrNotATerminal) {
  const std::string notices = Notice("20230229", 1) + "\n" + Notice("20230230", 2) + "\n";
  const std::string verdict = notices + kVerdictLine + "\n";
  ASSERT_EQ(Run({}, false), cmdline::kExitSuccess);
  EXPECT_EQ(err_, notices);
  ASSERT_EQ(Run({"--sem-progresso"}, true), cmdline::kExitSuccess);
  EXPECT_EQ(err_, verdict);
  ASSERT_EQ(Run({"--progresso", "--sem-progresso"}, false), cmdline::kExitSuccess);
  EXPECT_EQ(err_, notices);
  // The failure list on standard output would share the terminal with the line.
  ASSERT_EQ(Run({"--detalhes", "-"}, true), cmdline::kExitSuccess);
  EXPECT_EQ(err_, verdict);
}

// After the walk the line names each workbook while it is written, and is blanked before the
// verdict; without the line nothing of it is written.
TEST_F(RunCliProgressTest, TheLineNamesTheWorkbooksBeingWritten) {
  if (!outputs::XlsxAvailable()) GTEST_SKIP() << "this build writes no workbooks";
  const std::vector<std::string> books = {"--detalhes", dir_.file("falhas.xlsx"), "--extrato",
                                          dir_.file("extrato.xlsx")};
  ASSERT_EQ(Run(books, true), cmdline::kExitSuccess);
  for (const char* name : {"falhas.xlsx", "extrato.xlsx"}) {
    EXPECT_NE(err_.find(std::string(name) + "…"), std::string::npos) << err_;
  }
  EXPECT_NE(err_.find("\rtalmero-criticar: Gravando pasta"), std::string::npos) << err_;
  EXPECT_EQ(Screen(err_), (std::vector<std::string>{Notice("20230229", 1), Notice("20230230", 2),
                                                    kVerdictLine, ""}))
      << err_;
  ASSERT_EQ(Run(books, false), cmdline::kExitSuccess);
  EXPECT_EQ(err_.find("Gravando"), std::string::npos) << err_;
}

#ifndef _WIN32
// The program itself, its standard error on a pseudo-terminal and then on a pipe: the verdict
// line is the terminal's last, and never reaches a pipe.
TEST_F(RunCliProgressTest, TheProgramEndsATerminalWithTheVerdict) {
  const std::string program = std::string(TALMERO_BIN_DIR) + "/talmero-criticar";
  const std::string args = " --catalogo '" + dir_.folder() + "' --sinistros '" +
                           dir_.file("sinistros.dbf") + "' --saida '" + dir_.file("r.txt") + "'";
  const int master = posix_openpt(O_RDWR | O_NOCTTY);
  if (master < 0) GTEST_SKIP() << "no pseudo-terminals here";
  ASSERT_EQ(grantpt(master), 0);
  ASSERT_EQ(unlockpt(master), 0);
  // Held open here too, so what the program wrote stays readable after it ends.
  const int slave = open(ptsname(master), O_RDWR | O_NOCTTY);
  ASSERT_GE(slave, 0);
  const std::string command = program + args + " 2>" + ptsname(master);
  EXPECT_EQ(std::system(command.c_str()), 0) << command;
  fcntl(master, F_SETFL, O_NONBLOCK);
  std::string terminal;
  char bytes[4096];
  for (ssize_t n; (n = read(master, bytes, sizeof bytes)) > 0;) {
    terminal.append(bytes, static_cast<std::size_t>(n));
  }
  close(slave);
  close(master);
  std::vector<std::string> screen = Screen(terminal);
  ASSERT_GE(screen.size(), 2u) << terminal;
  EXPECT_EQ(screen[screen.size() - 2], kVerdictLine) << terminal;

  const std::string piped = dir_.file("err.txt");
  EXPECT_EQ(std::system((program + args + " 2>&1 | cat >'" + piped + "'").c_str()), 0);
  EXPECT_EQ(ReadBytes(piped), Notice("20230229", 1) + "\n" + Notice("20230230", 2) + "\n");
}
#endif

TEST(ProgressLineTest, DrawsAtMostTenTimesASecondAndCoversALongerLine) {
  std::ostringstream err;
  ProgressLine line(err, true);
  const ProgressLine::Clock::time_point t0{};
  line.Update("campos: RISCOS", 0, 200, t0 + std::chrono::seconds(1));
  line.Update("campos: RISCOS", 50, 200, t0 + std::chrono::milliseconds(1099));
  line.Update("campos", 100, 200, t0 + std::chrono::milliseconds(1100));
  line.Update("campos", 0, 0, t0 + std::chrono::milliseconds(1150));
  EXPECT_EQ(Screen(err.str()), std::vector<std::string>{"talmero-criticar: campos 50%"});
  line.Clear();
  line.Clear();
  EXPECT_EQ(Screen(err.str()), std::vector<std::string>{""});
  EXPECT_EQ(ProgressText("x", 7, 0), "talmero-criticar: x");

  // A workbook begun is shown at once, however recent the last line; its share as told.
  line.Update("campos", 10, 200, t0 + std::chrono::seconds(2));
  line.Writing("a.xlsx", 0, 0, t0 + std::chrono::milliseconds(2010));
  EXPECT_EQ(Screen(err.str()).back(), "talmero-criticar: Gravando pasta de trabalho a.xlsx…");
  line.Writing("b.xlsx", 1, 4, t0 + std::chrono::milliseconds(2020));
  line.Writing("b.xlsx", 3, 4, t0 + std::chrono::milliseconds(2200));
  EXPECT_EQ(Screen(err.str()).back(),
            "talmero-criticar: Gravando pastas de trabalho a.xlsx…, b.xlsx… 75%");
  line.Written("a.xlsx");
  EXPECT_EQ(Screen(err.str()).back(), "talmero-criticar: Gravando pasta de trabalho b.xlsx… 75%");
  line.Written("b.xlsx");
  EXPECT_EQ(Screen(err.str()).back(), "");
}

}  // namespace
}  // namespace cli
