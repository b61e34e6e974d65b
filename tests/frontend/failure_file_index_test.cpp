// The failure list read through its offset index: rows against the writer's findings and the
// file's bytes, quoted fields, the filters and the search against a plain model, the save.
#include "frontend/failure_file_index.h"

#include <gtest/gtest.h>

#include <condition_variable>
#include <fstream>
#include <mutex>
#include <random>
#include <sstream>

#include "frontend/failure_filter.h"
#include "frontend/failure_list_error.h"
#include "frontend/failure_row_cache.h"
#include "frontend/failure_rows_save.h"
#include "frontend/filter_boxes.h"
#include "frontend/filter_job.h"
#include "frontend/panel_texts.h"
#include "outputs/findings_csv.h"
#include "support/file_bytes.h"
#include "support/temp_dir.h"

namespace frontend {
namespace {

using engine::FieldFinding;
using engine::FindingCheck;
using engine::FindingFile;
using testing_support::TempDir;
using Row = std::vector<std::string>;

using testing_support::ReadBytes;

void WriteAll(const std::string& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
}

std::string Bytes(const FailureFileIndex& index) {
  std::string all = index.RawHeader();
  if (index.RowCount() > 0) all += index.RawRows(0, index.RowCount());
  return all;
}

TEST(FailureFileIndexTest, RowsEqualTheWritersFindingsAndTheFileBytes) {
  TempDir dir;
  const std::string path = dir.file("falhas.csv");
  {
    std::ofstream out(path, std::ios::binary);
    outputs::FindingsCsv csv(out, 2);  // capped: the notes at the end are rows too
    const char* texts[] = {"a;b", "line\r\nbreak", "say \"hi\"", "\"", "plain", ";"};
    std::uint32_t record = 1;
    for (const char* text : texts) {
      engine::FieldFinding finding;
      finding.record = record++;
      finding.position = 3;
      finding.field = "COD";
      finding.check = FindingCheck::kDominio;
      finding.text = text;
      finding.qualifier = "q;\r\n";
      csv.FieldFailed(finding);
    }
    csv.ClaimWithoutPolicy(9, engine::RecordKey{"00000000000000999001", "", "1"},
                           "00000000000000999001", "1");
    ASSERT_TRUE(csv.Finish());
  }
  const FailureFileIndex index(path);
  ASSERT_EQ(index.RowCount(), 4u);  // two listed, the claim, one note
  EXPECT_EQ(Bytes(index), ReadBytes(path));
  const Row first = index.Row(0);
  EXPECT_EQ(Row(first.begin(), first.begin() + 13),
            (Row{"riscos", "1", "3", "COD", "dominio", "a;b", "q;\r\n", "", "", "", "", "", ""}));
  EXPECT_EQ(index.Row(1)[5], "line\r\nbreak");
  EXPECT_EQ(index.Row(2)[5], "00000000000000999001");
  EXPECT_EQ(index.Row(3)[5].substr(0, 23), "4 falhas n\xE3o listadas (");
  EXPECT_EQ(index.keys().record(0), 1u);
  EXPECT_EQ(index.keys().record(3), 0u);  // the note names no record
  EXPECT_EQ(index.ColumnIndex("valor"), 5);
  EXPECT_TRUE(index.HasApolice());
  EXPECT_EQ(index.Row(2)[static_cast<std::size_t>(index.ColumnIndex("apolice"))],
            "00000000000000999001");

  FailureRowCache cache(index, 2);
  for (const std::size_t row : {0u, 1u, 2u, 0u, 3u, 0u})
    EXPECT_EQ(cache.Row(row), index.Row(row)) << row;
}

TEST(FailureFileIndexTest, KeyColumnsAreFoundByNameAndMayHoldQuotedSeparators) {
  TempDir dir;
  const std::string path = dir.file("falhas.csv");
  // Columns in another order, the key columns quoted, and no terminator after the last row.
  WriteAll(path,
           "valor;apolice;verificacao;campo;registro;arquivo;extra\r\n"
           "\"x\r\ny\";\"12;34\";nulo;\"A;B\";7;riscos;e\r\n"
           "z;\"5\"\"6\";data;C;8;sinistros");
  const FailureFileIndex index(path);
  ASSERT_EQ(index.RowCount(), 2u);
  EXPECT_TRUE(index.HasApolice());
  EXPECT_EQ(index.keys().apolice(0), "12;34");
  EXPECT_EQ(index.keys().apolice(1), "5\"6");
  EXPECT_EQ(index.keys().groups()[index.keys().group(0)].campo, "A;B");
  EXPECT_EQ(index.keys().record(1), 8u);
  EXPECT_EQ(index.Row(1), (Row{"z", "5\"6", "data", "C", "8", "sinistros", ""}));

  std::ostringstream saved;
  const std::vector<std::uint32_t> rows = {1};
  ASSERT_TRUE(WriteRowsCsv(index, rows, saved));
  EXPECT_EQ(saved.str(),
            "valor;apolice;verificacao;campo;registro;arquivo;extra\r\n"
            "z;\"5\"\"6\";data;C;8;sinistros\r\n");
}

TEST(FailureFileIndexTest, OnlyNewKeepsTheRowsMarkedNewAndTheBoxesCountThem) {
  TempDir dir;
  // nova last, as the list writes it (a quoted message ending in ";S" is no mark), and in the
  // middle of another list.
  WriteAll(dir.file("ultima.csv"),
           "arquivo;registro;campo;verificacao;apolice;mensagem;nova\r\n"
           "riscos;1;A;nulo;P1;x;S\r\n"
           "riscos;2;A;nulo;P2;\"y;S\";\r\n"
           "sinistros;3;B;data;P1;z;S\r\n"
           "sinistros;4;B;data;P2;w;\r\n");
  WriteAll(dir.file("meio.csv"),
           "arquivo;registro;campo;verificacao;apolice;nova;mensagem\r\n"
           "riscos;1;A;nulo;P1;S;x\r\n"
           "riscos;2;A;nulo;P2;;y\r\n"
           "sinistros;3;B;data;P1;S;z\r\n"
           "sinistros;4;B;data;P2;;S");
  for (const char* name : {"ultima.csv", "meio.csv"}) {
    SCOPED_TRACE(name);
    const FailureFileIndex index(dir.file(name));
    ASSERT_TRUE(index.HasNova());
    FailureFilter filter;
    filter.so_novas = true;
    EXPECT_EQ(MatchRows(index.keys(), filter)->rows, (std::vector<std::uint32_t>{0, 2}));
    filter.apolice = "p2";
    EXPECT_TRUE(MatchRows(index.keys(), filter)->rows.empty());
    // The boxes count the new rows alone once the pass has answered.
    FilterBoxes boxes;
    boxes.Refill(index.keys());
    boxes.Choose({0, 0, 0}, "", true);
    boxes.Searched(boxes.filter(), *MatchRows(index.keys(), boxes.filter()));
    EXPECT_EQ(boxes.Refill(index.keys())[0].entries[0].text, ChoiceText({}, 2));
  }
  // A list without the marks offers no new row.
  WriteAll(dir.file("sem.csv"), "arquivo;registro;campo;verificacao\r\nriscos;1;A;nulo\r\n");
  const FailureFileIndex plain(dir.file("sem.csv"));
  EXPECT_FALSE(plain.HasNova());
  FailureFilter filter;
  filter.so_novas = true;
  EXPECT_TRUE(MatchRows(plain.keys(), filter)->rows.empty());
}

TEST(FailureFileIndexTest, RefusesWhatIsNotAFailureList) {
  TempDir dir;
  const std::string path = dir.file("x.csv");
  for (const std::string& bytes : {std::string(), std::string("arquivo;registro;campo\r\n")}) {
    WriteAll(path, bytes);
    try {
      FailureFileIndex index(path);
      FAIL() << "accepted " << bytes;
    } catch (const FailureListError& error) {
      EXPECT_EQ(error.what(), path + " n\xE3o \xE9 uma lista de falhas (falta a coluna " +
                                  (bytes.empty() ? "arquivo)" : "verificacao)"));
    }
  }
  // A quote that never closes makes the rest of the file one row, which is refused past the
  // limit instead of growing without bound.
  {
    std::ofstream out(path, std::ios::binary);
    out << "arquivo;registro;campo;verificacao\r\nriscos;1;\"";
    const std::string block(1 << 20, 'x');
    for (std::uint64_t n = 0; n <= FailureFileIndex::kMaxRowBytes >> 20; ++n) out << block;
  }
  EXPECT_THROW(FailureFileIndex{path}, FailureListError);
  EXPECT_THROW(FailureFileIndex{dir.file("nenhum.csv")}, FailureListError);
  EXPECT_THROW(FailureFileIndex(path, [] { return true; }), FailureListCancelled);
}

// A list of random rows, and the rows each filter should keep worked out from the rows' fields.
class FailureFilterTest : public testing::Test {
 protected:
  void SetUp() override {
    std::mt19937 random(20240611);
    const char* files[] = {"riscos", "sinistros"};
    const char* fields[] = {"COD_END", "REGIAO", "FIM_VIG"};
    const char* checks[] = {"nulo", "dominio", "data"};
    const char* policies[] = {"00000000000000999001", "0000000000000099900a", "123", ""};
    std::string bytes = "arquivo;registro;campo;verificacao;valor;apolice\r\n";
    for (int i = 0; i < 3000; ++i) {
      Row row = {files[random() % 2],
                 std::to_string(random() % 50 + 1),
                 fields[random() % 3],
                 checks[random() % 3],
                 "v",
                 policies[random() % 4]};
      bytes += row[0] + ";" + row[1] + ";" + row[2] + ";" + row[3] + ";v;" + row[5] + "\r\n";
      rows_.push_back(row);
    }
    WriteAll(dir_.file("falhas.csv"), bytes);
    index_ = std::make_unique<FailureFileIndex>(dir_.file("falhas.csv"));
  }

  std::vector<std::uint32_t> Model(const FailureFilter& f) const {
    std::vector<std::uint32_t> kept;
    for (std::size_t i = 0; i < rows_.size(); ++i) {
      const Row& r = rows_[i];
      std::string policy = r[5];
      for (char& c : policy) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
      std::string part = f.apolice;
      part.erase(0, part.find_first_not_of(' '));
      part.erase(part.find_last_not_of(' ') + 1);
      for (char& c : part) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
      if ((f.arquivo.empty() || f.arquivo == r[0]) && (f.campo.empty() || f.campo == r[2]) &&
          (f.verificacao.empty() || f.verificacao == r[3]) &&
          (part.empty() || policy.find(part) != std::string::npos)) {
        kept.push_back(static_cast<std::uint32_t>(i));
      }
    }
    return kept;
  }

  TempDir dir_;
  std::vector<Row> rows_;
  std::unique_ptr<FailureFileIndex> index_;
};

TEST_F(FailureFilterTest, FiltersAndSearchKeepTheModelsRows) {
  const FailureFilter filters[] = {
      {},
      {"riscos", "", "", ""},
      {"sinistros", "REGIAO", "", ""},
      {"", "FIM_VIG", "data", ""},
      {"", "", "", " 999001 "},
      {"riscos", "", "nulo", "99900A"},
      {"", "", "", "0000000000000000000000"},
      {"nenhum", "", "", ""},
  };
  for (const FailureFilter& f : filters) {
    SCOPED_TRACE(f.arquivo + "|" + f.campo + "|" + f.verificacao + "|" + f.apolice);
    const auto answer = MatchRows(index_->keys(), f);
    ASSERT_TRUE(answer.has_value());
    EXPECT_EQ(answer->rows, Model(f));
  }
  EXPECT_FALSE(MatchRows(index_->keys(), {}, [] { return true; }).has_value());
}

TEST_F(FailureFilterTest, ChoicesCountTheRowsTheOtherFiltersAndTheSearchKeep) {
  const FailureFilter filter{"sinistros", "", "data", "123"};
  const std::vector<FilterChoice> choices = Choices(index_->keys(), filter, FilterColumn::kCampo);
  ASSERT_EQ(choices.size(), 3u);
  EXPECT_EQ(choices[0].value, "COD_END");
  for (const FilterChoice& choice : choices) {
    FailureFilter one{"sinistros", choice.value, "data", ""};
    EXPECT_EQ(choice.rows, Model(one).size()) << choice.value;
  }
  // Once the search's pass answered, the entries count the rows it keeps, and only values some
  // of whose rows it keeps are offered.
  const std::vector<std::size_t> searched = MatchRows(index_->keys(), filter)->searched_group_rows;
  ASSERT_EQ(searched.size(), index_->keys().groups().size());
  std::size_t offered = 0;
  for (const FilterChoice& choice :
       Choices(index_->keys(), filter, FilterColumn::kCampo, &searched)) {
    const std::size_t rows = Model({"sinistros", choice.value, "data", "123"}).size();
    EXPECT_EQ(choice.rows, rows) << choice.value;
    EXPECT_GT(rows, 0u);
    offered += rows;
  }
  EXPECT_EQ(offered, Model(filter).size());
}

TEST_F(FailureFilterTest, JobAnswersTheNewestRequest) {
  std::mutex mutex;
  std::condition_variable answered;
  std::uint64_t last_ticket = 0;
  std::vector<std::uint32_t> last_rows;
  FilterJob job(index_->keys(), [&](std::uint64_t ticket, FilterAnswer answer) {
    const std::lock_guard lock(mutex);
    last_ticket = ticket;
    last_rows = std::move(answer.rows);
    answered.notify_all();
  });
  job.Request({"riscos", "", "", ""});
  const FailureFilter newest{"", "REGIAO", "", "123"};
  const std::uint64_t ticket = job.Request(newest);
  std::unique_lock lock(mutex);
  ASSERT_TRUE(
      answered.wait_for(lock, std::chrono::seconds(10), [&] { return last_ticket == ticket; }));
  EXPECT_EQ(last_rows, Model(newest));
}

TEST_F(FailureFilterTest, SavedRowsAreTheOriginalRows) {
  const std::vector<std::uint32_t> rows = MatchRows(index_->keys(), {"riscos", "", "", ""})->rows;
  std::ostringstream saved;
  ASSERT_TRUE(WriteRowsCsv(*index_, rows, saved));
  std::string expected = "arquivo;registro;campo;verificacao;valor;apolice\r\n";
  for (const std::uint32_t row : rows) {
    const Row& r = rows_[row];
    expected += r[0] + ";" + r[1] + ";" + r[2] + ";" + r[3] + ";v;" + r[5] + "\r\n";
  }
  EXPECT_EQ(saved.str(), expected);
}

}  // namespace
}  // namespace frontend
