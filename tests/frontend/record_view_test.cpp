// The record view: a record read by its physical number against the values written, the
// failing fields marked from the list's rows, and a file changed since the run refused.
#include "frontend/record_view.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "support/temp_dir.h"
#include "tools/dbf_writer.h"

namespace frontend {
namespace {

using testing_support::TempDir;
using tools::DbfFieldSpec;

class RecordViewTest : public testing::Test {
 protected:
  void SetUp() override {
    Builder().Write(path_);
    snapshot_ = *TakeSnapshot(path_);
  }

  tools::DbfBuilder Builder() const {
    tools::DbfBuilder builder(fields_);
    builder.Add({"0001", "AA", "20240101", "12.50"});
    builder.Add({"0002", "BB", "20240231", "7"}, /*deleted=*/true);
    builder.Add({"0003", "CC", "20240301", "-1"});
    return builder;
  }

  TempDir dir_;
  const std::string path_ = dir_.file("riscos.dbf");
  const std::vector<DbfFieldSpec> fields_ = {
      {"APOLICE", 'C', 4, 0}, {"ITEM", 'C', 3, 0}, {"FIM_VIG", 'D', 8, 0}, {"PREMIO", 'N', 8, 2}};
  FileSnapshot snapshot_;
};

TEST_F(RecordViewTest, ShowsEveryFieldOfTheRecordWithItsFailures) {
  const std::string list = dir_.file("falhas.csv");
  std::ofstream(list, std::ios::binary) << "arquivo;registro;campo;verificacao\r\n"
                                           "riscos;2;FIM_VIG;data\r\n"
                                           "sinistros;2;ITEM;nulo\r\n"  // the other file's record 2
                                           "riscos;3;FIM_VIG;nulo\r\n"
                                           "riscos;;PREMIO;estrutura\r\n"
                                           "riscos;2;APOLICE+ITEM;sem_apolice\r\n";
  const FailureFileIndex index(list);
  const RunFiles inputs{{path_, snapshot_}, {dir_.file("sinistros.dbf"), std::nullopt}};
  EXPECT_EQ(RecordOfRow(index, 3, inputs).status, RecordView::Status::kNoRecord);
  const RecordView view = RecordOfRow(index, 4, inputs);
  ASSERT_EQ(view.status, RecordView::Status::kShown) << view.message;
  EXPECT_TRUE(view.deleted);
  ASSERT_EQ(view.fields.size(), fields_.size());
  const std::vector<std::string> values = {"0002", "BB", "20240231", "7"};
  const std::vector<std::vector<std::string>> failed = {
      {"sem_apolice"}, {"sem_apolice"}, {"data"}, {}};
  for (std::size_t i = 0; i < fields_.size(); ++i) {
    SCOPED_TRACE(fields_[i].name);
    EXPECT_EQ(view.fields[i].name, fields_[i].name);
    EXPECT_EQ(view.fields[i].letter, fields_[i].type);
    EXPECT_EQ(view.fields[i].width, static_cast<std::size_t>(fields_[i].length));
    EXPECT_EQ(view.fields[i].text, tools::FormatDbfValue(fields_[i], values[i]));
    EXPECT_EQ(view.fields[i].failed, failed[i]);
  }
}

TEST_F(RecordViewTest, EachFailureShowsItsSentenceAndWhatTheRuleRequires) {
  const std::string list = dir_.file("falhas.csv");
  std::ofstream(list, std::ios::binary)
      << "arquivo;registro;campo;verificacao;mensagem;exigido\r\n"
         "riscos;1;FIM_VIG;nulo;O campo FIM_VIG est\xE1 vazio.;\r\n"
         "riscos;3;ITEM;dominio;O campo ITEM tem CC.;1, 2\r\n"
         "riscos;3;PREMIO;nulo;O campo PREMIO est\xE1 vazio.;\r\n";
  const FailureFileIndex index(list);
  const RunFiles inputs{{path_, snapshot_}, {}};
  RecordView view = RecordOfRow(index, 2, inputs);
  ASSERT_EQ(view.status, RecordView::Status::kShown) << view.message;
  EXPECT_EQ(FirstFailingField(view), 1);  // ITEM, before PREMIO
  EXPECT_EQ(view.fields[1].messages,
            std::vector<std::string>{"O campo ITEM tem CC. (exigido: 1, 2)"});
  EXPECT_EQ(view.fields[3].messages, std::vector<std::string>{"O campo PREMIO est\xE1 vazio."});
  view = RecordOfRow(index, 0, inputs);
  EXPECT_EQ(FirstFailingField(view), 2);
  EXPECT_EQ(FirstFailingField(ReadRecordView(path_, 1, snapshot_, {})), -1);
}

TEST_F(RecordViewTest, RefusesAChangedFileAndAMissingRecord) {
  EXPECT_EQ(ReadRecordView(path_, 4, snapshot_, {}).message,
            "O registro 4 n\xE3o existe no arquivo " + path_);
  EXPECT_EQ(ReadRecordView(path_, 0, snapshot_, {}).status, RecordView::Status::kNoRecord);

  // Same size, other bytes, a later time stamp: the same number could be another record now.
  tools::DbfBuilder changed(fields_);
  changed.Add({"9999", "ZZ", "20240101", "12.50"});
  changed.Add({"0002", "BB", "20240231", "7"});
  changed.Add({"0003", "CC", "20240301", "-1"});
  changed.Write(path_);
  std::filesystem::last_write_time(
      path_, std::filesystem::last_write_time(path_) + std::chrono::seconds(2));
  const RecordView view = ReadRecordView(path_, 1, snapshot_, {});
  EXPECT_EQ(view.status, RecordView::Status::kChanged);
  EXPECT_EQ(view.message,
            "O arquivo " + path_ +
                " foi alterado depois da cr\xEDtica; o registro 1 n\xE3o \xE9 mostrado");
  EXPECT_TRUE(view.fields.empty());

  std::filesystem::remove(path_);
  EXPECT_EQ(ReadRecordView(path_, 1, snapshot_, {}).status, RecordView::Status::kChanged);
}

}  // namespace
}  // namespace frontend
