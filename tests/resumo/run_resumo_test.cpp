// talmero-resumo on the JSON results of real runs of the runner: an accepted run, a rejected
// one, one ended by an error and an unreadable file, in each of the summary's three forms.
#include "resumo/run_resumo.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <nlohmann/json.hpp>
#include <sstream>

#include "cli/cli_test_support.h"
#include "cli/run_cli.h"
#include "cmdline/exit_status.h"
#include "engine/text.h"
#include "outputs/output_text.h"
#include "outputs/xlsx_workbook.h"
#include "resumo/summary_html.h"
#include "resumo/summary_output.h"
#include "resumo/summary_row.h"
#include "support/run_fixture.h"
#include "support/xlsx_dump.h"

#ifndef _WIN32
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

namespace resumo {
namespace {

// A path as the page shows it: a line may end after each folder.
std::string WithBreaks(const std::string& path) {
  std::string shown;
  // Either separator lets a long path break after it.
  for (const char c : path)
    shown += c == '/' || c == '\\' ? std::string(1, c) + "<wbr>" : std::string(1, c);
  return shown;
}

using testing_support::TempDir;

constexpr const char* kHeader =
    "resultado_json;cod_seg;empresa;riscos;sinistros;resultado;motivos;registros_riscos;"
    "registros_sinistros;sem_apolice;vigencia_invertida;campos_mais_falhos;avisos";

class RunResumoTest : public ::testing::Test {
 protected:
  void SetUp() override {
    testing_support::WriteStandardCatalog(dir_);
    tools::DbfBuilder claims(testing_support::ClaimsLayout());
    claims.Add({"01234", "POL1", "000001", "1", "300", "20230601"});
    claims.Add({"01234", "POL9", "000001", "1", "100", "20230601"});  // no such policy
    claims.Write(dir_.file("sinistros.dbf"));
    WriteRisks(dir_.file("bom.dbf"), "20231231", "000001");
    WriteRisks(dir_.file("ruim.dbf"), "20221231", "");  // inverted, ITEM missing
  }
  static void WriteRisks(const std::string& path, const std::string& fim_vig,
                         const std::string& item) {
    tools::DbfBuilder risks(testing_support::RisksLayout());
    risks.Add({"01234", "POL1", "000001", "20230101", "20231231", "20230115", "1100", "0", "0",
               "300", "100", "0"});
    risks.Add(
        {"01234", "POL2", item, "20230101", fim_vig, "20230115", "0", "0", "0", "0", "0", "0"});
    risks.Write(path);
  }
  // One run of the runner, its JSON result in `json`.
  void Criticar(const std::string& catalog, const std::string& risks, const std::string& json) {
    std::ostringstream out, err;
    cli::RunCli({"--catalogo", catalog, "--riscos", risks, "--sinistros",
                 dir_.file("sinistros.dbf"), "--json", json, "--saida", dir_.file("r.txt")},
                out, err, &cli::FixedClock);
  }
  int Resumir(const std::vector<std::string>& args) {
    std::ostringstream out, err;
    const int status = RunResumo(args, out, err);
    out_ = out.str();
    err_ = err.str();
    return status;
  }

  TempDir dir_;
  std::string out_;
  std::string err_;
};

TEST_F(RunResumoTest, OneRowPerResultAndStatusOneForTheUnreadable) {
  TempDir no_totals;  // a catalogue without DadosKov.DBF: the run ends in an error
  testing_support::WriteStandardCatalog(no_totals);
  std::filesystem::remove(no_totals.file("DadosKov.DBF"));
  const std::string aceito = dir_.file("a&1.json");
  const std::string rejeitado = dir_.file("b.json");
  const std::string erro = dir_.file("c.json");
  const std::string ilegivel = dir_.file("ilegível;d.json");
  Criticar(dir_.folder(), dir_.file("bom.dbf"), aceito);
  Criticar(dir_.folder(), dir_.file("ruim.dbf"), rejeitado);
  Criticar(no_totals.folder(), dir_.file("bom.dbf"), erro);
  tools::WriteFile(ilegivel, "{\"veredito\": ");
  const std::vector<std::string> jsons{aceito, rejeitado, erro, ilegivel};

  ASSERT_EQ(Resumir(jsons), cmdline::kExitRunError) << err_;
  const std::string risks = dir_.file("bom.dbf") + ";" + dir_.file("sinistros.dbf");
  const std::string bad_risks = dir_.file("ruim.dbf") + ";" + dir_.file("sinistros.dbf");
  // The error's row says what the error was: the result's message, and its cause when given.
  const nlohmann::json ended = nlohmann::json::parse(cli::ReadBytes(erro));
  std::string message = ended["erro"].get<std::string>();
  ASSERT_NE(message.find("DadosKov.DBF"), std::string::npos) << message;
  if (ended.contains("explicacao") && ended["explicacao"].is_string()) {
    message += " causa: " + ended["explicacao"].get<std::string>();
  }
  std::string quoted;
  for (const char c : message) quoted += c == '"' ? std::string(2, c) : std::string(1, c);
  // The warnings' count last: an accepted run with warnings (a claim without a policy).
  const auto avisos = [](const std::string& json) {
    return std::to_string(nlohmann::json::parse(cli::ReadBytes(json))["veredito"]["avisos"].size());
  };
  const std::string expected =
      std::string(kHeader) + "\r\n" +  //
      aceito + ";01234;SEGURADORA TESTE S.A.;" + risks + ";aceitavel;;2;2;1;0;;" + avisos(aceito) +
      "\r\n" + rejeitado + ";01234;SEGURADORA TESTE S.A.;" + bad_risks +
      ";rejeitado;vigencia_invertida;2;2;1;1;RISCOS.ITEM 1;" + avisos(rejeitado) + "\r\n" + erro +
      ";01234;;" + risks + ";erro;\"" + engine::Utf8ToWin1252(quoted) + "\";2;2;1;;;0\r\n" + "\"" +
      dir_.file("ileg\xEDvel;d.json") +
      "\";;;;;ilegivel;n\xE3o \xE9 JSON v\xE1lido (byte 14);;;;;;\r\n";
  EXPECT_EQ(out_, expected);
  EXPECT_NE(err_.find(ilegivel + ": não é JSON válido"), std::string::npos) << err_;

  // The page: the same rows, every text escaped; a path may end a line after each folder, so
  // that long paths do not widen the page past the window.
  const std::string html = dir_.file("resumo.HTML");
  std::vector<std::string> args{"--saida", html};
  args.insert(args.end(), jsons.begin(), jsons.end());
  ASSERT_EQ(Resumir(args), cmdline::kExitRunError);
  const std::string page = cli::ReadBytes(html);
  EXPECT_NE(page.find("<td class=\"longo\">" + WithBreaks(dir_.file("a&amp;1.json")) + "</td>"),
            std::string::npos)
      << page;
  EXPECT_NE(page.find("overflow-wrap:anywhere"), std::string::npos);
  EXPECT_NE(
      page.find(
          "<td class=\"resultado rejeitado\">Rejeitado</td><td class=\"longo\">vigencia_invertida"),
      std::string::npos);
  EXPECT_NE(page.find("4 resultados"), std::string::npos);
  EXPECT_NE(page.find("<th>Sinistros sem apólice</th>"), std::string::npos);
  // An error in the grey every other output gives it, not a colour of the summary's own.
  EXPECT_NE(page.find(".erro{background:#545b62}"), std::string::npos);

  // The workbook: the same rows, counts as numbers, texts as texts.
  if (!outputs::XlsxAvailable()) GTEST_SKIP() << "this build writes no workbooks (Windows)";
  const std::string book = dir_.file("resumo.xlsx");
  args[1] = book;
  ASSERT_EQ(Resumir(args), cmdline::kExitRunError);
#ifdef _WIN32
  GTEST_SKIP() << "workbooks are read back under Wine by scripts/wine-tests.sh";
#endif
  const std::string dump = dir_.file("dump.txt");
  const std::string command = "/usr/bin/python3 " + std::string(TALMERO_TEST_DATA) +
                              "/../support/read_xlsx.py " + book + " > " + dump;
  ASSERT_EQ(std::system(command.c_str()), 0) << command;
  std::istringstream lines(cli::ReadBytes(dump));
  std::vector<std::string> read;
  for (std::string line; std::getline(lines, line);) read.push_back(line);
  ASSERT_EQ(read.size(), 6u);
  EXPECT_EQ(read[0], "= resumo");
  EXPECT_EQ(read[1].rfind("s:Resultado (JSON)\ts:Código da empresa\t", 0), 0u) << read[1];
  EXPECT_EQ(read[3],
            "s:" + rejeitado + "\ts:01234\ts:SEGURADORA TESTE S.A.\ts:" + dir_.file("ruim.dbf") +
                "\ts:" + dir_.file("sinistros.dbf") +
                "\ts:Rejeitado\ts:vigencia_invertida\tn:2\tn:2\tn:1\tn:1\ts:RISCOS.ITEM 1\tn:" +
                avisos(rejeitado));
}

// A run accepted with warnings only (a claim without a policy) is told as such in every form of
// the summary: amber "Aceitável, com avisos" on the page and in the workbook, its warnings
// counted in the last column; the CSV's resultado keeps its code for scripts. A result written
// before com_avisos existed says the same through its warnings.
TEST_F(RunResumoTest, ARunWithOnlyWarningsIsAcceptedWithWarningsInAmber) {
  const std::string aceito = dir_.file("a.json");
  Criticar(dir_.folder(), dir_.file("bom.dbf"), aceito);
  nlohmann::json doc = nlohmann::json::parse(cli::ReadBytes(aceito));
  ASSERT_EQ(doc["veredito"]["resultado"], "aceitavel");
  ASSERT_TRUE(doc["veredito"]["motivos"].empty());
  const std::size_t avisos = doc["veredito"]["avisos"].size();
  ASSERT_GT(avisos, 0u);
  EXPECT_EQ(doc["veredito"]["com_avisos"], true);
  doc["veredito"].erase("com_avisos");
  const std::string antigo = dir_.file("antigo.json");
  tools::WriteFile(antigo, doc.dump());

  ASSERT_EQ(Resumir({aceito}), cmdline::kExitSuccess) << err_;
  EXPECT_EQ(out_.substr(0, out_.find("\r\n")), kHeader);
  EXPECT_NE(out_.find(";aceitavel;;2;2;1;0;;" + std::to_string(avisos) + "\r\n"), std::string::npos)
      << out_;

  const std::string html = dir_.file("resumo.html");
  for (const std::string& result : {aceito, antigo}) {
    SCOPED_TRACE(result);
    ASSERT_EQ(Resumir({"--saida", html, result}), cmdline::kExitSuccess) << err_;
    const std::string page = cli::ReadBytes(html);
    EXPECT_NE(page.find("<td class=\"resultado aceitavel_com_avisos\">Aceitável, com avisos</td>"),
              std::string::npos)
        << page;
    EXPECT_NE(page.find("<span class=\"resultado aceitavel_com_avisos\">Aceitável, com avisos: 1"),
              std::string::npos)
        << page;
    EXPECT_NE(page.find(".aceitavel_com_avisos{background:#a85f00}"), std::string::npos);
    EXPECT_NE(page.find("<th>Avisos</th>"), std::string::npos);
    EXPECT_NE(page.find("<td class=\"n\">" + std::to_string(avisos) + "</td></tr>"),
              std::string::npos);
  }

  if (!outputs::XlsxAvailable()) GTEST_SKIP() << "this build writes no workbooks (Windows)";
  const std::string book = dir_.file("resumo.xlsx");
  ASSERT_EQ(Resumir({"--saida", book, aceito}), cmdline::kExitSuccess) << err_;
#ifdef _WIN32
  GTEST_SKIP() << "workbooks are read back under Wine by scripts/wine-tests.sh";
#endif
  const auto sheets = testing_support::XlsxSheets(testing_support::XlsxDump(book));
  ASSERT_EQ(sheets.size(), 1u);
  ASSERT_EQ(sheets[0].second.size(), 2u);
  const std::string& row = sheets[0].second[1];
  EXPECT_NE(row.find("\ts:Aceitável, com avisos\t"), std::string::npos) << row;
  EXPECT_TRUE(row.ends_with("\tn:" + std::to_string(avisos))) << row;
  // The cell in the verdict's amber.
  const std::string command = "unzip -p " + book + " xl/styles.xml > " + dir_.file("styles.xml");
  if (std::system(command.c_str()) == 0) {
    EXPECT_NE(cli::ReadBytes(dir_.file("styles.xml")).find("FFA85F00"), std::string::npos);
  }
}

TEST_F(RunResumoTest, WrongUsage) {
  const std::vector<std::vector<std::string>> bad = {
      {}, {"--saida"}, {"--outra", "a.json"}, {"--saida", "a.json", "a.json"}};
  for (const auto& args : bad) {
    SCOPED_TRACE(args.empty() ? "" : args[0]);
    EXPECT_EQ(Resumir(args), cmdline::kExitUsage);
    EXPECT_LE(std::count(err_.begin(), err_.end(), '\n'), 3) << err_;
    EXPECT_NE(err_.find("\nuse --help para ver as opções\n"), std::string::npos) << err_;
  }
  EXPECT_EQ(Resumir({"--version"}), cmdline::kExitSuccess);
  EXPECT_EQ(out_, "talmero-resumo 1.0.0\n");
}

// The summary never writes over one of its results, by whatever name: wrong usage, as the
// runner's outputs, and the result unchanged.
TEST_F(RunResumoTest, TheSummaryNeverWritesOverAResult) {
  const std::string result = dir_.file("a.json");
  Criticar(dir_.folder(), dir_.file("bom.dbf"), result);
  const std::string before = cli::ReadBytes(result);
  ASSERT_FALSE(before.empty());
  std::filesystem::create_hard_link(result, dir_.path() / "hard.json");
  std::vector<std::string> clashes = {(dir_.path() / "." / "a.json").string(),
                                      dir_.file("hard.json")};
#ifndef _WIN32  // symbolic links need a privilege on Windows
  std::filesystem::create_symlink(result, dir_.path() / "link.xlsx");
  clashes.push_back(dir_.file("link.xlsx"));
#endif
  for (const std::string& output : clashes) {
    SCOPED_TRACE(output);
    EXPECT_EQ(Resumir({"--saida", output, dir_.file("outro.json"), result}), cmdline::kExitUsage);
    EXPECT_EQ(err_.rfind("talmero-resumo: a saída " + output + " é um dos arquivos de entrada", 0),
              0u)
        << err_;
  }
  EXPECT_EQ(cli::ReadBytes(result), before);
}

#ifndef _WIN32
// What is no result gives an unreadable row with its reason, and is never read whole nor waited
// for: a folder, a FIFO nobody writes, an endless device, a file past the bound; numbers past
// what a result holds are no abort. The other results are still summarised; the status is 1.
TEST_F(RunResumoTest, WhatIsNoResultIsAnUnreadableRowNeverReadWhole) {
  const std::string good = dir_.file("a.json");
  Criticar(dir_.folder(), dir_.file("bom.dbf"), good);
  const std::string fifo = dir_.file("fifo.json");
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  const std::string large = dir_.file("grande.json");
  tools::WriteFile(large, "{");
  std::filesystem::resize_file(large, kMaxResultBytes + 1);
  const auto document = [](const std::string& nulo, const std::string& dom) {
    return R"({"entradas": {}, "veredito": {"resultado": "aceitavel", "motivos": []},
      "tabelas": [{"tabela": 1, "nome": "RISCOS", "campos": [
        {"campo": "A", "ordem": 1, "erro_nulo": )" +
           nulo + ", \"erro_dom\": " + dom + "}]}]}";
  };
  const std::string not_json = "não é JSON válido (número fora do intervalo)";
  const std::string not_result = "não é um resultado do talmero-criticar (tabelas[].campos[].";
  const std::vector<std::pair<std::string, std::string>> cases = {
      {dir_.folder(), "é uma pasta"},
      {fifo, "não é um arquivo comum (é um dispositivo, um pipe ou um socket)"},
      {"/dev/zero", "não é um arquivo comum (é um dispositivo, um pipe ou um socket)"},
      {large, "tem mais de 64 MiB, mais do que um resultado da crítica"},
      {document("1e400", "0"), not_json},
      {document("18446744073709551615", "0"), not_result + "erro_nulo fora do intervalo)"},
      {document("9223372036854775807", "1"),
       not_result + "erro_nulo + erro_dom fora do intervalo)"},
  };
  for (std::size_t i = 0; i < cases.size(); ++i) {
    std::string path = cases[i].first;
    SCOPED_TRACE(path);
    if (path.front() == '{') {
      path = dir_.file("numero" + std::to_string(i) + ".json");
      tools::WriteFile(path, cases[i].first);
    }
    ASSERT_EQ(Resumir({good, path}), cmdline::kExitRunError) << err_;
    EXPECT_EQ(err_, "talmero-resumo: " + path + ": " + cases[i].second + "\n");
    EXPECT_NE(out_.find("\r\n" + good + ";01234;"), std::string::npos) << out_;
    EXPECT_NE(out_.find(";ilegivel;" + engine::Utf8ToWin1252(cases[i].second)), std::string::npos);
  }
}

// A summary that cannot be written whole (here: its files may not grow past 2,000 bytes) leaves
// the earlier one as it was and no temporary file.
TEST_F(RunResumoTest, AFailedWorkbookLeavesTheEarlierSummaryIntact) {
  if (!outputs::XlsxAvailable()) GTEST_SKIP() << "this build writes no workbooks";
  const std::string result = dir_.file("a.json");
  Criticar(dir_.folder(), dir_.file("bom.dbf"), result);
  const std::string book = dir_.file("s.xlsx");
  tools::WriteFile(book, "anterior");
  std::fflush(nullptr);
  const pid_t child = fork();
  if (child == 0) {
    signal(SIGXFSZ, SIG_IGN);  // a write past the limit then fails with EFBIG
    const rlimit limit{2000, 2000};
    setrlimit(RLIMIT_FSIZE, &limit);
    _exit(Resumir({"--saida", book, result}));
  }
  int status = 0;
  waitpid(child, &status, 0);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), cmdline::kExitRunError);
  EXPECT_EQ(cli::ReadBytes(book), "anterior");
  for (const auto& entry : std::filesystem::directory_iterator(dir_.path())) {
    EXPECT_NE(entry.path().filename().string().front(), '.') << entry.path();
  }
}
#endif

// Texts reach the page and the workbook as the result holds them: "_x0041_" stays literal, a
// control character is shown (page) or kept (workbook), a path that is not UTF-8 is read as
// typed, and a text longer than a cell holds is cut with a warning. Both are valid UTF-8.
TEST_F(RunResumoTest, TextsReachThePageAndTheWorkbookAsStored) {
  const std::string result = dir_.file("r\xE9.json");
  tools::WriteFile(result, R"({"entradas": {"riscos": "r.dbf", "sinistros": ")" +
                               std::string(40000, 's') + R"("},
    "empresa": {"codigo": "01234", "nome": "_x0041_\u0001"},
    "veredito": {"resultado": "aceitavel", "motivos": []}, "tabelas": []})");
  const std::string html = dir_.file("s.html");
  ASSERT_EQ(Resumir({"--saida", html, result}), cmdline::kExitSuccess) << err_;
  const std::string page = cli::ReadBytes(html);
  EXPECT_EQ(outputs::ValidUtf8(page), page);
  EXPECT_NE(page.find("<td class=\"longo\">" + WithBreaks(dir_.file("r\u00e9.json")) +
                      "</td><td class=\"codigo\">01234</td><td>_x0041_\u2401</td>"),
            std::string::npos)
      << page.substr(0, 3000);

  if (!outputs::XlsxAvailable()) GTEST_SKIP() << "this build writes no workbooks (Windows)";
  const std::string book = dir_.file("s.xlsx");
  ASSERT_EQ(Resumir({"--saida", book, result}), cmdline::kExitSuccess) << err_;
  EXPECT_EQ(err_, "aviso: " + book +
                      ": 1 texto passava de 32.767 caracteres, o máximo de uma célula, e foi "
                      "cortado (termina em “…”)\n");
#ifdef _WIN32
  GTEST_SKIP() << "workbooks are read back under Wine by scripts/wine-tests.sh";
#endif
  const auto sheets = testing_support::XlsxSheets(testing_support::XlsxDump(book));
  ASSERT_EQ(sheets.size(), 1u);
  ASSERT_EQ(sheets[0].second.size(), 2u);
  const std::string row = "s:" + dir_.file("r\u00e9.json") +
                          "\ts:01234\ts:_x0041_\x01\ts:r.dbf\ts:" + std::string(32766, 's') +
                          "…\ts:Aceitável\t";
  EXPECT_EQ(sheets[0].second[1].rfind(row, 0), 0u) << sheets[0].second[1].substr(0, 200);
}

// A reason that holds for many fields is named once with its count; an error's row gives its
// message and cause; the page groups counts in thousands.
TEST(SummaryRowTest, ReasonsCountedErrorsToldCountsGrouped) {
  const std::string rejected = R"({"entradas": {},
    "veredito": {"resultado": "rejeitado", "motivos": [{"tipo": "vigencia_invertida"},
      {"tipo": "falhas_campo"}, {"tipo": "cabecalho"}, {"tipo": "falhas_campo"},
      {"tipo": "falhas_campo"}]},
    "tabelas": [{"tabela": 1, "nome": "RISCOS", "registros": 97063, "campos": [
      {"campo": "ITEM", "ordem": 3, "erro_nulo": 1234, "erro_dom": 0}]}]})";
  const std::string ended = R"({"entradas": {}, "tabelas": [],
    "veredito": {"resultado": "erro", "motivos": [{"tipo": "erro", "texto": "Cannot open."}]},
    "erro": "Cannot open.", "explicacao": "arquivo de riscos não encontrado: r.dbf"})";
  const SummaryRow row = SummaryRowOf("r.json", rejected);
  EXPECT_EQ(row.motivos(), "vigencia_invertida, falhas_campo ×3, cabecalho");
  EXPECT_EQ(SummaryRowOf("e.json", ended).motivos(),
            "Cannot open. causa: arquivo de riscos não encontrado: r.dbf");
  const std::string page = SummaryHtml({row});
  EXPECT_NE(page.find("<td class=\"n\">97.063</td>"), std::string::npos) << page;
  EXPECT_NE(page.find("<td>RISCOS.ITEM 1.234</td>"), std::string::npos) << page;
  // The CSV keeps the digits as they are, for scripts.
  std::ostringstream csv;
  ASSERT_TRUE(WriteSummaryCsv({row}, csv));
  EXPECT_NE(csv.str().find(";97063;;;;RISCOS.ITEM 1234;\r\n"), std::string::npos) << csv.str();
}

// The five fields that fail most, ties in table and then field order; documents that are JSON
// but no result of a run.
TEST(SummaryRowTest, MostFailedFieldsAndForeignDocuments) {
  const std::string doc = R"({"entradas": {"riscos": "r", "sinistros": "s"},
    "veredito": {"resultado": "aceitavel", "motivos": []},
    "tabelas": [
      {"tabela": 2, "nome": "SINISTROS", "registros": 9, "campos": [
        {"campo": "B", "ordem": 2, "erro_nulo": 3, "erro_dom": 0},
        {"campo": "A", "ordem": 1, "erro_nulo": 0, "erro_dom": 3},
        {"campo": "Z", "ordem": 3, "erro_nulo": 0, "erro_dom": 0}]},
      {"tabela": 1, "nome": "RISCOS", "registros": 9, "campos": [
        {"campo": "X", "ordem": 1, "erro_nulo": 1, "erro_dom": 0},
        {"campo": "Y", "ordem": 2, "erro_nulo": 2, "erro_dom": 1},
        {"campo": "W", "ordem": 3, "erro_nulo": 0, "erro_dom": 1},
        {"campo": "V", "ordem": 4, "erro_nulo": 5, "erro_dom": 0}]}]})";
  const SummaryRow row = SummaryRowOf("x.json", doc);
  ASSERT_TRUE(row.legivel) << row.motivos();
  EXPECT_EQ(row.cells[kCamposMaisFalhos],
            "RISCOS.V 5, RISCOS.Y 3, SINISTROS.A 3, SINISTROS.B 3, RISCOS.X 1");
  EXPECT_EQ(row.cells[kRegistrosRiscos], "9");
  EXPECT_EQ(row.cells[kSemApolice], "");

  const std::pair<std::string, std::string> foreign[] = {
      {"[1, 2]", "não é um resultado do talmero-criticar (o documento ausente ou inesperado)"},
      {R"({"veredito": {"resultado": "talvez"}})",
       "não é um resultado do talmero-criticar (veredito.resultado ausente ou inesperado)"},
      {R"({"veredito": {"resultado": "erro", "motivos": []}, "entradas": {},
           "tabelas": [{"tabela": 1, "registros": "muitos", "campos": []}]})",
       "não é um resultado do talmero-criticar (tabelas[].registros ausente ou inesperado)"},
      {"", "não é JSON válido (byte 1)"},
  };
  for (const auto& [text, reason] : foreign) {
    SCOPED_TRACE(text);
    const SummaryRow bad = SummaryRowOf("x.json", text);
    EXPECT_FALSE(bad.legivel);
    EXPECT_EQ(bad.resultado(), "ilegivel");
    EXPECT_EQ(bad.motivos(), reason);
  }
}

}  // namespace
}  // namespace resumo
