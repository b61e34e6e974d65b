// The records with failures against the files they come from.
#include "outputs/record_extract.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <set>
#include <sstream>

#include "engine/finding_tee.h"
#include "engine/validation_run.h"
#include "outputs/failing_values.h"
#include "support/private_mounts.h"
#include "support/raw_record.h"
#include "support/recording_host.h"
#include "support/run_fixture.h"
#include "support/scoped_temp_folder.h"
#include "support/xlsx_dump.h"

#ifdef __linux__
#include <fcntl.h>
#endif

namespace outputs {
namespace {

using testing_support::TempDir;
using testing_support::XlsxDump;

std::vector<std::vector<std::string>> Rows(const std::string& csv) {
  std::vector<std::vector<std::string>> rows;
  std::istringstream in(csv);
  for (std::string line; std::getline(in, line, '\n');) {
    EXPECT_EQ(line.back(), '\r');
    line.pop_back();
    std::vector<std::string>& row = rows.emplace_back();
    std::istringstream fields(line);
    for (std::string field; std::getline(fields, field, ';');) row.push_back(field);
    if (line.back() == ';') row.emplace_back();
  }
  return rows;
}

// The standard catalogue in `dir` and a host that runs on riscos.dbf and sinistros.dbf there.
testing_support::RecordingHost HostIn(const TempDir& dir) {
  testing_support::WriteStandardCatalog(dir);
  testing_support::RecordingHost host;
  host.catalogue_folder = dir.folder();
  host.risk_path = dir.file("riscos.dbf");
  host.claims_path = dir.file("sinistros.dbf");
  return host;
}

TEST(RecordExtractTest, OneRowPerFailingRecordWithTheFileTextsAndEveryFailureMerged) {
  TempDir dir;
  testing_support::RecordingHost host = HostIn(dir);
  tools::DbfBuilder risks(testing_support::RisksLayout());
  risks.Add({"01234", "POL1", "000001", "20230101", "20231231", "20230115", "1000"});
  risks.Add({"01234", "", "000001", "20230301", "20230201", "20230301"});      // null, inverted
  risks.Add({"01234", "", "", "", "", ""}, true);                              // deleted
  risks.Add({"01234", "POL3", "000001", "20230301", "20230201", "20230301"});  // inverted only
  risks.Add({"01234", "POL4", "000001", "20230101", "20231231", "20230115"});
  risks.Write(host.risk_path);
  tools::DbfBuilder claims(testing_support::ClaimsLayout());
  claims.Add({"01234", "POL9", "000001", "9", "50", "20230801"});  // domain and no policy
  claims.Add({"01234", "POL1", "000001", "1", "50", "20230801"});
  claims.Write(host.claims_path);

  std::ostringstream risk_rows;
  std::ostringstream claim_rows;
  RecordExtract extract(risk_rows, claim_rows);
  ASSERT_TRUE(extract.ok());
  engine::ValidationRun run;
  run.SetFindingSink(&extract);
  run.Execute(host);
  ASSERT_TRUE(extract.Finish());

  const auto check = [](const std::string& path, const std::string& csv,
                        const std::vector<std::pair<std::string, std::string>>& expected) {
    const auto rows = Rows(csv);
    ASSERT_EQ(rows.size(), expected.size() + 1) << csv;
    const auto& header = rows[0];
    EXPECT_EQ(header.front(), "arquivo");
    EXPECT_EQ(header.back(), "falhas");
    for (std::size_t i = 0; i < expected.size(); ++i) {
      const auto& row = rows[i + 1];
      SCOPED_TRACE(row[1]);
      EXPECT_EQ(row[1], expected[i].first);
      EXPECT_EQ(row.back(), expected[i].second);
      auto fields =
          testing_support::RecordFields(path, static_cast<std::uint32_t>(std::stoul(row[1])));
      ASSERT_EQ(row.size(), fields.size() + 3);
      for (std::size_t c = 2; c + 1 < row.size(); ++c) EXPECT_EQ(row[c], fields[header[c]]);
    }
  };
  check(host.risk_path, risk_rows.str(),
        {{"2", "APOLICE:nulo INICIO_VIG:vigencia_invertida"},
         {"4", "INICIO_VIG:vigencia_invertida"}});
  check(host.claims_path, claim_rows.str(), {{"1", "EVENTO:dominio APOLICE+ITEM:sem_apolice"}});
  EXPECT_EQ(RecordExtract::ClaimsPath("a.b/falhas.csv"), "a.b/falhas-sinistros.csv");
  EXPECT_EQ(RecordExtract::ClaimsPath("a.b/falhas"), "a.b/falhas-sinistros");
}

// The extract as a workbook holds the CSV's rows, a sheet per file continued past its row limit:
// the record's key first (Apólice, Endosso, Item as the file has them), then Registro, the other
// fields in file order, Falhas and Arquivo; every field a text as stored (leading zeros, "76.00"),
// the record number a number, the key's column at the field's width.
TEST(RecordExtractTest, TheWorkbookHoldsTheCsvRowsWithTheFieldsAsTexts) {
  if (!XlsxAvailable()) GTEST_SKIP() << "this build writes no workbooks";
#ifdef _WIN32
  GTEST_SKIP() << "workbooks are read back under Wine by scripts/wine-tests.sh";
#endif
  TempDir dir;
  testing_support::RecordingHost host = HostIn(dir);
  tools::DbfBuilder risks(testing_support::RisksLayout());
  risks.Add({"01234", "00000000000000999001", "000001", "20230301", "20230201", "20230301",
             "76.00"});  // inverted
  for (int i = 0; i < 4; ++i) risks.Add({"01234", "", "000001", "20230101", "20231231", "1"});
  risks.Write(host.risk_path);
  tools::DbfBuilder claims(testing_support::ClaimsLayout());
  claims.Add({"01234", "POL9", "000001", "9", "50", "20230801"});
  claims.Write(host.claims_path);

  std::ostringstream risk_rows;
  std::ostringstream claim_rows;
  RecordExtract csv(risk_rows, claim_rows);
  const std::string book = dir.file("extrato.xlsx");
  RecordExtract xlsx(book, dir.folder(), 3);  // a header and two rows per sheet
  ASSERT_TRUE(xlsx.ok()) << xlsx.WorkbookError();
  engine::FindingTee both;
  both.Add(&csv);
  both.Add(&xlsx);
  engine::ValidationRun run;
  run.SetFindingSink(&both);
  run.Execute(host);
  ASSERT_TRUE(csv.Finish());
  ASSERT_TRUE(xlsx.Finish()) << xlsx.WorkbookError();

  const auto sheets = testing_support::XlsxSheets(testing_support::XlsxDump(book));
  std::vector<std::string> names;
  for (const auto& [name, lines] : sheets) names.push_back(name);
  EXPECT_EQ(names, (std::vector<std::string>{"riscos", "riscos (2)", "riscos (3)", "sinistros"}));
  for (const auto& [file, text] :
       {std::pair{"riscos", risk_rows.str()}, std::pair{"sinistros", claim_rows.str()}}) {
    SCOPED_TRACE(file);
    const auto csv_rows = Rows(text);
    ASSERT_FALSE(csv_rows.empty());
    std::vector<std::string> header = csv_rows.front();
    std::vector<std::size_t> order;  // the workbook's columns, as places in the CSV's row
    for (const char* key : {"APOLICE", "ENDOSSO", "ITEM"}) {
      const auto at = std::find(header.begin(), header.end(), key);
      if (at != header.end()) order.push_back(static_cast<std::size_t>(at - header.begin()));
    }
    ASSERT_EQ(order.size(), 2u);  // the layout has no ENDOSSO
    order.push_back(1);
    for (std::size_t c = 2; c + 1 < header.size(); ++c) {
      if (std::find(order.begin(), order.end(), c) == order.end()) order.push_back(c);
    }
    order.push_back(header.size() - 1);
    order.push_back(0);
    const std::map<std::string, std::string> titles = {{"APOLICE", "Apólice"},
                                                       {"ITEM", "Item"},
                                                       {"registro", "Registro"},
                                                       {"falhas", "Falhas"},
                                                       {"arquivo", "Arquivo"}};
    for (auto& name : header) {
      if (titles.count(name)) name = titles.at(name);
    }
    std::vector<std::string> expected;  // the CSV's rows as the dump shows them
    for (const auto& row : csv_rows) {
      const std::vector<std::string>& cells = expected.empty() ? header : row;
      std::string line;
      for (const std::size_t c : order) {
        if (c != order.front()) line += '\t';
        if (!cells[c].empty()) line += (c == 1 && !expected.empty() ? "n:" : "s:") + cells[c];
      }
      expected.push_back(line);
    }
    std::vector<std::string> read = {expected.front()};
    for (const auto& [name, lines] : sheets) {
      if (name.rfind(file, 0) != 0) continue;
      ASSERT_FALSE(lines.empty());
      EXPECT_EQ(lines.front(), expected.front()) << name;  // every part has the header
      read.insert(read.end(), lines.begin() + 1, lines.end());
    }
    EXPECT_EQ(read, expected);
  }
  EXPECT_EQ(sheets[0].second.at(1).rfind("s:00000000000000999001\t", 0), 0u);
  EXPECT_NE(sheets[0].second.at(1).find("\ts: 76.00\t"), std::string::npos);
  const auto widths =
      testing_support::XlsxWidths(testing_support::XlsxSheets(XlsxDump(book, true))[0].second[0]);
  EXPECT_EQ(widths.at("A"), 20);  // APOLICE
}

// Each pass keeps its records in blocks of a temporary file: many failing records make the
// walk's pass span several blocks, with records cut at a block's end, while the later pass
// (every 7th record) is merged into them. The walk's chunks are checked out of order by two and
// by three workers, whatever the machine's cores, and replayed in file order.
TEST(RecordExtractTest, ManyRecordsAcrossTheTemporaryBlocksKeepEveryRowAndMerge) {
  TempDir dir;
  testing_support::RecordingHost host = HostIn(dir);
  constexpr int kRecords = 100000;  // 3 words each in the walk's pass: past 1 MiB
  tools::DbfBuilder risks(testing_support::RisksLayout());
  for (int i = 1; i <= kRecords; ++i) {
    const bool inverted = i % 7 == 0;
    risks.Add({"01234", "", "000001", "20230301", inverted ? "20230201" : "20231231", "20230301"});
  }
  risks.Write(host.risk_path);
  tools::DbfBuilder claims(testing_support::ClaimsLayout());
  claims.Add({"01234", "POL1", "000001", "1", "50", "20230801"});
  claims.Write(host.claims_path);

  for (const int workers : {2, 3}) {
    SCOPED_TRACE(std::to_string(workers) + " workers");
    std::ostringstream risk_rows;
    std::ostringstream claim_rows;
    RecordExtract extract(risk_rows, claim_rows);
    engine::ValidationRun run;
    run.SetWalkThreads(workers);
    run.SetFindingSink(&extract);
    run.Execute(host);
    ASSERT_TRUE(extract.Finish());
    const auto rows = Rows(risk_rows.str());
    ASSERT_EQ(rows.size(), kRecords + 1u);
    for (int i = 1; i <= kRecords; ++i) {
      const auto& row = rows[static_cast<std::size_t>(i)];
      ASSERT_EQ(row[1], std::to_string(i));
      ASSERT_EQ(row.back(),
                i % 7 == 0 ? "APOLICE:nulo INICIO_VIG:vigencia_invertida" : "APOLICE:nulo")
          << i;
    }
  }
}

#ifdef __linux__
// The files this process holds open whose names are gone: its scratch files.
std::vector<std::string> OpenScratchFiles() {
  constexpr std::string_view kGone = " (deleted)";
  std::vector<std::string> paths;
  for (const auto& entry : std::filesystem::directory_iterator("/proc/self/fd")) {
    std::error_code error;
    const std::string target = std::filesystem::read_symlink(entry.path(), error).string();
    if (error || !target.ends_with(kGone) || target.rfind("/memfd:", 0) == 0) continue;
    paths.push_back(target.substr(0, target.size() - kGone.size()));
  }
  return paths;
}

// Notes the scratch files open each time the run writes a line.
class ScratchWatchingHost : public testing_support::RecordingHost {
 public:
  void AppendLine(std::string_view line) override {
    RecordingHost::AppendLine(line);
    for (std::string& path : OpenScratchFiles()) seen.insert(std::move(path));
  }
  std::set<std::string> seen;
};

TEST(RecordExtractTest, EveryScratchFileOfARunIsInTheTemporaryFolder) {
  TempDir dir;
  TempDir temp;
  const testing_support::ScopedTempFolder temp_folder(temp.folder());
  testing_support::WriteStandardCatalog(dir);
  ScratchWatchingHost host;
  host.catalogue_folder = dir.folder();
  host.risk_path = dir.file("riscos.dbf");
  host.claims_path = dir.file("sinistros.dbf");
  tools::DbfBuilder risks(testing_support::RisksLayout());
  risks.Add({"01234", "", "000001", "20230101", "20231231", "20230115"});  // APOLICE null
  risks.Write(host.risk_path);
  tools::DbfBuilder claims(testing_support::ClaimsLayout());
  claims.Add({"01234", "POL9", "000001", "1", "50", "20230801"});  // no policy
  claims.Write(host.claims_path);

  std::ostringstream risk_rows;
  std::ostringstream claim_rows;
  RecordExtract extract(risk_rows, claim_rows, dir.folder());
  engine::ValidationRun run;
  run.SetFindingSink(&extract);
  run.Execute(host);
  ASSERT_TRUE(extract.Finish());
  ASSERT_FALSE(host.seen.empty());
  for (const std::string& path : host.seen) EXPECT_EQ(path.rfind(temp.folder(), 0), 0u) << path;
}

// /tmp holds one block of a pass and no more. With TMPDIR elsewhere the extract never goes
// there; without, the pass that fills /tmp moves on to the catalogue folder with what it holds.
TEST(RecordExtractTest, AFullTmpLeavesTheExtractWhole) {
  TempDir dir;
  constexpr std::uint32_t kRecords = 150000;  // 3 words each: past one block of 1 MiB
  tools::DbfBuilder risks({{"APOLICE", 'C', 5}});
  for (std::uint32_t r = 0; r < kRecords; ++r) risks.Add({""});
  risks.Write(dir.file("riscos.dbf"));
  std::filesystem::create_directory(dir.path() / "temp");
  for (const bool tmpdir_elsewhere : {true, false}) {
    SCOPED_TRACE(tmpdir_elsewhere ? "TMPDIR elsewhere" : "no TMPDIR");
    // The test's folder may be under /tmp: it is reached through a descriptor opened before.
    const int kept = open(dir.path().c_str(), O_RDONLY | O_DIRECTORY);
    ASSERT_GE(kept, 0);
    const std::string base = "/proc/self/fd/" + std::to_string(kept) + "/";
    std::string why;
    const std::optional<int> status = testing_support::InPrivateMounts(
        [&] {
          if (!testing_support::MountTmpfs("/tmp", "1280k"))
            return testing_support::kNoPrivateMounts;
          if (tmpdir_elsewhere) {
            setenv("TMPDIR", (base + "temp").c_str(), 1);
          } else {
            unsetenv("TMPDIR");
          }
          tables::DbfTable table("tbDados", /*set_deleted=*/true);
          table.SetFileName(base + "riscos.dbf");
          table.Open();
          std::ostringstream rows;
          std::ostringstream claims;
          RecordExtract extract(rows, claims, base);
          engine::FieldFinding f;
          f.position = 1;
          f.field = "APOLICE";
          f.table = &table;
          for (f.record = 1; f.record <= kRecords; ++f.record) extract.FieldFailed(f);
          if (!extract.Finish()) return 1;
          const std::string csv = rows.str();
          return std::count(csv.begin(), csv.end(), '\n') == kRecords + 1 ? 0 : 2;
        },
        &why);
    close(kept);
    if (!status) GTEST_SKIP() << why;
    EXPECT_EQ(*status, 0) << "1: the extract failed, 2: rows are missing";
  }
}
#endif

}  // namespace
}  // namespace outputs
