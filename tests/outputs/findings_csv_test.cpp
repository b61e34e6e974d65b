// The failure list of whole runs: its rows against the report's counters of the same run, and
// the shape of the CSV (quoting, Windows-1252 bytes, structure rows, the cap).
#include "outputs/findings_csv.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <map>
#include <memory>
#include <set>
#include <sstream>
#include <tuple>

#include "engine/finding_tee.h"
#include "engine/text.h"
#include "engine/validation_run.h"
#include "outputs/csv_writer.h"
#include "outputs/failing_values.h"
#include "outputs/findings_xlsx.h"
#include "support/raw_record.h"
#include "support/recording_host.h"
#include "support/run_fixture.h"
#include "support/xlsx_dump.h"

namespace outputs {
namespace {

using testing_support::ClaimsLayout;
using testing_support::RisksLayout;
using testing_support::TempDir;
using Row = std::vector<std::string>;

// Rows of `csv`: ";" separated, fields in quotes may hold anything, quotes doubled, CR LF ends.
std::vector<Row> ParseCsv(const std::string& csv) {
  std::vector<Row> rows;
  Row row;
  std::string field;
  bool quoted = false;
  for (std::size_t i = 0; i < csv.size(); ++i) {
    const char c = csv[i];
    if (quoted) {
      if (c == '"' && i + 1 < csv.size() && csv[i + 1] == '"') {
        field += '"';
        ++i;
      } else if (c == '"') {
        quoted = false;
      } else {
        field += c;
      }
    } else if (c == '"') {
      quoted = true;
    } else if (c == ';') {
      row.push_back(field);
      field.clear();
    } else if (c == '\r') {
      EXPECT_EQ(i + 1 < csv.size() ? csv[i + 1] : '\0', '\n') << "a CR without LF";
      row.push_back(field);
      field.clear();
      rows.push_back(row);
      row.clear();
      ++i;
    } else {
      EXPECT_NE(c, '\n') << "a bare LF at byte " << i;
      field += c;
    }
  }
  EXPECT_TRUE(row.empty() && field.empty()) << "the last row is not ended by CR LF";
  return rows;
}

enum Column { kArquivo, kRegistro, kPosicao, kCampo, kVerificacao, kValor, kRelacionado };

class FindingsCsvTest : public ::testing::Test {
 protected:
  void SetUp() override {
    host_.catalogue_folder = dir_.folder();
    host_.risk_path = dir_.file("riscos.dbf");
    host_.claims_path = dir_.file("sinistros.dbf");
  }

  // The standard catalogue, with ITEM of the risks checked for its width and the claims' EVENTO
  // qualified by ITEM (its first two characters, "00", complete the domain key).
  void WriteCatalog() {
    auto risks = testing_support::RulesFor("RISCOS", RisksLayout());
    for (auto& r : risks) r.zerosesq = r.campo == "ITEM" ? 1 : 0;
    auto claims = testing_support::RulesFor("SINISTROS", ClaimsLayout());
    for (auto& r : claims) r.depende = r.campo == "EVENTO" ? "ITEM" : "";
    risks.insert(risks.end(), claims.begin(), claims.end());
    testing_support::WriteTabelas(dir_.file("tabelas.dbf"), risks);
    std::vector<testing_support::DomainRow> domain;
    for (int e = 1; e <= 8; ++e) domain.push_back({"SINISTROS", "EVENTO", std::to_string(e), "00"});
    testing_support::WriteAnexos(dir_.file("anexos.dbf"), domain);
    testing_support::WriteDadosKov(dir_.file("DadosKov.DBF"),
                                   {{"01234",
                                     "SEGURADORA TESTE S.A.",
                                     {"1100", "0", "0", "300", "100", "0"},
                                     "202301",
                                     "202312"}});
  }

  // Runs with a failure list; returns its rows without the header.
  std::vector<Row> Run(std::int64_t cap = FindingsCsv::kUnlimited) {
    std::ostringstream out;
    FindingsCsv csv(out, cap);
    run_ = std::make_unique<engine::ValidationRun>();
    run_->SetFindingSink(&csv);
    run_->Execute(host_);
    EXPECT_TRUE(csv.Finish());
    bytes_ = out.str();
    std::vector<Row> rows = ParseCsv(bytes_);
    EXPECT_FALSE(rows.empty());
    if (rows.empty()) return rows;
    EXPECT_EQ(rows.front().size(), 18u);
    for (const Row& r : rows) EXPECT_EQ(r.size(), 18u) << ::testing::PrintToString(r);
    rows.erase(rows.begin());
    // Every finding told is either listed or counted in its group's cap row.
    std::int64_t listed = 0;
    std::int64_t omitted = 0;
    for (const Row& r : rows) {
      if (r.size() > kValor && r[kRegistro].empty() && r[kVerificacao] != "estrutura") {
        omitted += std::stoll(r[kValor]);
      } else {
        ++listed;
      }
    }
    EXPECT_EQ(listed + omitted, csv.total());
    return rows;
  }

  // The number in the report line that starts with `prefix`-like digits before `marker`.
  std::int64_t ReportCount(const std::string& marker, std::size_t skip = 0) const {
    for (const std::string& line : host_.lines) {
      const std::size_t at = line.find(marker);
      if (at != std::string::npos) return std::stoll(line.substr(skip, at - skip));
    }
    return 0;
  }

  TempDir dir_;
  testing_support::RecordingHost host_;
  std::unique_ptr<engine::ValidationRun> run_;
  std::string bytes_;
};

TEST_F(FindingsCsvTest, EveryFindingAgreesWithTheReportCounters) {
  WriteCatalog();
  tools::DbfBuilder risks(RisksLayout());
  risks.Add({"01234", "POL1", "000001", "20230101", "20231231", "20230115", "1000"});
  risks.Add({"01234", "POL2", "1", "20230301", "20230201", "20230301"});  // width, inverted
  risks.Add({"01234", "", "", "", "", ""}, true);                         // deleted: skipped
  risks.Add({"01234", "", "000001", "18991231", "20231231", "2023"});     // null, two dates
  risks.Write(host_.risk_path);
  tools::DbfBuilder claims(ClaimsLayout());
  claims.Add({"01234", "POL1", "000001", "1", "300", "20230601"});
  claims.Add({"01234", "POL9", "000002", "9", "50", "20230801"});  // domain, no policy
  claims.Add({"01234", "POL1", "000001", "1", "1", "20230601"}, true);
  claims.Add({"01234", "S\xC3O;\"X\"", "000001", "3", "10", "2023"});  // no policy, date
  claims.Write(host_.claims_path);

  const std::vector<Row> rows = Run();

  // Per rule row: nulo rows equal erroNulo, tamanho + data + dominio rows equal erroDom.
  std::map<std::tuple<std::string, std::string, std::string>, std::int64_t> counted;
  for (const Row& r : rows) ++counted[{r[kArquivo], r[kCampo], r[kVerificacao]}];
  const auto count = [&](const std::string& file, const std::string& campo,
                         const std::string& check) {
    return counted[{file, campo, check}];
  };
  tables::MemTable& estrut = run_->tables().zelEstrutTab;
  int rules = 0;
  for (estrut.First(); !estrut.Eof(); estrut.Next(), ++rules) {
    const std::string file = estrut.GetFieldValue("tabela").AsInt64() == 1 ? "riscos" : "sinistros";
    const std::string campo(engine::Trimmed(estrut.GetFieldValue("campo").AsString()));
    SCOPED_TRACE(file + " " + campo);
    EXPECT_EQ(count(file, campo, "nulo"), estrut.GetFieldValue("erroNulo").AsInt64());
    EXPECT_EQ(
        count(file, campo, "tamanho") + count(file, campo, "data") + count(file, campo, "dominio"),
        estrut.GetFieldValue("erroDom").AsInt64());
  }
  EXPECT_EQ(rules, 20);
  EXPECT_EQ(count("sinistros", "APOLICE+ITEM", "sem_apolice"), ReportCount(" sinistros sem ap"));
  EXPECT_EQ(count("riscos", "INICIO_VIG", "vigencia_invertida"),
            ReportCount(" Riscos com data", 8));
  EXPECT_EQ(count("riscos", "INICIO_VIG", "vigencia_invertida"), 1);

  // Rows of each kind as written, record numbers counting the deleted record.
  const auto has = [&](const Row& wanted) {
    for (const Row& r : rows) {
      if (Row(r.begin(), r.begin() + static_cast<long>(wanted.size())) == wanted) return true;
    }
    return false;
  };
  EXPECT_TRUE(has({"riscos", "2", "3", "ITEM", "tamanho", "1     ", ""}));
  EXPECT_TRUE(has({"riscos", "4", "2", "APOLICE", "nulo", std::string(20, ' '), ""}));
  EXPECT_TRUE(has({"riscos", "4", "4", "INICIO_VIG", "data", "18991231", ""}));
  EXPECT_TRUE(has({"riscos", "2", "", "INICIO_VIG", "vigencia_invertida", "20230301", "20230201"}));
  EXPECT_TRUE(has({"sinistros", "2", "4", "EVENTO", "dominio", "9", "000002"}));
  EXPECT_TRUE(has({"sinistros", "4", "6", "D_AVI", "data", "2023    ", ""}));
  // Windows-1252 bytes kept, the ";" and the quotes survive the quoting.
  EXPECT_TRUE(has({"sinistros", "4", "", "APOLICE+ITEM", "sem_apolice",
                   "S\xC3O;\"X\"" + std::string(13, ' '), "000001"}));
  EXPECT_NE(bytes_.find("\"S\xC3O;\"\"X\"\"" + std::string(13, ' ') + "\";000001"),
            std::string::npos);
}

TEST_F(FindingsCsvTest, KeysMessagesAndRequirementsLeadToTheRecord) {
  WriteCatalog();
  tools::DbfBuilder risks(RisksLayout());
  risks.Add({"01234", "", "", "", "", ""}, true);
  risks.Add({"01234", "00000000000000999001", "1", "20230301", "20230201", "20230231"});
  risks.Add({"01234", "", "000001", "20230101", "20231231", "20230115"});
  risks.Write(host_.risk_path);
  tools::DbfBuilder claims(ClaimsLayout());
  claims.Add({"01234", "00000000000000999001", "000001", "9", "50", "20230801"});
  claims.Write(host_.claims_path);

  const std::vector<Row> rows = Run();
  std::map<std::string, Row> by_check;
  for (const Row& r : rows) {
    by_check[r[kVerificacao]] = r;
    const std::string& path = r[kArquivo] == "riscos" ? host_.risk_path : host_.claims_path;
    auto fields =
        testing_support::RecordFields(path, static_cast<std::uint32_t>(std::stoul(r[kRegistro])));
    SCOPED_TRACE(::testing::PrintToString(r));
    EXPECT_EQ(r[13], fields["APOLICE"]);
    EXPECT_EQ(r[14], "");  // neither file has ENDOSSO
    EXPECT_EQ(r[15], fields["ITEM"]);
  }
  ASSERT_EQ(by_check.size(), 6u);
  // Values stand between typographic quotes (Windows-1252 \x93 and \x94).
  const std::string open = "\x93";
  const std::string close = "\x94";
  const std::map<std::string, std::pair<std::string, std::string>> expected = {
      {"nulo", {"O campo APOLICE est\xE1 vazio, mas \xE9 obrigat\xF3rio.", ""}},
      {"tamanho",
       {"O campo ITEM tem " + open + "1" + close + " com 1 caracteres, mas o cat\xE1logo exige 6.",
        "6"}},
      {"data",
       {"O campo DATA_EMIS tem " + open + "20230231" + close +
            ", que n\xE3o \xE9 uma data existente na forma AAAAMMDD.",
        "AAAAMMDD, data existente"}},
      {"dominio",
       {"O valor " + open + "9" + close +
            " do campo EVENTO n\xE3o est\xE1 entre os valores permitidos para ITEM = " + open +
            "000001" + close + ".",
        "1, 2, 3, 4, 5, 6, 7, 8"}},
      {"sem_apolice",
       {"O sinistro da ap\xF3lice " + open + "00000000000000999001" + close + ", item " + open +
            "000001" + close +
            ", n\xE3o tem risco com a mesma ap\xF3lice e item no arquivo de riscos.",
        ""}},
      {"vigencia_invertida",
       {"A vig\xEA"
        "ncia termina em " +
            open + "20230201" + close +
            ", antes de come\xE7"
            "ar em " +
            open + "20230301" + close + ".",
        ""}},
  };
  for (const auto& [check, texts] : expected) {
    SCOPED_TRACE(check);
    EXPECT_EQ(by_check[check][16], texts.first);
    EXPECT_EQ(by_check[check][17], texts.second);
  }
}

TEST_F(FindingsCsvTest, StructureRowsNameEachPositionThatDiffers) {
  WriteCatalog();
  // Claims: APOLICE one character short and a field the catalogue does not know.
  auto layout = ClaimsLayout();
  layout[1].length = 19;
  layout.push_back({"EXTRA", 'N', 4});
  tools::DbfBuilder(layout).Write(host_.claims_path);
  // Risks: the last field missing, so the catalogue's last row finds no position.
  auto risks = RisksLayout();
  risks.pop_back();
  tools::DbfBuilder(risks).Write(host_.risk_path);

  const std::vector<Row> rows = Run();
  ASSERT_EQ(rows.size(), 3u) << bytes_;
  auto tail = [](const Row& r) { return Row(r.begin() + 7, r.begin() + 13); };
  EXPECT_EQ(Row(rows[0].begin(), rows[0].begin() + 7),
            (Row{"riscos", "", "14", "PRE_APP_DM", "estrutura", "", ""}));
  EXPECT_EQ(tail(rows[0]), (Row{"PRE_APP_DM", "3", "0", "", "", ""}));
  EXPECT_EQ(Row(rows[1].begin(), rows[1].begin() + 5),
            (Row{"sinistros", "", "2", "APOLICE", "estrutura"}));
  EXPECT_EQ(tail(rows[1]), (Row{"APOLICE", "1", "20", "APOLICE", "1", "19"}));
  EXPECT_EQ(Row(rows[2].begin(), rows[2].begin() + 5),
            (Row{"sinistros", "", "7", "EXTRA", "estrutura"}));
  EXPECT_EQ(tail(rows[2]), (Row{"", "", "", "EXTRA", "3", "0"}));
}

TEST_F(FindingsCsvTest, TheCompanyRowNamesTheRecordThatStoppedTheFile) {
  WriteCatalog();
  tools::DbfBuilder claims(ClaimsLayout());
  claims.Add({"01234", "POL1", "000001", "1", "300", "20230601"});
  claims.Add({"01234", "POL1", "000001", "1", "300", "20230601"}, true);
  claims.Add({"99999", "POL1", "000001", "1", "300", "20230601"});
  claims.Add({"88888", "", "", "", "", ""});  // never reached
  claims.Write(host_.claims_path);
  host_.risk_path = "";
  const std::vector<Row> rows = Run();
  ASSERT_EQ(rows.size(), 1u) << bytes_;
  EXPECT_EQ(Row(rows[0].begin(), rows[0].begin() + 7),
            (Row{"sinistros", "3", "", "COD_SEG", "empresa", "99999", "01234"}));
}

TEST_F(FindingsCsvTest, TheCapKeepsTheFirstRowsOfEachGroupAndSaysSoLast) {
  WriteCatalog();
  tools::DbfBuilder risks(RisksLayout());
  for (int i = 0; i < 5; ++i) {
    risks.Add({"01234", "POL" + std::to_string(i), "", "20230101", "20231231", "20230115"});
  }
  risks.Add({"01234", "", "000001", "20230101", "20231231", "20230115"});
  risks.Write(host_.risk_path);
  host_.claims_path = "";

  for (const std::int64_t cap : {std::int64_t{0}, std::int64_t{2}, std::int64_t{5}}) {
    SCOPED_TRACE(cap);
    const std::vector<Row> rows = Run(cap);
    std::map<std::string, int> listed;
    std::vector<Row> notes;
    for (const Row& r : rows) {
      if (r[kRegistro].empty()) {
        notes.push_back(r);
      } else {
        ASSERT_TRUE(notes.empty()) << "a finding after a cap row";
        ++listed[r[kCampo] + "/" + r[kVerificacao]];
      }
    }
    const int kept = static_cast<int>(std::min<std::int64_t>(cap, 5));
    EXPECT_EQ(listed["ITEM/nulo"], kept);
    EXPECT_EQ(listed["ITEM/tamanho"], kept);
    EXPECT_EQ(listed["APOLICE/nulo"], std::min(1, kept));
    if (cap >= 5) {
      EXPECT_TRUE(notes.empty());
      EXPECT_EQ(listed["ITEM/nulo"], 5);
      continue;
    }
    ASSERT_EQ(notes.size(), cap == 0 ? 3u : 2u);
    EXPECT_EQ(notes[0][kCampo] + notes[0][kVerificacao], "ITEMnulo");
    EXPECT_EQ(notes[0][kValor],
              std::to_string(5 - cap) + engine::Ansi(" falhas não listadas (limite de ") +
                  std::to_string(cap) + engine::Ansi(" por campo e verificação, total 5)"));
    EXPECT_EQ(notes[1][kCampo] + notes[1][kVerificacao], "ITEMtamanho");
  }
}

// The workbook read back by openpyxl gives the CSV's rows, texts as texts, the record's key first
// under headers in words and no structure columns in a run without a structure finding; a sheet
// that reaches its row limit goes on in the next sheet of the same file, right after it (the
// inverted coverages reach the risks' sheet after the claims' began).
TEST_F(FindingsCsvTest, TheWorkbookHoldsTheCsvRowsAcrossContinuedSheets) {
  if (!XlsxAvailable()) GTEST_SKIP() << "this build writes no workbooks (Windows)";
  WriteCatalog();
  tools::DbfBuilder risks(RisksLayout());
  for (int i = 0; i < 4; ++i) {
    risks.Add({"01234", "00000000000000999001", "1", "20230301", "20230201", "20230231"});
  }
  risks.Write(host_.risk_path);
  tools::DbfBuilder claims(ClaimsLayout());
  claims.Add({"01234", "S\xC3O;\"X\"", "000001", "9", "50", "2023"});
  claims.Write(host_.claims_path);

  std::ostringstream csv_bytes;
  FindingsCsv csv(csv_bytes);
  const std::string book = dir_.file("falhas.xlsx");
  FindingsXlsx xlsx(book, FindingsXlsx::kUnlimited, 4);  // a header and three rows per sheet
  ASSERT_TRUE(xlsx.ok());
  engine::FindingTee both;
  both.Add(&csv);
  both.Add(&xlsx);
  run_ = std::make_unique<engine::ValidationRun>();
  run_->SetFindingSink(&both);
  run_->Execute(host_);
  ASSERT_TRUE(csv.Finish());
  ASSERT_TRUE(xlsx.Finish());

  // The CSV's rows as the workbook should hold them, per file in order: apolice, endosso, item,
  // registro, campo, posicao, verificacao, valor, valor_relacionado, mensagem, exigido, arquivo.
  const std::vector<Row> rows = ParseCsv(csv_bytes.str());
  const std::size_t order[] = {13, 14, 15, 1, 3, 2, 4, 5, 6, 16, 17, 0};
  std::map<std::string, std::vector<std::string>> expected;
  for (std::size_t i = 1; i < rows.size(); ++i) {
    std::string line;
    for (const std::size_t c : order) {
      if (c != order[0]) line += '\t';
      if (!rows[i][c].empty())
        line += (c == 1 || c == 2 ? "n:" : "s:") + engine::Win1252ToUtf8(rows[i][c]);
    }
    expected[rows[i][kArquivo]].push_back(line);
  }
  ASSERT_GT(expected["riscos"].size(), 6u);

#ifdef _WIN32
  GTEST_SKIP() << "read back under Wine by scripts/wine-tests.sh (no Python for Windows here)";
#endif
  const std::string dump = dir_.file("dump.txt");
  const std::string command = "/usr/bin/python3 " + std::string(TALMERO_TEST_DATA) +
                              "/../support/read_xlsx.py " + book + " > " + dump;
  ASSERT_EQ(std::system(command.c_str()), 0) << command;
  std::ifstream in(dump, std::ios::binary);
  std::map<std::string, std::vector<std::string>> read;  // per file, the sheets' rows in order
  std::vector<std::string> sheets;
  std::string file;
  bool header = false;
  for (std::string line; std::getline(in, line);) {
    if (line.rfind("= ", 0) == 0) {
      sheets.push_back(line.substr(2));
      file = sheets.back().substr(0, sheets.back().find(' '));
      header = true;
      continue;
    }
    if (header) {
      EXPECT_EQ(line,
                "s:Apólice\ts:Endosso\ts:Item\ts:Registro\ts:Campo\ts:Posição\ts:Verificação\t"
                "s:Valor\ts:Valor relacionado\ts:Mensagem\ts:Exigido\ts:Arquivo")
          << sheets.back();
      header = false;
      continue;
    }
    read[file].push_back(line);
  }
  EXPECT_EQ(read["riscos"], expected["riscos"]);
  EXPECT_EQ(read["sinistros"], expected["sinistros"]);
  const std::size_t risk_sheets = (expected["riscos"].size() + 2) / 3;
  ASSERT_EQ(sheets.size(), risk_sheets + (expected["sinistros"].size() + 2) / 3);
  EXPECT_EQ(sheets[0], "riscos");
  for (std::size_t i = 1; i < risk_sheets; ++i) {
    EXPECT_EQ(sheets[i], "riscos (" + std::to_string(i + 1) + ")");
  }
  EXPECT_EQ(sheets[risk_sheets], "sinistros");
  // The key keeps its leading zeros.
  EXPECT_NE(read["riscos"][0].find("s:00000000000000999001"), std::string::npos);
}

// A field that differs from the catalogue has no record: its rows go to a sheet "estrutura" with
// the expected and the found field, made only when there is one; the files' sheets have no
// structure columns either way, and a cap's note reads under Mensagem.
TEST(FindingsXlsxTest, StructureRowsHaveTheirOwnSheetOnlyWhenThereAreSome) {
  if (!XlsxAvailable()) GTEST_SKIP() << "this build writes no workbooks";
#ifdef _WIN32
  GTEST_SKIP() << "workbooks are read back under Wine by scripts/wine-tests.sh";
#endif
  const auto& names = FindingColumnNames();
  const auto row = [&](std::map<std::string_view, std::string_view> cells) {
    FindingRow r{};
    for (std::size_t c = 0; c < r.size(); ++c) {
      if (cells.count(names[c])) r[c] = {cells[names[c]], FindingColumnIsNumber(c)};
    }
    return r;
  };
  const FindingRow field = row({{"arquivo", "riscos"},
                                {"registro", "7"},
                                {"campo", "ITEM"},
                                {"verificacao", "nulo"},
                                {"apolice", "P1"},
                                {"mensagem", "m"}});
  const FindingRow note = row(
      {{"arquivo", "riscos"}, {"campo", "ITEM"}, {"verificacao", "nulo"}, {"valor", "3 falhas"}});
  const FindingRow shape = row({{"arquivo", "sinistros"},
                                {"posicao", "2"},
                                {"campo", "EVENTO"},
                                {"verificacao", "estrutura"},
                                {"esperado_nome", "EVENTO"},
                                {"esperado_tipo", "1"},
                                {"esperado_tamanho", "2"},
                                {"encontrado_nome", "EVENTO"},
                                {"encontrado_tipo", "1"},
                                {"encontrado_tamanho", "3"},
                                {"mensagem", "s"}});
  TempDir dir;
  const std::string record_header =
      "s:Apólice\ts:Endosso\ts:Item\ts:Registro\ts:Campo\ts:Posição\ts:Verificação\ts:Valor\t"
      "s:Valor relacionado\ts:Mensagem\ts:Exigido\ts:Arquivo";
  for (const bool with_structure : {false, true}) {
    SCOPED_TRACE(with_structure);
    const std::string book = dir.file(with_structure ? "com.xlsx" : "sem.xlsx");
    std::unique_ptr<FindingRowWriter> writer = FindingsXlsx::RowWriter(book);
    ASSERT_TRUE(writer);
    writer->Row(engine::FindingFile::kRiscos, field);
    if (with_structure) writer->Row(engine::FindingFile::kSinistros, shape);
    writer->Row(engine::FindingFile::kRiscos, note);
    ASSERT_TRUE(writer->Finish()) << writer->ErrorText();
    const auto sheets = testing_support::XlsxSheets(testing_support::XlsxDump(book));
    std::vector<std::string> sheet_names;
    for (const auto& [name, lines] : sheets) sheet_names.push_back(name);
    const std::vector<std::string> expected_names =
        with_structure ? std::vector<std::string>{"estrutura", "riscos", "sinistros"}
                       : std::vector<std::string>{"riscos", "sinistros"};
    EXPECT_EQ(sheet_names, expected_names);
    const auto& riscos = sheets[with_structure ? 1 : 0].second;
    EXPECT_EQ(riscos, (std::vector<std::string>{
                          record_header, "s:P1\t\t\tn:7\ts:ITEM\t\ts:nulo\t\t\ts:m\t\ts:riscos",
                          "\t\t\t\ts:ITEM\t\ts:nulo\t\t\ts:3 falhas\t\ts:riscos"}));
    EXPECT_EQ(sheets.back().second, std::vector<std::string>{record_header});
    if (!with_structure) continue;
    EXPECT_EQ(sheets[0].second,
              (std::vector<std::string>{
                  "s:Arquivo\ts:Posição\ts:Campo\ts:Nome esperado\ts:Tipo esperado\t"
                  "s:Tamanho esperado\ts:Nome encontrado\ts:Tipo encontrado\t"
                  "s:Tamanho encontrado\ts:Mensagem",
                  "s:sinistros\tn:2\ts:EVENTO\ts:EVENTO\tn:1\tn:2\ts:EVENTO\tn:1\tn:3\ts:s"}));
  }
}

TEST(FindingsCsvWriterTest, QuotesOnlyWhatNeedsIt) {
  const std::pair<std::string, std::string> cases[] = {
      {"plain text ", "plain text "},
      {"a;b", "\"a;b\""},
      {"say \"hi\"", "\"say \"\"hi\"\"\""},
      {"two\r\nlines", "\"two\r\nlines\""},
      {"\xC9"
       "poca",
       "\xC9"
       "poca"},
  };
  for (const auto& [text, written] : cases) {
    SCOPED_TRACE(text);
    std::ostringstream each;
    FindingsCsv writer(each);
    writer.CoverageInverted(3, {}, text, "x");
    ASSERT_TRUE(writer.Finish());
    // The columns before the sentence, which quotes the text again.
    const std::string row = each.str().substr(each.str().find("\r\n") + 2);
    EXPECT_EQ(row.substr(0, row.find(";x;") + 12),
              "riscos;3;;INICIO_VIG;vigencia_invertida;" + written + ";x;;;;;;;;;;");
  }
}

// The rows a walk's chunk parts make, merged chunk by chunk behind a tee, must be byte for byte
// the rows made in place, quoted fields and rows longer than a part's first buffer included. The
// tee tells FieldFailed only to the member without a part (a list with a cap), and no member
// twice.
TEST(FindingsCsvWriterTest, ChunkPartsBehindATeeMakeTheRowsMadeInPlace) {
  const std::string texts[] = {"plain", "a;b", "say \"hi\"", "two\r\nlines",
                               std::string(9000, 'x')};
  std::ostringstream in_place;
  std::ostringstream by_parts;
  std::ostringstream capped_in_place;
  std::ostringstream capped_by_tee;
  FindingsCsv direct(in_place);
  FindingsCsv parted(by_parts);
  FindingsCsv capped_direct(capped_in_place, 2);
  FindingsCsv capped(capped_by_tee, 2);
  EXPECT_EQ(capped.NewChunkPart(), nullptr);
  FailingValues values;
  engine::FindingTee tee;
  tee.Add(&values);
  tee.Add(&parted);
  tee.Add(&capped);
  const std::unique_ptr<engine::ChunkPart> part = tee.NewChunkPart();
  ASSERT_NE(part, nullptr);
  EXPECT_TRUE(part->SinkHearsEach());
  std::uint32_t record = 0;
  for (const std::string& text : texts) {
    const engine::KnownFindingDetails details({"P;1", "0", "1"}, "A, B");
    engine::FieldFinding f;
    f.record = ++record;
    f.position = 4;
    f.field = "COD";
    f.check = engine::FindingCheck::kDominio;
    f.text = text;
    f.qualifier = "q";
    f.depende = "TIPO";
    f.details = &details;
    direct.FieldFailed(f);
    capped_direct.FieldFailed(f);
    part->Count(f);
    tee.FieldFailed(f);
    if (record % 2 == 0) part->Merge();
  }
  part->Merge();
  for (FindingsCsv* list : {&direct, &parted, &capped_direct, &capped}) {
    ASSERT_TRUE(list->Finish());
  }
  EXPECT_EQ(by_parts.str(), in_place.str());
  EXPECT_EQ(parted.total(), direct.total());
  EXPECT_EQ(capped_by_tee.str(), capped_in_place.str());
  const auto top = values.Top(engine::FindingFile::kRiscos, "COD", 10);
  ASSERT_EQ(top.size(), std::size(texts));
  EXPECT_EQ(top.front().count, 1);
}

// Past the first block the rows are written on another thread while the next block fills: the
// blocks must arrive whole and in order, and a write that fails there must fail Finish().
TEST(FindingsCsvWriterTest, BlocksWrittenOnTheSecondThreadKeepTheirOrderAndTheirFailure) {
  // Takes `room` bytes, then fails.
  class Limited : public std::streambuf {
   public:
    explicit Limited(std::size_t room) : room_(room) {}

   protected:
    std::streamsize xsputn(const char*, std::streamsize n) override {
      if (static_cast<std::size_t>(n) > room_) return 0;
      room_ -= static_cast<std::size_t>(n);
      return n;
    }
    int_type overflow(int_type c) override { return xsputn("", 1) == 1 ? c : traits_type::eof(); }

   private:
    std::size_t room_;
  };
  std::string expected;
  std::ostringstream all;
  Limited limited_buffer(3 << 20);
  std::ostream limited(&limited_buffer);
  CsvWriter whole(all);
  CsvWriter cut(limited);
  for (int i = 0; expected.size() < (6u << 20); ++i) {
    const std::string number = std::to_string(i);
    const std::string_view row[] = {number, "campo", "valor com ; dentro", ""};
    whole.Row(row, 4);
    cut.Row(row, 4);
    expected += number + ";campo;\"valor com ; dentro\";\r\n";
  }
  ASSERT_TRUE(whole.Finish());
  EXPECT_TRUE(all.str() == expected);
  EXPECT_FALSE(cut.Finish());
}

// The scan goes eight bytes at a time: every place of a word and of the tail must count, and
// no other byte value may.
TEST(FindingsCsvWriterTest, TheQuoteScanFindsEachSpecialByteAnywhereAndNothingElse) {
  std::string others;
  for (int b = 0; b < 256; ++b) {
    const char c = static_cast<char>(b);
    if (c != ';' && c != '"' && c != '\r' && c != '\n') others += c;
  }
  for (std::size_t start = 0; start + 20 <= others.size(); start += 7) {
    EXPECT_FALSE(CsvWriter::NeedsQuotes(std::string_view(others).substr(start, 20)));
  }
  EXPECT_FALSE(CsvWriter::NeedsQuotes(others));
  for (std::size_t size = 1; size <= 20; ++size) {
    for (std::size_t at = 0; at < size; ++at) {
      for (const char special : {';', '"', '\r', '\n'}) {
        std::string text = others.substr(40, size);
        text[at] = special;
        EXPECT_TRUE(CsvWriter::NeedsQuotes(text)) << size << " " << at << " " << int{special};
      }
    }
  }
}

}  // namespace
}  // namespace outputs
