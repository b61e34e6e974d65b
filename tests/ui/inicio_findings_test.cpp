// The window's failure list: every run writes one, the log's context menu saves it.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QAction>
#include <QLineEdit>
#include <fstream>
#include <sstream>

#include "support/run_fixture.h"
#include "ui/window_fixture.h"

namespace {

class InicioFindingsTest : public testing_support::WindowTest {
 protected:
  void SetUp() override {
    testing_support::WriteStandardCatalog(dir_);
    tools::DbfBuilder claims(testing_support::ClaimsLayout());
    claims.Add({"01234", "POL1", "000001", "1", "300", "20230601"});
    claims.Add({"01234", "POL1", "000001", "1", "300", "20230601"}, true);
    claims.Add({"01234", "", "000002", "9", "50", "20230801"});
    claims.Write(dir_.file("sinistros.dbf"));
    Control<QLineEdit>("edArqSinistro")
        ->setText(QString::fromStdString(dir_.file("sinistros.dbf")));
  }
};

TEST_F(InicioFindingsTest, TheLastRunsListIsSavedFromTheLogMenu) {
  QAction* save = Control<QAction>("acSalvarFalhas");
  ASSERT_NE(save, nullptr);
  EXPECT_FALSE(save->isEnabled());  // no run yet
  ASSERT_TRUE(RunAndWait());
  ASSERT_TRUE(save->isEnabled());

  const std::string path = dir_.file("falhas.csv");
  desktop_->save_answer = QString::fromStdString(path);
  save->trigger();
  EXPECT_EQ(desktop_->last_save_settings.default_suffix, "csv");
  EXPECT_TRUE(desktop_->errors.empty());
  const std::string csv = testing_support::ReadFileBytes(path);
  EXPECT_EQ(csv.substr(0, csv.find("\r\n")).substr(0, 30), "arquivo;registro;posicao;campo");
  EXPECT_NE(csv.find("\r\nsinistros;3;2;APOLICE;nulo;" + std::string(20, ' ') + ";;"),
            std::string::npos)
      << csv;
  EXPECT_NE(csv.find("\r\nsinistros;3;4;EVENTO;dominio;9;;"), std::string::npos);
  // A file of the user's: the mode the umask gives, not the temporary list's private one.
  const mode_t mask = umask(0);
  umask(mask);
  struct stat status {};
  ASSERT_EQ(stat(path.c_str(), &status), 0);
  EXPECT_EQ(status.st_mode & 0777, 0666 & ~mask);

  // A second run replaces the list: the fixed claim is gone from it.
  tools::DbfBuilder claims(testing_support::ClaimsLayout());
  claims.Add({"01234", "POL1", "000001", "1", "300", "20230601"});
  claims.Write(dir_.file("sinistros.dbf"));
  ASSERT_TRUE(RunAndWait());
  save->trigger();
  EXPECT_EQ(testing_support::ReadFileBytes(path).find("EVENTO"), std::string::npos);

  // A place that cannot be written gives the error box, not a silent failure.
  desktop_->save_answer = QString::fromStdString(dir_.file("nada/falhas.csv"));
  save->trigger();
  ASSERT_EQ(desktop_->errors.size(), 1u);
  EXPECT_TRUE(desktop_->errors[0].startsWith(
      QString::fromStdString("Cannot create file \"" + dir_.file("nada/falhas.csv") + "\".")))
      << desktop_->errors[0].toStdString();
}

}  // namespace
