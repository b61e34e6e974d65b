// The runner's failure list and JSON result against the report of the same run.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <nlohmann/json.hpp>
#include <sstream>

#include "cli/cli_test_support.h"
#include "cli/run_cli.h"
#include "cli/usage_text.h"
#include "cmdline/exit_status.h"
#include "engine/text.h"
#include "outputs/xlsx_workbook.h"
#include "support/run_fixture.h"
#include "support/xlsx_dump.h"

namespace cli {
namespace {

using testing_support::TempDir;

std::vector<std::string> Split(const std::string& text, const std::string& separator) {
  std::vector<std::string> parts;
  std::size_t from = 0;
  for (std::size_t at; (at = text.find(separator, from)) != std::string::npos;
       from = at + separator.size()) {
    parts.push_back(text.substr(from, at - from));
  }
  parts.push_back(text.substr(from));
  return parts;
}

class RunCliDetailsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    testing_support::WriteStandardCatalog(dir_);
    tools::DbfBuilder risks(testing_support::RisksLayout());
    risks.Add({"01234", "POL1", "000001", "20230101", "20231231", "20230115", "1000"});
    risks.Add({"01234", "", "000001", "20230301", "20230201", "20230301", "", "", "500"});
    risks.Add({"01234", "POL3", "", "20230101", "20231231", "1899"});
    risks.Write(dir_.file("riscos.dbf"));
    tools::DbfBuilder claims(testing_support::ClaimsLayout());
    claims.Add({"01234", "POL1", "000001", "1", "300", "20230601"});
    claims.Add({"01234", "POL1", "000001", "1", "300", "20230601"}, true);
    claims.Add({"01234", "POL9", "000002", "9", "50", "20230801"});
    claims.Add({"01234", "POL8", "000001", "0", "50", "20230899"});
    claims.Write(dir_.file("sinistros.dbf"));
  }

  int Run(std::vector<std::string> extra) {
    std::vector<std::string> args{"--catalogo",  dir_.folder(),
                                  "--riscos",    dir_.file("riscos.dbf"),
                                  "--sinistros", dir_.file("sinistros.dbf"),
                                  "--regional",  "pt_BR",
                                  "--saida",     dir_.file("relatorio.txt")};
    args.insert(args.end(), extra.begin(), extra.end());
    std::ostringstream out;
    std::ostringstream err;
    const int status = RunCli(args, out, err, &FixedClock);
    err_ = err.str();
    return status;
  }

  TempDir dir_;
  std::string err_;
};

TEST_F(RunCliDetailsTest, CsvAndJsonAgreeWithTheReport) {
  ASSERT_EQ(Run({"--detalhes", dir_.file("falhas.csv"), "--json", dir_.file("r.json")}),
            cmdline::kExitSuccess)
      << err_;
  const std::vector<std::string> report = Split(ReadBytes(dir_.file("relatorio.txt")), "\r\n");
  const nlohmann::json doc = nlohmann::json::parse(ReadBytes(dir_.file("r.json")));

  std::map<std::string, std::int64_t> rows;  // "file/field/check"
  const std::vector<std::string> lines = Split(ReadBytes(dir_.file("falhas.csv")), "\r\n");
  ASSERT_GE(lines.size(), 2u);
  EXPECT_EQ(lines.back(), "");  // the last row ends with CR LF too
  for (std::size_t i = 1; i + 1 < lines.size(); ++i) {
    const auto f = Split(lines[i], ";");
    // The sentences avoid ";", so a plain split still finds every column.
    ASSERT_EQ(f.size(), 18u) << lines[i];
    ++rows[f[0] + "/" + f[3] + "/" + f[4]];
  }
  EXPECT_EQ(doc["detalhes"]["falhas"], static_cast<std::int64_t>(lines.size()) - 2);

  // Every summary line of the report against the JSON counters and the CSV rows.
  int summary_lines = 0;
  for (const auto& table : doc["tabelas"]) {
    const std::string file = table["tabela"] == 1 ? "riscos" : "sinistros";
    EXPECT_EQ(table["situacao"], "lida");
    const std::string count_line = "N\xFAmero de registros " + table["registros"].dump();
    EXPECT_NE(std::find(report.begin(), report.end(), count_line), report.end()) << count_line;
    for (const auto& c : table["campos"]) {
      const std::string campo = c["campo"];
      SCOPED_TRACE(file + " " + campo);
      const std::string prefix =
          engine::PaddedTo(table["nome"].get<std::string>(), 20) + engine::PaddedTo(campo, 20);
      for (const std::string& line : report) {
        if (line.rfind(prefix, 0) != 0) continue;
        ++summary_lines;
        EXPECT_EQ(std::stoll(line.substr(40, 10)), c["erro_nulo"].get<std::int64_t>());
        EXPECT_EQ(std::stoll(line.substr(60, 10)), c["erro_dom"].get<std::int64_t>());
      }
      EXPECT_EQ(rows[file + "/" + campo + "/nulo"], c["erro_nulo"].get<std::int64_t>());
      EXPECT_EQ(rows[file + "/" + campo + "/tamanho"] + rows[file + "/" + campo + "/data"] +
                    rows[file + "/" + campo + "/dominio"],
                c["erro_dom"].get<std::int64_t>());
    }
  }
  EXPECT_EQ(summary_lines, 20);

  const std::int64_t misses = doc["sinistros_sem_apolice"]["quantidade"];
  EXPECT_EQ(misses, 2);  // POL9 and POL8
  EXPECT_EQ(rows["sinistros/APOLICE+ITEM/sem_apolice"], misses);
  EXPECT_EQ(doc["sinistros_sem_apolice"]["sinistros"], 3);
  EXPECT_NE(
      std::find(report.begin(), report.end(),
                "2 sinistros sem ap\xF3lice no per\xEDodo, num total de 3 sinistros (66,67%)."),
      report.end());
  EXPECT_EQ(doc["vigencia_invertida"], 1);
  EXPECT_EQ(rows["riscos/INICIO_VIG/vigencia_invertida"], 1);

  ASSERT_EQ(doc["conciliacao"].size(), 2u);
  EXPECT_EQ(doc["conciliacao"][0]["titulo"], "Teste de Prêmios Emitidos:");
  const auto& auto_row = doc["conciliacao"][0]["linhas"][0];
  EXPECT_EQ(auto_row["ramo"], "AUTO");
  EXPECT_EQ(auto_row["valor_kov"], 1100.0);
  EXPECT_EQ(auto_row["valor_arquivo"], 1000.0);
  EXPECT_DOUBLE_EQ(auto_row["diferenca"].get<double>(), 10.0);
  EXPECT_TRUE(doc["conciliacao"][0]["linhas"][2]["diferenca"].is_null());  // "div por zero"

  EXPECT_EQ(doc["empresa"]["codigo"], "01234");
  EXPECT_EQ(doc["empresa"]["nome"], "SEGURADORA TESTE S.A.");
  EXPECT_EQ(doc["inicio"], "2024-03-15T09:05:07");
  EXPECT_EQ(doc["fim"], "2024-03-15T09:05:07");
  EXPECT_TRUE(doc["erro"].is_null());
  EXPECT_EQ(doc["entradas"]["riscos"], dir_.file("riscos.dbf"));
}

// The workbook opens on "Resumo", which says what the JSON result's verdict says; the extract
// goes into one workbook with a sheet per file.
TEST_F(RunCliDetailsTest, TheWorkbookOpensOnTheVerdictOfTheJsonAndTheExtractIsAWorkbook) {
  if (!outputs::XlsxAvailable()) GTEST_SKIP() << "this build writes no workbooks";
#ifdef _WIN32
  GTEST_SKIP() << "workbooks are read back under Wine by scripts/wine-tests.sh";
#endif
  ASSERT_EQ(Run({"--detalhes", dir_.file("falhas.xlsx"), "--json", dir_.file("r.json"), "--extrato",
                 dir_.file("extrato.xlsx"), "--limite-falhas", "30"}),
            cmdline::kExitSuccess)
      << err_;
  const nlohmann::json doc = nlohmann::json::parse(ReadBytes(dir_.file("r.json")));
  const auto sheets =
      testing_support::XlsxSheets(testing_support::XlsxDump(dir_.file("falhas.xlsx")));
  ASSERT_EQ(sheets.size(), 3u);
  EXPECT_EQ(sheets[1].first + " " + sheets[2].first, "riscos sinistros");
  ASSERT_EQ(sheets[0].first, "Resumo");
  // The sheet's rows as cells, without the empty ones at the end.
  std::vector<std::vector<std::string>> rows;
  for (const std::string& line : sheets[0].second) {
    rows.push_back(Split(line, "\t"));
    while (!rows.back().empty() && rows.back().back().empty()) rows.back().pop_back();
  }
  const auto number = [](const nlohmann::json& value) {
    return "n:" + (value.is_number_integer() ? value.dump() : std::string());
  };
  ASSERT_GE(rows.size(), 1u);
  EXPECT_EQ(rows[0][1], "s:" + doc["veredito"]["resultado"].get<std::string>());
  std::size_t at = 1;
  int limits = 0;
  for (const char* part : {"motivos", "avisos"}) {
    SCOPED_TRACE(part);
    const nlohmann::json& items = doc["veredito"][part];
    ASSERT_FALSE(items.empty());
    at += 1;  // the blank row before
    ASSERT_LT(at + 1 + items.size(), rows.size());
    EXPECT_EQ(rows[at][1], "n:" + std::to_string(items.size()));
    at += 2;  // the heading and the column names
    for (const nlohmann::json& item : items) {
      const std::vector<std::string>& row = rows[at++];
      ASSERT_GE(row.size(), 2u);
      EXPECT_EQ(row[0], "s:" + item["tipo"].get<std::string>());
      EXPECT_EQ(row[1], "s:" + item["texto"].get<std::string>());
      const auto cell = [&row](std::size_t c) { return c < row.size() ? row[c] : ""; };
      EXPECT_EQ(cell(2), item.contains("tabela") ? number(item["tabela"]) : "");
      EXPECT_EQ(cell(3), item.contains("campo") ? "s:" + item["campo"].get<std::string>() : "");
      for (const auto& [c, key] : {std::pair{4u, "valor"}, std::pair{5u, "limite"}}) {
        ASSERT_EQ(cell(c).empty(), !item.contains(key)) << key;
        if (!item.contains(key)) continue;
        limits += key == std::string("limite");
        EXPECT_DOUBLE_EQ(std::stod(cell(c).substr(2)), item[key].get<double>()) << key;
      }
    }
  }
  EXPECT_GT(limits, 0);
  at += 3;  // the blank row, the heading and the column names
  for (const nlohmann::json& table : doc["tabelas"]) {
    ASSERT_LT(at, rows.size());
    const std::vector<std::string>& row = rows[at++];
    ASSERT_EQ(row.size(), 7u);
    EXPECT_EQ(row[1], number(table["tabela"]));
    EXPECT_EQ(row[3] + " " + row[4],
              "s:" + table["situacao"].get<std::string>() + " " + number(table["registros"]));
  }
  EXPECT_EQ(at, rows.size());

  const auto extract =
      testing_support::XlsxSheets(testing_support::XlsxDump(dir_.file("extrato.xlsx")));
  ASSERT_EQ(extract.size(), 2u);
  EXPECT_EQ(extract[0].first + " " + extract[1].first, "riscos sinistros");
  EXPECT_FALSE(std::filesystem::exists(dir_.file("extrato-sinistros.xlsx")));
}

TEST_F(RunCliDetailsTest, AnErrorEndingTheRunIsInTheJsonAndTheListSoFarIsKept) {
  tools::WriteFile(dir_.file("DadosKov.DBF"), "not a table");  // the reconciliation fails
  EXPECT_EQ(Run({"--detalhes", dir_.file("falhas.csv"), "--max-detalhes", "1", "--json",
                 dir_.file("r.json")}),
            cmdline::kExitRunError);
  const nlohmann::json doc = nlohmann::json::parse(ReadBytes(dir_.file("r.json")));
  EXPECT_EQ(doc["erro"], "TMarlSmartDBF.InternalOpen: File \"" + dir_.file("DadosKov.DBF") +
                             "\" is not DBF file.");
  EXPECT_EQ(doc["tabelas"].size(), 2u);
  EXPECT_TRUE(doc["conciliacao"].empty());
  EXPECT_EQ(doc["sinistros_sem_apolice"]["quantidade"], 2);
  const std::string csv = ReadBytes(dir_.file("falhas.csv"));
  // Capped at one row per group: the two claims without a policy give one row and a cap row.
  EXPECT_NE(csv.find("sinistros;3;;APOLICE+ITEM;sem_apolice;POL9"), std::string::npos) << csv;
  EXPECT_EQ(csv.find("sinistros;4;;APOLICE+ITEM;sem_apolice"), std::string::npos);
  EXPECT_NE(csv.find("sinistros;;;APOLICE+ITEM;sem_apolice;1 falhas n\xE3o listadas"),
            std::string::npos)
      << csv;
}

// The risks counted as inverted coverage, broken down by what FIM_VIG holds, agree with a count
// made here from the failure list's vigencia_invertida rows: on the walk's tally and on the
// reconciliation's own pass (a risks file that is not walked), at one, two or three threads. The
// report's line stays as it was.
TEST_F(RunCliDetailsTest, InvertedCoveragesAreBrokenDownAsTheFailureListShowsThem) {
  // "terminam", "sem" or "invalida", classified here apart from the engine.
  const auto kind = [](std::string fim) {
    while (!fim.empty() && static_cast<unsigned char>(fim.back()) <= 32) fim.pop_back();
    if (fim.empty()) return std::string("sem");
    if (fim.size() != 8 ||
        !std::all_of(fim.begin(), fim.end(), [](char c) { return c >= '0' && c <= '9'; })) {
      return std::string("invalida");
    }
    const int y = std::stoi(fim.substr(0, 4));
    const int m = std::stoi(fim.substr(4, 2));
    const int d = std::stoi(fim.substr(6, 2));
    static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const bool leap = (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
    const bool valid = m >= 1 && m <= 12 && d >= 1 && d <= (m == 2 && leap ? 29 : kDays[m - 1]);
    return std::string(valid ? "terminam" : "invalida");
  };
  const std::vector<std::string> ends = {"20221231", "        ", "20230230", "2023013 ",
                                         "20231231", "20221399", "2022-1-1", "20220101",
                                         "       0", "00000000", "20230101", " 2022010"};
  for (const bool own_pass : {false, true}) {
    // A field the catalogue does not know fails the structure check: the file is not walked,
    // and the reconciliation reads it in a pass of its own.
    std::vector<tools::DbfFieldSpec> layout = testing_support::RisksLayout();
    if (own_pass) layout.push_back({"EXTRA", 'C', 2});
    tools::DbfBuilder risks(layout);
    for (std::size_t r = 0; r < 3000; ++r) {
      const std::string& fim = ends[r % ends.size()];
      risks.Add({"01234", "POL" + std::to_string(r), "000001", "20230101", fim, "20230115", "1"});
    }
    risks.Write(dir_.file("riscos.dbf"));
    for (const std::string threads : {"1", "2", "3"}) {
      SCOPED_TRACE((own_pass ? "own pass, " : "walked, ") + threads + " threads");
      Run({"--detalhes", dir_.file("falhas.csv"), "--json", dir_.file("r.json"), "--nucleos",
           threads, "--sem-avisos-de-data"});
      const nlohmann::json doc = nlohmann::json::parse(ReadBytes(dir_.file("r.json")));
      std::map<std::string, std::int64_t> counted;
      std::int64_t rows = 0;
      for (const std::string& line : Split(ReadBytes(dir_.file("falhas.csv")), "\r\n")) {
        const auto f = Split(line, ";");
        if (f.size() < 7 || f[4] != "vigencia_invertida") continue;
        ++rows;
        ++counted[kind(f[6])];
      }
      ASSERT_GT(rows, 0);
      ASSERT_EQ(doc["vigencia_invertida"], rows);
      EXPECT_GT(counted["terminam"], 0);
      EXPECT_GT(counted["sem"], 0);
      EXPECT_GT(counted["invalida"], 0);
      const nlohmann::json* reason = nullptr;
      for (const auto& m : doc["veredito"]["motivos"]) {
        if (m["tipo"] == "vigencia_invertida") reason = &m;
      }
      ASSERT_NE(reason, nullptr) << doc["veredito"].dump();
      EXPECT_EQ((*reason)["valor"], rows);
      EXPECT_EQ((*reason)["terminam_antes_de_comecar"], counted["terminam"]);
      EXPECT_EQ((*reason)["sem_data_de_fim"], counted["sem"]);
      EXPECT_EQ((*reason)["com_data_de_fim_invalida"], counted["invalida"]);
      const auto grouped = [](std::int64_t n) {
        std::string digits = std::to_string(n);
        for (int at = static_cast<int>(digits.size()) - 3; at > 0; at -= 3) {
          digits.insert(static_cast<std::size_t>(at), ".");
        }
        return digits;
      };
      EXPECT_EQ((*reason)["texto"], grouped(rows) + " riscos contados como vigência invertida: " +
                                        grouped(counted["terminam"]) +
                                        " terminam antes de começar, " + grouped(counted["sem"]) +
                                        " sem data de fim, " + grouped(counted["invalida"]) +
                                        " com data de fim inválida.");
      // The report's line as it always was.
      const std::string line = "Existem " + std::to_string(rows) +
                               " Riscos com data de fim de vig\xEA"
                               "ncia anterior ao in\xED"
                               "cio";
      EXPECT_NE(ReadBytes(dir_.file("relatorio.txt")).find(line + "\r\n"), std::string::npos);
    }
  }
}

TEST_F(RunCliDetailsTest, OptionsAreCheckedAndDocumented) {
  const std::vector<std::vector<std::string>> bad = {
      {"--max-detalhes", "3"},  // without --detalhes
      {"--detalhes", "x.csv", "--max-detalhes", "-1"},
      {"--detalhes", "x.csv", "--max-detalhes", "2a"},
      {"--detalhes", "x.csv", "--max-detalhes", ""},
      {"--json"},
  };
  for (const auto& args : bad) {
    SCOPED_TRACE(::testing::PrintToString(args));
    std::ostringstream out;
    std::ostringstream err;
    EXPECT_EQ(RunCli(args, out, err, &FixedClock), cmdline::kExitUsage);
  }
  // A list that cannot be created costs no run.
  EXPECT_EQ(Run({"--detalhes", dir_.file("nada/falhas.csv")}), cmdline::kExitRunError);
  EXPECT_EQ(err_.rfind("Cannot create file \"" + dir_.file("nada/falhas.csv") + "\". ", 0), 0u);
  EXPECT_EQ(ReadBytes(dir_.file("relatorio.txt")), "");

  const std::string usage = UsageText();
  for (const char* option : {"--detalhes ARQUIVO", "--max-detalhes N", "--json ARQUIVO"}) {
    EXPECT_NE(usage.find(option), std::string::npos) << option;
  }
}

}  // namespace
}  // namespace cli
