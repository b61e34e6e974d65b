// The runner's HTML report against the report of the same run.
#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <regex>
#include <sstream>

#include "cli/cli_test_support.h"
#include "cli/exit_status.h"
#include "cli/run_cli.h"
#include "engine/text.h"
#include "support/run_fixture.h"

namespace cli {
namespace {

using testing_support::TempDir;

TEST(RunCliHtmlTest, CountersTopValuesAndEscapingAgreeWithTheRun) {
  TempDir dir;
  testing_support::WriteStandardCatalog(dir);
  tools::DbfBuilder risks(testing_support::RisksLayout());
  risks.Add({"01234", "POL1", "000001", "20230101", "20231231", "20230115", "1000"});
  risks.Add({"01234", "", "", "20230101", "20231231", "20230115", "1000"});
  risks.Write(dir.file("riscos.dbf"));
  tools::DbfBuilder claims(testing_support::ClaimsLayout());
  const char* eventos[] = {"9", "0", "9", "X", "9", "0", "1"};
  for (const char* evento : eventos) {
    claims.Add({"01234", "POL1", "000001", evento, "300", "20230601"});
  }
  claims.Add({"01234", "POL1", "000001", "1", "300", "<script"});
  claims.Add({"01234", "POL1", "000001", "1", "300", "A&B"});
  claims.Write(dir.file("sinistros.dbf"));

  std::ostringstream out, err;
  ASSERT_EQ(RunCli({"--catalogo", dir.folder(), "--riscos", dir.file("riscos.dbf"), "--sinistros",
                    dir.file("sinistros.dbf"), "--regional", "pt_BR", "--saida", dir.file("r.txt"),
                    "--html", dir.file("r.html")},
                   out, err, &FixedClock),
            kExitSuccess)
      << err.str();
  const std::string html = ReadAll(dir.file("r.html"));
  const std::string report = engine::Win1252ToUtf8(ReadAll(dir.file("r.txt")));

  // Every field row of the page against the summary line of the report.
  const std::regex row(
      "<tr><td>([A-Z_]+)</td><td class=\"n\">([0-9.]+)</td><td class=\"n\">[^<]*</td>"
      "<td class=\"n\">([0-9.]+)</td>");
  int rows = 0;
  for (auto it = std::sregex_iterator(html.begin(), html.end(), row); it != std::sregex_iterator();
       ++it, ++rows) {
    const std::string campo = (*it)[1];
    SCOPED_TRACE(campo);
    const std::string table = rows < 14 ? "RISCOS" : "SINISTROS";
    const std::size_t at = report.find(engine::PaddedTo(table, 20) + engine::PaddedTo(campo, 20));
    ASSERT_NE(at, std::string::npos);
    EXPECT_EQ(std::stoll(report.substr(at + 40, 10)), std::stoll((*it)[2]));
    EXPECT_EQ(std::stoll(report.substr(at + 60, 10)), std::stoll((*it)[3]));
  }
  EXPECT_EQ(rows, 14 + 6);

  // The most frequent failing values of EVENTO, counted exactly: 9 three times, 0 twice, X once.
  const std::size_t evento = html.find("<table><tr><th>EVENTO</th>");
  ASSERT_NE(evento, std::string::npos) << html;
  const std::string values = html.substr(evento, html.find("</table>", evento) - evento);
  EXPECT_NE(values.find("<tr><td>9</td><td class=\"n\">3</td></tr>"
                        "<tr><td>0</td><td class=\"n\">2</td></tr>"
                        "<tr><td>X</td><td class=\"n\">1</td></tr>"),
            std::string::npos)
      << values;

  // Texts from the files are escaped.
  EXPECT_EQ(html.find("<script"), std::string::npos);
  EXPECT_NE(html.find("&lt;script"), std::string::npos);
  EXPECT_NE(html.find("A&amp;B"), std::string::npos);
  EXPECT_NE(html.find("class=\"banner aceitavel\""), std::string::npos);
}

}  // namespace
}  // namespace cli
