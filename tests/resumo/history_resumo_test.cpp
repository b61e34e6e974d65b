// talmero-resumo --historico on histories recorded by real runs of the runner: the runs of
// several histories oldest first, one company's, the page's charts, and a history that cannot be
// read told by name and left as it was.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <sstream>

#include "cli/cli_test_support.h"
#include "cli/run_cli.h"
#include "cmdline/exit_status.h"
#include "history/history_db.h"
#include "history/sqlite_handle.h"
#include "resumo/run_resumo.h"
#include "support/run_fixture.h"

#ifndef _WIN32
#include <sys/wait.h>
#include <unistd.h>
#endif

namespace resumo {
namespace {

using testing_support::TempDir;

platform::LocalDateTime March14() { return {2024, 3, 14, 8, 0, 0}; }
platform::LocalDateTime March15() { return {2024, 3, 15, 9, 5, 7}; }
platform::LocalDateTime March16() { return {2024, 3, 16, 10, 0, 0}; }

constexpr const char* kJsonHeader =
    "resultado_json;cod_seg;empresa;riscos;sinistros;resultado;motivos;registros_riscos;"
    "registros_sinistros;sem_apolice;vigencia_invertida;campos_mais_falhos;avisos";

std::vector<std::string> Lines(const std::string& csv) {
  std::vector<std::string> lines;
  std::istringstream in(csv);
  for (std::string line; std::getline(in, line);) lines.push_back(line.substr(0, line.size() - 1));
  return lines;
}

class HistoryResumoTest : public ::testing::Test {
 protected:
  void SetUp() override {
    testing_support::WriteStandardCatalog(dir_);
    tools::DbfBuilder claims(testing_support::ClaimsLayout());
    claims.Add({"01234", "POL1", "000001", "1", "300", "20230601"});
    claims.Write(dir_.file("sinistros.dbf"));
    WriteRisks("bom.dbf", "01234", "000001");
    WriteRisks("ruim.dbf", "01234", "");  // ITEM missing
    WriteRisks("outra.dbf", "99999", "000001");
  }
  void WriteRisks(const std::string& name, const std::string& cod_seg, const std::string& item) {
    tools::DbfBuilder risks(testing_support::RisksLayout());
    risks.Add({cod_seg, "POL1", "000001", "20230101", "20231231", "20230115", "1100", "0", "0",
               "300", "100", "0"});
    risks.Add(
        {cod_seg, "POL2", item, "20230101", "20231231", "20230115", "0", "0", "0", "0", "0", "0"});
    risks.Write(dir_.file(name));
  }
  // One run of the runner recorded in `history`, begun at `clock`'s time; its JSON result in
  // `json` when named.
  int Criticar(const std::string& risks, const std::string& history,
               platform::LocalDateTime (*clock)(), const std::string& json = "") {
    std::vector<std::string> args{"--catalogo",      dir_.folder(), "--riscos",
                                  dir_.file(risks),  "--sinistros", dir_.file("sinistros.dbf"),
                                  "--historico",     history,       "--saida",
                                  dir_.file("r.txt")};
    if (!json.empty()) args.insert(args.end(), {"--json", json});
    std::ostringstream out, err;
    return cli::RunCli(args, out, err, clock);
  }
  int Resumir(const std::vector<std::string>& args) {
    std::ostringstream out, err;
    const int status = RunResumo(args, out, err);
    out_ = out.str();
    err_ = err.str();
    return status;
  }
  // The files in the folder, by name.
  std::vector<std::string> Files() const {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(dir_.path())) {
      names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
  }

  TempDir dir_;
  std::string out_;
  std::string err_;
};

// Two hosts' histories, three runs: one row per run, oldest first whichever history holds it,
// with the columns of a JSON result's row (the same figures as the run's own result) and the
// run's number, start and history; --empresa keeps one company's. The page charts the failures
// of each company's fields over its runs. Reading leaves no file beside the histories.
TEST_F(HistoryResumoTest, RunsOfSeveralHistoriesOldestFirstAndOneCompanys) {
  const std::string a = dir_.file("a.db");
  const std::string b = dir_.file("b.db");
  const std::string json = dir_.file("ruim.json");
  Criticar("bom.dbf", a, &March15);
  Criticar("outra.dbf", b, &March16);
  Criticar("ruim.dbf", b, &March14, json);  // recorded last, begun first
  const std::vector<std::string> files = Files();

  ASSERT_EQ(Resumir({"--historico", a, b}), cmdline::kExitSuccess) << err_;
  std::vector<std::string> rows = Lines(out_);
  ASSERT_EQ(rows.size(), 4u) << out_;
  EXPECT_EQ(rows[0], std::string(kJsonHeader) + ";id;inicio;historico");
  EXPECT_TRUE(rows[1].ends_with(";2;2024-03-14T08:00:00;" + b)) << rows[1];
  EXPECT_TRUE(rows[2].ends_with(";1;2024-03-15T09:05:07;" + a)) << rows[2];
  EXPECT_TRUE(rows[3].ends_with(";1;2024-03-16T10:00:00;" + b)) << rows[3];
  EXPECT_NE(rows[3].find(";99999;;"), std::string::npos) << rows[3];
  // The recorded run reads as its JSON result does, but for the file the row comes from.
  const std::string recorded = rows[1];
  ASSERT_EQ(Resumir({json}), cmdline::kExitSuccess) << err_;
  const std::string from_json = Lines(out_).at(1);
  EXPECT_NE(from_json.find(";RISCOS.ITEM 1;"), std::string::npos) << from_json;
  EXPECT_EQ(";" + from_json.substr(json.size() + 1) + ";2;2024-03-14T08:00:00;" + b, recorded);

  ASSERT_EQ(Resumir({"--empresa", " 01234 ", "--historico", b, "--historico", a}),
            cmdline::kExitSuccess)
      << err_;
  rows = Lines(out_);
  ASSERT_EQ(rows.size(), 3u) << out_;
  EXPECT_TRUE(rows[1].ends_with(";2024-03-14T08:00:00;" + b)) << rows[1];
  EXPECT_TRUE(rows[2].ends_with(";2024-03-15T09:05:07;" + a)) << rows[2];

  const std::string html = dir_.file("resumo.html");
  ASSERT_EQ(Resumir({"--saida", html, "--historico", a, b}), cmdline::kExitSuccess) << err_;
  const std::string page = cli::ReadBytes(html);
  EXPECT_NE(page.find("<th>Início</th><th>Histórico</th></tr>"), std::string::npos);
  const std::size_t company = page.find("<h3>01234 — SEGURADORA TESTE S.A.</h3>");
  ASSERT_NE(company, std::string::npos) << page;
  // RISCOS.ITEM failed once in the first run and not in the second.
  const std::size_t chart = page.find(">RISCOS.ITEM</figcaption>", company);
  ASSERT_NE(chart, std::string::npos) << page.substr(company);
  EXPECT_NE(page.find("<title>nº 2, 2024-03-14T08:00:00: 1 falha</title>", chart),
            std::string::npos);
  EXPECT_NE(page.find("<title>nº 1, 2024-03-15T09:05:07: 0 falhas</title>", chart),
            std::string::npos);
  EXPECT_NE(page.find("<h3>99999</h3>", company), std::string::npos);

  std::vector<std::string> now = Files();
  now.erase(std::remove(now.begin(), now.end(), "resumo.html"), now.end());
  EXPECT_EQ(now, files);
}

// Twelve runs side by side on one history, each its own process: every one ends well and is
// recorded, and the summary lists them all.
TEST_F(HistoryResumoTest, TwelveRunsSideBySideAllRecorded) {
#ifdef _WIN32
  // Runs side by side are programs side by side; without fork they are not started from here
  // (the history's own side-by-side test covers Windows, HistoryDbTest.RunsSideBySideAllLand).
  GTEST_SKIP() << "runs side by side are started with fork";
#else
  constexpr std::size_t kRuns = 12;
  const std::string history = dir_.file("h.db");
  std::vector<int> statuses(kRuns, -1);
  std::vector<pid_t> children;
  for (std::size_t i = 0; i < kRuns; ++i) {
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) _exit(Criticar("ruim.dbf", history, &March15));
    children.push_back(child);
  }
  for (std::size_t i = 0; i < kRuns; ++i) {
    int status = 0;
    ASSERT_EQ(::waitpid(children[i], &status, 0), children[i]);
    statuses[i] = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }
  EXPECT_EQ(statuses, std::vector<int>(kRuns, cmdline::kExitSuccess));
  ASSERT_EQ(Resumir({"--historico", history}), cmdline::kExitSuccess) << err_;
  const std::vector<std::string> rows = Lines(out_);
  ASSERT_EQ(rows.size(), kRuns + 1) << out_;
  for (std::size_t id = 1; id <= kRuns; ++id) {
    EXPECT_TRUE(rows[id].ends_with(";" + std::to_string(id) + ";2024-03-15T09:05:07;" + history))
        << rows[id];
  }
#endif
}

// A history that cannot be read, missing or no history or of a newer program, is an error naming
// it, with the status of an unreadable result; the other history is still summarised. The file
// is left as it was, nothing created beside it; a missing one is not created.
TEST_F(HistoryResumoTest, AHistoryThatCannotBeReadIsAnErrorAndLeftAsItWas) {
  const std::string good = dir_.file("a.db");
  Criticar("bom.dbf", good, &March15);
  const std::string newer = dir_.file("newer.db");
  Criticar("bom.dbf", newer, &March15);
  {
    history::Connection db(newer);
    db.Exec("PRAGMA user_version = 99");
  }
  const std::string other = dir_.file("other.db");  // another program's database, in WAL mode
  {
    history::Connection db(other);
    db.Exec("PRAGMA journal_mode = WAL; CREATE TABLE t (a); INSERT INTO t VALUES (1)");
  }
  const std::string text = dir_.file("notes.txt");
  tools::WriteFile(text, std::string(200, 'x'));
  const std::pair<std::string, std::string> cases[] = {
      {dir_.file("missing.db"), "the file does not exist"},
      {text, "not an SQLite database"},
      {other, "an SQLite database without its tables"},
      {newer, "newer version of the program (schema 99)"},
      {dir_.folder(), "it is a folder"},
  };
  for (const auto& [path, reason] : cases) {
    SCOPED_TRACE(path);
    const std::vector<std::string> files = Files();
    const std::string before = std::filesystem::is_regular_file(path) ? cli::ReadBytes(path) : "";
    ASSERT_EQ(Resumir({"--historico", path, good}), cmdline::kExitRunError);
    EXPECT_EQ(err_.rfind("talmero-resumo: " + path + ": o histórico não pôde ser lido: ", 0), 0u)
        << err_;
    EXPECT_NE(err_.find(reason), std::string::npos) << err_;
    EXPECT_EQ(Lines(out_).size(), 2u) << out_;  // the good history's run
    EXPECT_EQ(Files(), files);
    if (std::filesystem::is_regular_file(path)) {
      EXPECT_EQ(cli::ReadBytes(path), before);
    }
  }

  // Histories and JSON results are summarised apart; --empresa is for histories.
  EXPECT_EQ(Resumir({"r.json", "--historico", good}), cmdline::kExitUsage);
  EXPECT_NE(err_.find("--historico não se junta a resultados JSON (r.json)"), std::string::npos)
      << err_;
  EXPECT_EQ(Resumir({"--empresa", "01234", "r.json"}), cmdline::kExitUsage);
  EXPECT_EQ(Resumir({"--saida", good, "--historico", good}), cmdline::kExitUsage);
}

}  // namespace
}  // namespace resumo
