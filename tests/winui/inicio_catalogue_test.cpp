// The Win32 window with the insurer's own folder of the catalogue and DadosKov.DBF, as
// --catalogo or the log's menu gives it: the run reads it, as the runner's --catalogo does.
#include <windows.h>
// after windows.h
#include <commctrl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>

#include "cli/run_cli.h"
#include "support/run_fixture.h"
#include "tables/dbf_table.h"
#include "winui/box_watcher.h"
#include "winui/window_fixture.h"

namespace {

using testing_support::BoxWatcher;
using testing_support::SeenBox;

using WinuiCatalogueTest = testing_support::Win32WindowTest;

TEST_F(WinuiCatalogueTest, TheChosenFolderChangesTheReconciliationAsTheRunnersCatalogo) {
  const std::filesystem::path insurer = dir_.path() / "seguradora";
  std::filesystem::create_directory(insurer);
  for (const char* name : {"tabelas.dbf", "anexos.dbf"}) {
    std::filesystem::copy_file(dir_.path() / name, insurer / name);
  }
  const std::string riscos = testing_support::BuildFile("amostras/riscos.dbf");
  SetText("edArqRisco", riscos);
  const auto run = [this] {
    BoxWatcher watcher(GetCurrentThreadId(), [](HWND box, const SeenBox&) {
      SendMessageW(box, TDM_CLICK_VERIFICATION, TRUE, FALSE);
      SendMessageW(box, TDM_CLICK_BUTTON, IDOK, 0);
    });
    EXPECT_TRUE(RunAndWait());
    return LogLines();
  };
  const std::vector<std::string> own = run();

  // Without DadosKov.DBF the folder is refused, naming the file.
  {
    BoxWatcher watcher(GetCurrentThreadId(),
                       [](HWND box, const SeenBox&) { testing_support::CloseBox(box); });
    EXPECT_FALSE(window_->ChooseCatalogue(insurer.wstring()));
    const std::vector<SeenBox> seen = watcher.seen();
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_TRUE(testing_support::HasText(
        seen[0],
        winui::Widen("A pasta " + (insurer / "").string() + " não tem o arquivo DadosKov.DBF.")));
  }
  // The insurer's own totals: every figure 1, under its own company line.
  std::vector<testing_support::KovRow> kov;
  {
    tables::DbfTable shipped("tbDadosKov", false);
    shipped.SetFileName((dir_.path() / "DadosKov.DBF").string());
    shipped.Open();
    for (shipped.First(); !shipped.Eof(); shipped.Next()) {
      kov.push_back({std::string(shipped.RawField(0)), "SEGURADORA PROPRIA",
                     std::vector<std::string>(8, "1"), "202301", "202312"});
    }
  }
  testing_support::WriteDadosKov((insurer / "DadosKov.DBF").string(), kov);
  ASSERT_TRUE(window_->ChooseCatalogue(insurer.wstring()));
  const std::vector<std::string> insurers = run();
  EXPECT_NE(insurers, own);
  const auto runner = [&](const std::string& folder) {
    std::ostringstream out, err;
    cli::RunCli({"--riscos", riscos, "--catalogo", folder, "--regional", "pt_BR"}, out, err,
                testing_support::FixedNow);
    std::vector<std::string> lines;
    std::istringstream in(out.str());
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
  };
  EXPECT_EQ(insurers, runner((insurer / "").string()));
  EXPECT_EQ(own, runner(dir_.folder()));
}

}  // namespace
