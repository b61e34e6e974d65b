// The runner's HTML report against the report of the same run.
#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <nlohmann/json.hpp>
#include <regex>
#include <set>
#include <sstream>

#include "cli/cli_test_support.h"
#include "cli/run_cli.h"
#include "cmdline/exit_status.h"
#include "engine/text.h"
#include "support/raw_record.h"
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
  claims.Add({"01234", "POL1", "000001", "1", "300", "C\x01\x1F\x7F"});
  claims.Write(dir.file("sinistros.dbf"));

  std::ostringstream out, err;
  ASSERT_EQ(RunCli({"--catalogo", dir.folder(), "--riscos", dir.file("riscos.dbf"), "--sinistros",
                    dir.file("sinistros.dbf"), "--regional", "pt_BR", "--saida", dir.file("r.txt"),
                    "--html", dir.file("r.html")},
                   out, err, &FixedClock),
            cmdline::kExitSuccess)
      << err.str();
  const std::string html = ReadBytes(dir.file("r.html"));
  const std::string report = engine::Win1252ToUtf8(ReadBytes(dir.file("r.txt")));

  // Every field row of the page against the summary line of the report.
  const std::regex row(
      "<tr><td>(?:<a href=\"#[^\"]+\">)?([A-Z_]+)(?:</a>)?</td><td class=\"n\">([0-9.]+)</td>"
      "<td class=\"n\">[^<]*</td>"
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
  // Control characters, which a page may not hold, are shown by their symbols.
  EXPECT_NE(html.find("C\u2401\u241F\u2421"), std::string::npos);
  EXPECT_EQ(html.find_first_of("\x01\x1F\x7F"), std::string::npos);
  // Accepted, with warnings: amber.
  EXPECT_NE(html.find("class=\"banner aceitavel ambar\""), std::string::npos);
}

// A figure as the page writes it ("1.234,56", "-3,10%") as a number.
double PageNumber(std::string text) {
  std::string plain;
  for (const char c : text) {
    if (c == ',') {
      plain += '.';
    } else if (c != '.' && c != '%') {
      plain += c;
    }
  }
  return std::stod(plain);
}

std::string Unescaped(std::string text) {
  for (const auto& [entity, c] : std::map<std::string, std::string>{
           {"&lt;", "<"}, {"&gt;", ">"}, {"&quot;", "\""}, {"&#39;", "'"}, {"&amp;", "&"}}) {
    for (std::size_t at; (at = text.find(entity)) != std::string::npos;)
      text.replace(at, entity.size(), c);
  }
  return text;
}

// Many faults of several kinds: every risk field required, so that RISCOS has more than ten
// warnings, field j blank in the first j records, so that their shares differ.
TEST(RunCliHtmlTest, SummarySamplesWarningsAndAnchorsLeadToTheRecords) {
  TempDir dir;
  std::vector<testing_support::RuleRow> rules =
      testing_support::RulesFor("RISCOS", testing_support::RisksLayout());
  for (auto& r : rules) r.nulo = 0;
  for (auto& r : testing_support::RulesFor("SINISTROS", testing_support::ClaimsLayout())) {
    rules.push_back(r);
  }
  testing_support::WriteTabelas(dir.file("tabelas.dbf"), rules);
  testing_support::WriteAnexos(dir.file("anexos.dbf"), {});
  testing_support::WriteDadosKov(
      dir.file("DadosKov.DBF"),
      {{"01234", "SEGURADORA", {"9000", "10", "0", "700", "0", "0"}, "202301", "202312"}});
  tools::DbfBuilder risks(testing_support::RisksLayout());
  for (int r = 1; r <= 30; ++r) {
    const std::string n = std::to_string(100 + r);
    std::vector<std::string> row{"01234",
                                 "P&<" + n,
                                 "000" + n,
                                 "20230601",
                                 r % 7 == 0 ? "20230101" : "20231231",
                                 r <= 5 ? "" : (r == 30 ? "20230115" : "20231332"),
                                 "1000",
                                 "10",
                                 "10",
                                 "10",
                                 "10",
                                 "10",
                                 "10",
                                 "10"};
    for (std::size_t j = 1; j < row.size(); ++j) {
      if (static_cast<int>(j) >= r + 1 && j != 5) row[j] = "";
    }
    risks.Add(row);
  }
  risks.Write(dir.file("riscos.dbf"));
  tools::DbfBuilder claims(testing_support::ClaimsLayout());
  for (int c = 1; c <= 24; ++c) {
    claims.Add({"01234", c % 3 == 0 ? "SEM" + std::to_string(c) : "P&<110", "000110", "1", "30",
                "202306" + std::to_string(10 + c)});
  }
  claims.Write(dir.file("sinistros.dbf"));

  std::ostringstream out, err;
  RunCli({"--catalogo", dir.folder(), "--riscos", dir.file("riscos.dbf"), "--sinistros",
          dir.file("sinistros.dbf"), "--regional", "pt_BR", "--saida", dir.file("r.txt"), "--html",
          dir.file("r.html"), "--json", dir.file("r.json")},
         out, err, &FixedClock);
  const std::string html = ReadBytes(dir.file("r.html"));
  const nlohmann::json json = nlohmann::json::parse(ReadBytes(dir.file("r.json")));

  // The summary's counters are the JSON result's.
  const auto summary = [&](const std::string& id) {
    const std::smatch m = [&] {
      std::smatch found;
      std::regex_search(html, found, std::regex("id=\"" + id + "\">([^<]*)<"));
      return found;
    }();
    EXPECT_FALSE(m.empty()) << id;
    return m.empty() ? -1.0 : PageNumber(m[1]);
  };
  ASSERT_EQ(json["tabelas"].size(), 2u);
  for (const auto& t : json["tabelas"]) {
    const std::string n = std::to_string(t["tabela"].get<int>());
    EXPECT_EQ(summary("resumo-registros-" + n), t["registros"].get<double>());
    EXPECT_EQ(summary("resumo-falhas-" + n), t["registros_com_falha"].get<double>());
  }
  EXPECT_EQ(json["tabelas"][0]["registros_com_falha"], 29);  // the last risk has no fault
  EXPECT_EQ(summary("resumo-sem-apolice"), json["sinistros_sem_apolice"]["quantidade"]);
  EXPECT_NEAR(summary("resumo-sem-apolice-pct"), json["sinistros_sem_apolice"]["percentual"],
              0.005);
  EXPECT_EQ(summary("resumo-vigencia"), json["vigencia_invertida"]);
  double largest = 0;
  for (const auto& s : json["conciliacao"]) {
    for (const auto& r : s["linhas"]) {
      if (!r["diferenca"].is_null() &&
          std::fabs(r["diferenca"].get<double>()) > std::fabs(largest)) {
        largest = r["diferenca"];
      }
    }
  }
  EXPECT_NEAR(summary("resumo-conciliacao"), largest, 0.005);

  // Every sample row's keys are the fields of the record it names; at most 20 per table, in
  // file order.
  const std::regex table("<table class=\"amostra\" data-arquivo=\"([a-z]+)\">([\\s\\S]*?)</table>");
  const std::regex sample_row(
      "<tr><td class=\"n\">([0-9]+)</td><td class=\"k\">([^<]*)</td><td class=\"k\">([^<]*)</td>"
      "<td class=\"k\">([^<]*)</td>");
  int tables = 0;
  std::size_t most_rows = 0;
  for (auto t = std::sregex_iterator(html.begin(), html.end(), table); t != std::sregex_iterator();
       ++t, ++tables) {
    const std::string body = (*t)[2];
    const std::string path = dir.file((*t)[1] == "riscos" ? "riscos.dbf" : "sinistros.dbf");
    std::vector<long> records;
    for (auto r = std::sregex_iterator(body.begin(), body.end(), sample_row);
         r != std::sregex_iterator(); ++r) {
      const auto record = static_cast<std::uint32_t>(std::stoul((*r)[1]));
      SCOPED_TRACE((*t)[1].str() + " " + (*r)[1].str());
      auto fields = testing_support::RecordFields(path, record);
      EXPECT_EQ(Unescaped((*r)[2]), engine::TrimmedRight(fields["APOLICE"]));
      EXPECT_EQ(Unescaped((*r)[3]), "");  // neither file has ENDOSSO
      EXPECT_EQ(Unescaped((*r)[4]), engine::TrimmedRight(fields["ITEM"]));
      EXPECT_TRUE(records.empty() || records.back() < static_cast<long>(record));
      records.push_back(static_cast<long>(record));
    }
    most_rows = std::max(most_rows, records.size());
  }
  EXPECT_GT(tables, 10);
  EXPECT_EQ(most_rows, 20u);  // DATA_EMIS fails in 29 records
  EXPECT_NE(html.find("os primeiros 20 de 29 registros"), std::string::npos);
  EXPECT_EQ(html.find("P&<"), std::string::npos);

  // Warnings grouped per table, each group from the largest share down, folded after ten.
  const std::size_t warnings = html.find("<section id=\"avisos\"");
  ASSERT_NE(warnings, std::string::npos);
  const std::string section = html.substr(warnings, html.find("</section>", warnings) - warnings);
  const std::regex group("<h3 class=\"grupo\">([^<(]*) \\(([0-9]+)\\)</h3>([\\s\\S]*?)(?=<h3|$)");
  // Items without a figure ("div por zero") come last.
  const std::regex share("<li><span class=\"n\">(-?[0-9.,]*)%?</span>([^<]*)</li>");
  std::set<std::string> titles;
  for (auto g = std::sregex_iterator(section.begin(), section.end(), group);
       g != std::sregex_iterator(); ++g) {
    const std::string title = (*g)[1];
    SCOPED_TRACE(title);
    titles.insert(title);
    std::string items = (*g)[3];
    // A printed page shows the folded part in a list of its own: the same items again.
    std::string printed;
    if (const std::size_t at = items.find("<ul class=\"impresso\">"); at != std::string::npos) {
      const std::size_t end = items.find("</ul>", at);
      printed = items.substr(at + 21, end - at - 21);
      items.erase(at, end + 5 - at);
      const std::size_t folded = items.find("<ul>", items.find("<details>")) + 4;
      EXPECT_EQ(items.substr(folded, items.find("</ul>", folded) - folded), printed);
    }
    EXPECT_EQ(!printed.empty(), items.find("<details>") != std::string::npos);
    double previous = 1e9;
    int count = 0;
    for (auto i = std::sregex_iterator(items.begin(), items.end(), share);
         i != std::sregex_iterator(); ++i, ++count) {
      const double value = (*i)[1].length() == 0 ? -1.0 : std::fabs(PageNumber((*i)[1]));
      EXPECT_LE(value, previous);
      previous = value;
      if (title.rfind("Tabela ", 0) == 0) {
        EXPECT_NE((*i)[2].str().find("da tabela " + title.substr(7)), std::string::npos);
      }
    }
    EXPECT_EQ(count, std::stoi((*g)[2]));
    EXPECT_EQ(items.find("<details>") != std::string::npos, count > 10);
  }
  EXPECT_EQ(titles, (std::set<std::string>{"Tabela RISCOS", "Tabela SINISTROS",
                                           "Sinistros sem apólice", "Conciliação"}));

  // Every link leads somewhere on the page.
  std::set<std::string> ids;
  const std::regex id(" id=\"([^\"]+)\"");
  for (auto i = std::sregex_iterator(html.begin(), html.end(), id); i != std::sregex_iterator();
       ++i) {
    EXPECT_TRUE(ids.insert((*i)[1]).second) << "id twice: " << (*i)[1];
  }
  const std::regex href("href=\"#([^\"]+)\"");
  int links = 0;
  for (auto h = std::sregex_iterator(html.begin(), html.end(), href); h != std::sregex_iterator();
       ++h, ++links) {
    EXPECT_TRUE(ids.count((*h)[1])) << "no id for #" << (*h)[1];
  }
  EXPECT_GT(links, 20);
}

}  // namespace
}  // namespace cli
