// The insurer's own folder of the catalogue and DadosKov.DBF: the next run reads it, the strip's
// tooltip names it, a folder lacking a file is refused, and no save writes over its files.
#include <gtest/gtest.h>

#include <QAction>
#include <QLineEdit>
#include <QPushButton>
#include <QStatusBar>
#include <algorithm>
#include <filesystem>

#include "support/run_fixture.h"
#include "ui/window_fixture.h"

namespace {

class InicioCatalogueTest : public testing_support::WindowTest {
 protected:
  void SetUp() override {
    testing_support::WriteStandardCatalog(dir_);
    tools::DbfBuilder claims(testing_support::ClaimsLayout());
    claims.Add({"01234", "POL1", "000001", "1", "300", "20230601"});
    claims.Write(dir_.file("sinistros.dbf"));
    Control<QLineEdit>("edArqSinistro")
        ->setText(QString::fromStdString(dir_.file("sinistros.dbf")));
    // The insurer's folder: the same catalogue, its own totals.
    std::filesystem::create_directory(insurer_);
    for (const char* name : {"tabelas.dbf", "anexos.dbf"}) {
      std::filesystem::copy_file(dir_.path() / name, insurer_ / name);
    }
    testing_support::WriteDadosKov(
        (insurer_ / "DadosKov.DBF").string(),
        {{"01234", "SEGURADORA PROPRIA", {"9", "9", "9", "900", "9", "9"}, "202301", "202312"}});
  }

  std::vector<std::string> Run() {
    EXPECT_TRUE(RunAndWait());
    return window_->ReportLines();
  }

  QString Tooltip() { return Control<QStatusBar>("sbVeredito")->toolTip(); }

  const std::filesystem::path insurer_ = dir_.path() / "seguradora";
};

TEST_F(InicioCatalogueTest, TheChosenFolderIsReadByTheNextRunUntilTheProgramsIsChosenAgain) {
  const std::vector<std::string> own = Run();
  EXPECT_TRUE(Tooltip().contains(QStringLiteral("pasta do programa"))) << Tooltip().toStdString();
  desktop_->folder_answer = QString::fromStdString(insurer_.string());
  Control<QAction>("acPastaCatalogo")->trigger();
  EXPECT_TRUE(desktop_->errors.empty());
  EXPECT_TRUE(Tooltip().contains(QString::fromStdString(insurer_.string())));
  EXPECT_FALSE(Tooltip().contains(QStringLiteral("difere")));
  const std::vector<std::string> insurers = Run();
  ASSERT_EQ(own.size(), insurers.size());
  EXPECT_NE(own, insurers);  // the company line and the claims comparison
  EXPECT_TRUE(std::any_of(insurers.begin(), insurers.end(), [](const std::string& line) {
    return line.rfind("Empresa: 01234 - SEGURADORA PROPRIA", 0) == 0;
  }));

  // A save over the chosen folder's totals table is refused like one over the program's.
  desktop_->save_answer = QString::fromStdString((insurer_ / "DadosKov.DBF").string());
  Control<QPushButton>("btnExporta")->click();
  ASSERT_EQ(desktop_->errors.size(), 1u);
  EXPECT_TRUE(desktop_->errors[0].startsWith(QStringLiteral("Não é possível gravar sobre")));

  Control<QAction>("acPastaPrograma")->trigger();
  EXPECT_EQ(Run(), own);
}

TEST_F(InicioCatalogueTest, AFolderLackingAFileIsRefusedAndADifferentCatalogueIsTold) {
  std::filesystem::remove(insurer_ / "DadosKov.DBF");
  desktop_->folder_answer = QString::fromStdString(insurer_.string());
  Control<QAction>("acPastaCatalogo")->trigger();
  ASSERT_EQ(desktop_->errors.size(), 1u);
  EXPECT_EQ(desktop_->errors[0].toStdString(),
            "A pasta " + (insurer_ / "").string() + " não tem o arquivo DadosKov.DBF.");
  EXPECT_TRUE(Tooltip().contains(QStringLiteral("pasta do programa")));
  EXPECT_FALSE(Control<QAction>("acPastaPrograma")->isEnabled());

  std::filesystem::copy_file(dir_.path() / "DadosKov.DBF", insurer_ / "DadosKov.DBF");
  testing_support::WriteAnexos((insurer_ / "anexos.dbf").string(), {});
  Control<QAction>("acPastaCatalogo")->trigger();
  EXPECT_EQ(desktop_->errors.size(), 1u);
  EXPECT_TRUE(Tooltip().contains(QStringLiteral("anexos.dbf difere")));
  EXPECT_FALSE(Tooltip().contains(QStringLiteral("tabelas.dbf difere")));
}

}  // namespace
