// The window's failure list: every run writes one, the log's context menu saves it.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QAction>
#include <QEventLoop>
#include <QLineEdit>
#include <QPushButton>
#include <filesystem>
#include <functional>

#include "support/run_fixture.h"
#include "ui/findings_panel.h"
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
  const std::string csv = testing_support::ReadBytes(path);
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
  EXPECT_EQ(testing_support::ReadBytes(path).find("EVENTO"), std::string::npos);

  // A place that cannot be written gives the error box, not a silent failure.
  desktop_->save_answer = QString::fromStdString(dir_.file("nada/falhas.csv"));
  save->trigger();
  ASSERT_EQ(desktop_->errors.size(), 1u);
  EXPECT_TRUE(desktop_->errors[0].startsWith(
      QString::fromStdString("Cannot create file \"" + dir_.file("nada/falhas.csv") + "\".")))
      << desktop_->errors[0].toStdString();
}

TEST_F(InicioFindingsTest, NoSaveReplacesAFileTheRunReads) {
  ASSERT_TRUE(RunAndWait());
  const std::string claims = dir_.file("sinistros.dbf");
  const std::string claims_bytes = testing_support::ReadBytes(claims);
  const std::string catalog_bytes = testing_support::ReadBytes(dir_.file("tabelas.dbf"));
  // The box now names another file: the last run's input stays protected all the same.
  Control<QLineEdit>("edArqSinistro")->setText(QString::fromStdString(dir_.file("outro.dbf")));
  std::filesystem::create_symlink(claims, dir_.file("atalho.csv"));
  std::filesystem::create_hard_link(dir_.file("tabelas.dbf"), dir_.file("regras.txt"));

  struct Case {
    std::string path;
    std::function<void()> save;
  };
  const Case cases[] = {
      {dir_.file("atalho.csv"), [this] { Control<QAction>("acSalvarFalhas")->trigger(); }},
      {dir_.file("regras.txt"), [this] { Control<QPushButton>("btnExporta")->click(); }},
      {dir_.file("anexos.dbf"),
       [this] {
         window_->controller().OpenPanel();
         ui::FindingsPanel* panel = window_->findings_panel();
         QEventLoop loop;
         QObject::connect(panel, &ui::FindingsPanel::Loaded, &loop, &QEventLoop::quit);
         if (!panel->IsLoaded()) loop.exec();
         panel->SalvarClick();
       }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.path);
    desktop_->errors.clear();
    desktop_->save_answer = QString::fromStdString(c.path);
    c.save();
    ASSERT_EQ(desktop_->errors.size(), 1u);
    EXPECT_EQ(desktop_->errors[0].toStdString(),
              "Não é possível gravar sobre um arquivo de entrada: " + c.path + ".");
  }
  EXPECT_EQ(testing_support::ReadBytes(claims), claims_bytes);
  EXPECT_EQ(testing_support::ReadBytes(dir_.file("tabelas.dbf")), catalog_bytes);
  EXPECT_TRUE(desktop_->opened.empty());
}

}  // namespace
