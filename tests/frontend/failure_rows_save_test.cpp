// Rows of a failure list saved as a workbook: the same workbook the runner writes for the same
// findings, whatever the list's rows hold (separators, quotes, line breaks, structure rows).
#include "frontend/failure_rows_save.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <numeric>

#include "frontend/failure_file_index.h"
#include "outputs/findings_csv.h"
#include "outputs/findings_xlsx.h"
#include "support/file_bytes.h"
#include "support/temp_dir.h"
#include "support/xlsx_dump.h"

namespace frontend {
namespace {

using engine::FindingCheck;
using engine::FindingFile;

// Tells the same findings to any sink.
void TellFindings(engine::FindingSink& sink) {
  const char* texts[] = {"a;b", "line\r\nbreak", "say \"hi\"", "\xE9", "007"};
  std::uint32_t record = 1;
  const engine::KnownFindingDetails details(engine::RecordKey{"0000123", "01", "0002"});
  for (const char* text : texts) {
    engine::FieldFinding finding;
    finding.file = record % 2 ? FindingFile::kRiscos : FindingFile::kSinistros;
    finding.record = record++;
    finding.position = 3;
    finding.field = "COD";
    finding.check = FindingCheck::kDominio;
    finding.text = text;
    finding.qualifier = "q;";
    finding.details = &details;
    sink.FieldFailed(finding);
  }
  engine::StructureFinding structure;
  structure.file = FindingFile::kSinistros;
  structure.position = 4;
  structure.expected = engine::FieldShape{"EVENTO", 1, 1};
  sink.StructureFailed(structure);
  sink.ClaimWithoutPolicy(9, engine::RecordKey{"00000000000000999001", "", "1"},
                          "00000000000000999001", "1");
}

TEST(FailureRowsSaveTest, WorkbookOfTheListsRowsIsTheRunnersWorkbook) {
  if (!outputs::XlsxAvailable()) GTEST_SKIP() << "built without libxlsxwriter";
  testing_support::TempDir dir;
  const std::string list = dir.file("falhas.csv");
  {
    std::ofstream out(list, std::ios::binary);
    outputs::FindingsCsv csv(out, 3);  // capped: the note rows go along
    TellFindings(csv);
    ASSERT_TRUE(csv.Finish());
  }
  const std::string runner = dir.file("runner.xlsx");
  {
    outputs::FindingsXlsx book(runner, 3);
    ASSERT_TRUE(book.ok());
    TellFindings(book);
    ASSERT_TRUE(book.Finish());
  }
  const FailureFileIndex index(list);
  std::vector<std::uint32_t> rows(index.RowCount());
  std::iota(rows.begin(), rows.end(), 0u);
  const std::string saved = dir.file("salvo.XLSX");  // the extension in any case
  ASSERT_EQ(SaveRows(index, rows, saved), "");
#ifdef _WIN32
  GTEST_SKIP() << "workbooks are read back under Wine by scripts/wine-tests.sh";
#endif
  const std::string expected = testing_support::XlsxDump(runner);
  EXPECT_NE(expected.find("s:a;b"), std::string::npos);
  EXPECT_EQ(testing_support::XlsxDump(saved), expected);

  // A place that cannot be written is told.
  EXPECT_NE(SaveRows(index, rows, dir.file("nada/x.xlsx")).find("nada/x.xlsx\"."),
            std::string::npos);
}

// A save that fails half-way (the list was cut short meanwhile) leaves the earlier file of the
// name as it was, and no temporary file beside it, for both formats.
TEST(FailureRowsSaveTest, ACancelledOrFailedSaveLeavesTheEarlierFile) {
  testing_support::TempDir dir;
  const std::string list = dir.file("falhas.csv");
  {
    std::ofstream out(list, std::ios::binary);
    outputs::FindingsCsv csv(out);
    TellFindings(csv);
    ASSERT_TRUE(csv.Finish());
  }
  const FailureFileIndex index(list);
  std::vector<std::uint32_t> rows(index.RowCount());
  std::iota(rows.begin(), rows.end(), 0u);
  SaveProgress cancelled;
  cancelled.Cancel();
  std::vector<std::string> expected = {"falhas.csv"};
  for (const bool cancel : {true, false}) {
    // The list can no longer be read whole: the save fails of itself.
    if (!cancel) std::filesystem::resize_file(list, std::filesystem::file_size(list) / 2);
    for (const char* name : {"salvo.csv", "salvo.xlsx"}) {
      SCOPED_TRACE(name);
      if (outputs::IsXlsxPath(name) && !outputs::XlsxAvailable()) continue;
      const std::string saved = dir.file(name);
      { std::ofstream(saved, std::ios::binary) << "earlier"; }
      EXPECT_NE(SaveRows(index, rows, saved, cancel ? &cancelled : nullptr), "");
      EXPECT_TRUE(testing_support::ReadBytes(saved) == "earlier");
      if (!cancel) expected.push_back(name);
    }
  }
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(dir.path())) {
    names.push_back(entry.path().filename().string());
  }
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, expected);
}

}  // namespace
}  // namespace frontend
