// The runner's history on whole runs: the second run of a company tells the failures fixed, new
// and kept by their identity (file, field, check, APOLICE, ENDOSSO, ITEM), not by record number.
#include <gtest/gtest.h>

#include <filesystem>
#include <nlohmann/json.hpp>
#include <sstream>

#include "cli/run_cli.h"
#include "cmdline/exit_status.h"
#include "support/file_bytes.h"
#include "support/run_fixture.h"
#include "tools/dbf_writer.h"

namespace history {
namespace {

using cli::RunCli;
using nlohmann::json;

platform::LocalDateTime FixedClock() { return {2024, 3, 15, 9, 5, 7}; }

using testing_support::ReadBytes;

class RunHistoryTest : public ::testing::Test {
 protected:
  void SetUp() override {
    testing_support::WriteStandardCatalog(dir_);
    tools::DbfBuilder risks(testing_support::RisksLayout());
    risks.Add({"01234", "POL1", "000001", "20230101", "20231231", "20230115", "1100", "0", "0",
               "300", "100", "0"});
    risks.Write(dir_.file("riscos.dbf"));
  }
  // Claims of item 000001 of each policy, EVENTO 9 (outside the domain).
  void WriteClaims(const std::vector<std::string>& policies) {
    tools::DbfBuilder claims(testing_support::ClaimsLayout());
    claims.Add({"01234", "POL1", "000001", "1", "300", "20230601"});  // passes
    for (const std::string& p : policies) claims.Add({"01234", p, "000001", "9", "1", "20230601"});
    claims.Write(dir_.file("sinistros.dbf"));
  }
  json Run(std::vector<std::string> extra, int expected = cmdline::kExitSuccess) {
    std::vector<std::string> args{"--catalogo=" + dir_.folder(),   "--riscos",
                                  dir_.file("riscos.dbf"),         "--sinistros",
                                  dir_.file("sinistros.dbf"),      "--regional=pt_BR",
                                  "--saida=" + dir_.file("r.txt"), "--json=-"};
    args.insert(args.end(), extra.begin(), extra.end());
    std::ostringstream out;
    std::ostringstream err;
    EXPECT_EQ(RunCli(args, out, err, &FixedClock), expected) << err.str();
    return json::parse(out.str());
  }
  static const json* Group(const json& comparison, const std::string& campo,
                           const std::string& verificacao) {
    for (const json& g : comparison["por_campo"]) {
      if (g["campo"] == campo && g["verificacao"] == verificacao) return &g;
    }
    return nullptr;
  }

  testing_support::TempDir dir_;
};

TEST_F(RunHistoryTest, SecondRunCountsFixedNewAndKeptByIdentity) {
  const std::string historico = "--historico=" + dir_.file("historico.db");
  WriteClaims({"POL2", "POL2", "POL3", "POL5"});
  EXPECT_FALSE(Run({}).contains("comparacao"));           // without a history the key is absent
  EXPECT_TRUE(Run({historico})["comparacao"].is_null());  // nothing earlier

  // POL5 fixed; POL2 a third time; POL4 new; and every record moved.
  WriteClaims({"POL4", "POL2", "POL3", "POL2", "POL2"});
  const json c = Run({historico})["comparacao"];
  ASSERT_TRUE(c.is_object()) << c;
  EXPECT_EQ(c["anterior"]["id"], 1);
  EXPECT_EQ(c["anterior"]["resultado"], "aceitavel");
  ASSERT_EQ(c["anterior"]["entradas"].size(), 2u);
  EXPECT_EQ(c["anterior"]["entradas"][1]["arquivo"], "sinistros");
  const json* evento = Group(c, "EVENTO", "dominio");
  ASSERT_NE(evento, nullptr) << c.dump(1);
  EXPECT_EQ((*evento)["arquivo"], "sinistros");
  EXPECT_EQ((*evento)["antes"], 4);
  EXPECT_EQ((*evento)["agora"], 5);
  EXPECT_EQ((*evento)["corrigidas"], 1);  // POL5
  EXPECT_EQ((*evento)["novas"], 2);       // POL4 and the third POL2
  // The same policies lack a risk: 4 before, 5 now, beside today's count.
  const json* sem_apolice = Group(c, "APOLICE+ITEM", "sem_apolice");
  ASSERT_NE(sem_apolice, nullptr);
  EXPECT_EQ((*sem_apolice)["corrigidas"], 1);
  EXPECT_EQ((*sem_apolice)["novas"], 2);
  EXPECT_EQ(c["sem_apolice"], json({{"antes", 4}, {"agora", 5}}));
  EXPECT_EQ(c["falhas_corrigidas"], 2);
  EXPECT_EQ(c["falhas_novas"], 4);
  EXPECT_EQ(c["falhas_mantidas"], 6);
  EXPECT_EQ(c["conciliacao"]["antes"].size(), 2u);
  EXPECT_EQ(c["conciliacao"]["agora"].size(), 2u);
}

// Enough claims for several chunks on several threads and for several blocks of one group: the
// comparison is the same whatever the thread count.
TEST_F(RunHistoryTest, ComparisonIsTheSameAtOneTwoAndThreeThreads) {
  auto policies = [](int from, int to) {
    std::vector<std::string> p;
    for (int i = from; i < to; ++i) p.push_back("P" + std::to_string(i));
    return p;
  };
  std::vector<json> comparisons;
  for (const char* threads : {"--nucleos=1", "--nucleos=2", "--nucleos=3"}) {
    const std::string historico = "--historico=" + dir_.file(std::string(threads + 10) + ".db");
    WriteClaims(policies(0, 20000));
    Run({historico, threads});
    WriteClaims(policies(5000, 25000));
    comparisons.push_back(Run({historico, threads})["comparacao"]);
    comparisons.back().erase("anterior");  // the files' times differ
  }
  const json* evento = Group(comparisons[0], "EVENTO", "dominio");
  ASSERT_NE(evento, nullptr);
  EXPECT_EQ((*evento)["corrigidas"], 5000);
  EXPECT_EQ((*evento)["novas"], 5000);
  EXPECT_EQ(comparisons[0]["falhas_mantidas"], 2 * 15000);  // EVENTO's and the missing policies'
  EXPECT_EQ(comparisons[1], comparisons[0]);
  EXPECT_EQ(comparisons[2], comparisons[0]);
}

// The failure list's rows: campo, verificacao, apolice and the column nova ("-": absent).
std::vector<std::string> MarkedRows(const std::string& csv) {
  std::vector<std::string> rows;
  std::istringstream lines(csv);
  std::string line;
  std::getline(lines, line);
  const bool marked = line.ends_with(";nova\r");
  while (std::getline(lines, line)) {
    std::vector<std::string> cells;
    std::istringstream fields(line.substr(0, line.size() - 1));
    for (std::string cell; std::getline(fields, cell, ';');) cells.push_back(cell);
    if (line.ends_with(";\r")) cells.emplace_back();
    const std::string apolice = cells[13].substr(0, cells[13].find(' '));
    rows.push_back(cells[3] + " " + cells[4] + " " + apolice + " " + (marked ? cells.at(18) : "-"));
  }
  return rows;
}

TEST_F(RunHistoryTest, FailureListMarksTheRowsNewAgainstTheEarlierRun) {
  const std::string historico = "--historico=" + dir_.file("historico.db");
  const std::string details = "--detalhes=" + dir_.file("falhas.csv");
  WriteClaims({"POL2", "POL2", "POL3", "POL5"});
  Run({details});
  const std::vector<std::string> unmarked{
      "EVENTO dominio POL2 -",           "EVENTO dominio POL2 -",
      "EVENTO dominio POL3 -",           "EVENTO dominio POL5 -",
      "APOLICE+ITEM sem_apolice POL2 -", "APOLICE+ITEM sem_apolice POL2 -",
      "APOLICE+ITEM sem_apolice POL3 -", "APOLICE+ITEM sem_apolice POL5 -"};
  EXPECT_EQ(MarkedRows(ReadBytes(dir_.file("falhas.csv"))), unmarked);  // no history
  const std::string plain = ReadBytes(dir_.file("falhas.csv"));
  Run({historico, details});
  EXPECT_EQ(ReadBytes(dir_.file("falhas.csv")), plain);  // nothing earlier: as without one

  // POL5 fixed; POL2 a third time (new), POL4 new. Rows made on the walk's workers (no cap) and
  // on its thread (a cap) are marked alike.
  WriteClaims({"POL4", "POL2", "POL3", "POL2", "POL2"});
  const std::vector<std::string> marked{
      "EVENTO dominio POL4 S",          "EVENTO dominio POL2 ",
      "EVENTO dominio POL3 ",           "EVENTO dominio POL2 ",
      "EVENTO dominio POL2 S",          "APOLICE+ITEM sem_apolice POL4 S",
      "APOLICE+ITEM sem_apolice POL2 ", "APOLICE+ITEM sem_apolice POL3 ",
      "APOLICE+ITEM sem_apolice POL2 ", "APOLICE+ITEM sem_apolice POL2 S"};
  const std::string history_path = dir_.file("historico.db");
  const std::string kept = ReadBytes(history_path);
  for (const std::string cap : {"", "--max-detalhes=100"}) {
    SCOPED_TRACE(cap);
    tools::WriteFile(history_path, kept);  // each compared with the first runs
    std::vector<std::string> args{historico, details};
    if (!cap.empty()) args.push_back(cap);
    Run(args);
    EXPECT_EQ(MarkedRows(ReadBytes(dir_.file("falhas.csv"))), marked);
  }
}

TEST_F(RunHistoryTest, PageTellsWhatChangedSinceTheEarlierRunOnlyWithOne) {
  const std::string historico = "--historico=" + dir_.file("historico.db");
  const std::string html = "--html=" + dir_.file("r.html");
  WriteClaims({"POL2", "POL2", "POL3", "POL5"});
  Run({html});
  const std::string plain = ReadBytes(dir_.file("r.html"));
  Run({historico, html});
  EXPECT_EQ(ReadBytes(dir_.file("r.html")), plain);  // nothing earlier: as without a history

  WriteClaims({"POL4", "POL2", "POL3", "POL2", "POL2"});
  Run({historico, html});
  const std::string page = ReadBytes(dir_.file("r.html"));
  EXPECT_NE(page.find("<li><a href=\"#comparacao\">Desde a crítica anterior</a></li>"),
            std::string::npos);
  for (const char* figure :
       {"<td class=\"n\" id=\"comparacao-corrigidas\">2</td>",
        "<td class=\"n\" id=\"comparacao-novas\">4</td>",
        "<td class=\"n\" id=\"comparacao-mantidas\">6</td>",
        "<td>sinistros</td><td>EVENTO</td><td>dominio</td><td class=\"n\">4</td>"
        "<td class=\"n\">5</td><td class=\"n\">1</td><td class=\"n\">2</td>",
        "<h3>Falhas novas: 4 falhas novas</h3>"}) {
    EXPECT_NE(page.find(figure), std::string::npos) << figure;
  }
  // The new ones are POL4 and the third POL2, once for EVENTO and once without a policy.
  std::size_t pol4 = 0, pol2 = 0;
  const std::string rows = page.substr(page.find("<table class=\"novas\">"));
  for (std::size_t at = 0; (at = rows.find("<td class=\"k\">POL", at)) != std::string::npos &&
                           at < rows.find("</table>");
       ++at) {
    (rows.compare(at + 14, 4, "POL4") == 0 ? pol4 : pol2) += 1;
  }
  EXPECT_EQ(pol4, 2u);
  EXPECT_EQ(pol2, 2u);
}

TEST_F(RunHistoryTest, ARunEndedByAnErrorComparesWithNothingAndIsNeverTheEarlierRun) {
  const std::string historico = "--historico=" + dir_.file("historico.db");
  WriteClaims({"POL2"});
  Run({historico});
  const std::string kov = ReadBytes(dir_.file("DadosKov.DBF"));
  tools::WriteFile(dir_.file("DadosKov.DBF"), "not a table");
  EXPECT_TRUE(Run({historico}, cmdline::kExitRunError)["comparacao"].is_null());
  tools::WriteFile(dir_.file("DadosKov.DBF"), kov);
  WriteClaims({});
  const json c = Run({historico})["comparacao"];
  EXPECT_EQ(c["anterior"]["id"], 1);
  EXPECT_EQ(c["falhas_corrigidas"], 2);
  EXPECT_EQ(c["falhas_novas"], 0);
}

TEST_F(RunHistoryTest, AHistoryThatCannotBeOpenedOrCreatedLeavesTheRunAsWithoutOne) {
  const std::string random(4096, 'x');
  tools::WriteFile(dir_.file("historico.db"), random);
  std::vector<std::string> args{
      "--catalogo=" + dir_.folder(),   "--riscos",
      dir_.file("riscos.dbf"),         "--saida=" + dir_.file("r.txt"),
      "--json=" + dir_.file("r.json"), "--historico=" + dir_.file("historico.db")};
  std::ostringstream out, err;
  const int status = RunCli(args, out, err, &FixedClock);
  EXPECT_EQ(err.str(), "aviso: " + dir_.file("historico.db") +
                           ": o histórico não pôde ser aberto (file is not a database); a crítica "
                           "segue sem histórico\n");
  EXPECT_EQ(ReadBytes(dir_.file("historico.db")), random);
  EXPECT_TRUE(std::filesystem::exists(dir_.file("r.txt")));
  // A folder that does not exist: nothing is created, the run is the same.
  args[5] = "--historico=" + dir_.file("falta/historico.db");
  std::ostringstream out2, err2;
  EXPECT_EQ(RunCli(args, out2, err2, &FixedClock), status);
  EXPECT_NE(err2.str().find("a crítica segue sem histórico"), std::string::npos) << err2.str();
  EXPECT_FALSE(std::filesystem::exists(dir_.file("falta")));
  EXPECT_EQ(ReadBytes(dir_.file("r.json")).find("comparacao"), std::string::npos);
  // Nor may it be written over an input.
  args.back() = "--historico=" + dir_.file("riscos.dbf");
  EXPECT_EQ(RunCli(args, out, err, &FixedClock), cmdline::kExitUsage);
}

}  // namespace
}  // namespace history
