// The window's logic over a fake view: what is enabled around runs that end well or in error and
// in which order the end is told, the saves that must not replace an input, the catalogue folder,
// and when the panel reads the run.
#include "frontend/window_controller.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "frontend/failure_file_index.h"
#include "frontend/failure_filter.h"
#include "frontend/window_options.h"
#include "outputs/xlsx_workbook.h"
#include "support/file_bytes.h"
#include "support/run_fixture.h"

namespace frontend {
namespace {

using testing_support::ReadBytes;

class FakeView : public WindowView {
 public:
  // What the view was told, in order ("strip:Pronto", "error:...", "enable:0=1", ...).
  std::vector<std::string> told;
  PathBoxes boxes;
  std::string save_answer;    // empty: the dialog is cancelled
  int save_filter = -1;       // the type chosen in the save dialog
  std::string folder_answer;  // likewise
  std::string folder_title;   // the folder dialog's, when it was asked
  std::vector<std::string> opened;
  std::vector<PanelRun> panel_loads;
  std::atomic<int> wakes{0};
  const WindowController* controller = nullptr;

  void LogCleared() override {}
  void LinesAppended(std::size_t) override {}
  void LineReplaced(std::size_t) override {}
  void ProgressChanged(int) override {}
  bool AskInvalidDate(const std::string&) override { return true; }
  PathBoxes ReadPathBoxes() const override { return boxes; }
  void WakeForRun() override { ++wakes; }
  void SetRunning(bool running) override { told.push_back(running ? "busy" : "idle"); }
  void ShowStrip(const VerdictStrip& strip) override { told.push_back("strip:" + strip.text); }
  void SetStripTooltip(const std::string&) override {}
  void EnableAction(WindowAction action, bool enabled) override {
    told.push_back("enable:" + std::to_string(static_cast<int>(action)) + "=" +
                   (enabled ? "1" : "0"));
  }
  void ShowError(const std::string& text) override {
    // The box serves events: the run must already be over for whatever they do.
    told.push_back(std::string(controller->running() ? "(running) " : "") + "error:" + text);
  }
  void ShowMessage(const std::string& text) override { told.push_back("message:" + text); }
  bool AskFolder(const std::string& title, std::string* folder) override {
    folder_title = title;
    *folder = folder_answer;
    return !folder_answer.empty();
  }
  bool AskSaveFile(const SaveDialogSettings&, std::string* path, int* filter) override {
    *path = save_answer;
    *filter = save_filter;
    return !save_answer.empty();
  }
  void ShowSaveProgress(SaveJob& job) override {
    told.push_back("progress");
    while (!job.Finished()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  bool AskYesNo(const std::string& text) override {
    told.push_back("ask:" + text);
    return true;
  }
  int OpenFile(const std::string& path) override {
    opened.push_back(path);
    return 33;
  }
  void UnloadPanel() override { told.push_back("unload"); }
  void LoadPanel(PanelRun run) override {
    told.push_back(controller->running() ? "(running) load" : "load");
    panel_loads.push_back(std::move(run));
  }
  void ShowPanel() override { told.push_back("show"); }
  void AfterRun() override { told.push_back("after"); }
  bool ShowRunHistory(const RunHistoryTable& table) override {
    history_shown.push_back(table);
    return delete_history;
  }
  std::vector<RunHistoryTable> history_shown;
  bool delete_history = false;  // the dialog's answer: "Apagar o histórico"
};

class WindowControllerTest : public ::testing::Test {
 protected:
  WindowControllerTest() {
    testing_support::WriteStandardCatalog(dir_);
    tools::DbfBuilder claims(testing_support::ClaimsLayout());
    claims.Add({"01234", "", "000002", "9", "50", "20230801"});
    claims.Write(dir_.file("sinistros.dbf"));
    view_.boxes.sinistros = dir_.file("sinistros.dbf");
    view_.controller = &controller_;
    controller_.Opened();
  }

  // Starts a run and flushes it, as the window's thread does when woken, until it has ended.
  void RunAndWait() {
    controller_.Run();
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (controller_.running() && std::chrono::steady_clock::now() < deadline) {
      if (view_.wakes.exchange(0) > 0) controller_.FlushRun();
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    ASSERT_FALSE(controller_.running());
  }

  bool Enabled(WindowAction action) const { return controller_.Enabled(action); }

  // The part of what the view was told from the first entry starting with `from`.
  std::vector<std::string> ToldFrom(const std::string& from) const {
    auto it = view_.told.begin();
    while (it != view_.told.end() && it->rfind(from, 0) != 0) ++it;
    return {it, view_.told.end()};
  }

  testing_support::TempDir dir_;
  FakeView view_;
  WindowController controller_{view_, {dir_.folder(), engine::Regional::PtBr(), [] {
                                         return platform::LocalDateTime{2024, 3, 15, 10, 20, 30};
                                       }}};
};

TEST_F(WindowControllerTest, ActionsAndTheEndOfRunsThatEndWellOrInError) {
  EXPECT_EQ(view_.told, (std::vector<std::string>{"strip:Pronto", "enable:0=0", "enable:1=1",
                                                  "enable:2=0", "enable:3=0"}));
  controller_.SaveFailures();  // no list yet: no dialog, nothing told
  controller_.OpenPanel();     // no run yet: the panel opens empty
  EXPECT_EQ(view_.told.back(), "show");
  EXPECT_TRUE(view_.panel_loads.empty());

  view_.told.clear();
  controller_.Run();
  for (WindowAction action : kWindowActions) EXPECT_FALSE(Enabled(action));
  while (controller_.running()) {
    if (view_.wakes.exchange(0) > 0) controller_.FlushRun();
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  // The claims file alone ends well (rejected); the list is ready to save.
  EXPECT_TRUE(Enabled(WindowAction::kSaveFailures));
  EXPECT_TRUE(Enabled(WindowAction::kChooseCatalogue));
  const std::vector<std::string> well = ToldFrom("enable:0=1");
  ASSERT_EQ(well.size(), 8u);
  EXPECT_EQ(well[4].substr(0, 16), "strip:Rejeitado:");
  EXPECT_TRUE(well[4].ends_with(". Painel de falhas: Ctrl+Shift+F")) << well[4];
  EXPECT_EQ(std::vector<std::string>(well.begin() + 5, well.end()),
            (std::vector<std::string>{"load", "idle", "after"}));
  ASSERT_EQ(view_.panel_loads.size(), 1u);
  EXPECT_FALSE(view_.panel_loads[0].list_path.empty());
  EXPECT_FALSE(view_.panel_loads[0].error.has_value());

  // A risks file that does not exist ends the run in error: told once the window takes input
  // again, with the list of what was found before it still offered.
  view_.told.clear();
  view_.boxes.riscos = dir_.file("nao_existe.dbf");
  RunAndWait();
  EXPECT_EQ(view_.told.front(), "unload");
  const std::vector<std::string> error = ToldFrom("strip:Erro");
  ASSERT_EQ(error.size(), 5u);
  EXPECT_EQ(error[0].find("Painel"), std::string::npos) << error[0];  // nothing to show there
  EXPECT_EQ(error[1], "load");
  EXPECT_EQ(error[2], "idle");
  // The table layer's text as it is, then the run's own cause in Portuguese.
  const std::string missing = dir_.file("nao_existe.dbf");
  EXPECT_EQ(error[3], "error:TMarlSmartDBF.InternalOpen: Open error \"" + missing +
                          "\"\n\ncausa: arquivo de riscos não encontrado: " + missing);
  EXPECT_EQ(error[4], "after");
  EXPECT_TRUE(Enabled(WindowAction::kSaveFailures));
  ASSERT_EQ(view_.panel_loads.size(), 2u);
  EXPECT_TRUE(view_.panel_loads[1].error.has_value());

  // The panel shows the last run already: opening it reads nothing again.
  controller_.OpenPanel();
  EXPECT_EQ(view_.panel_loads.size(), 2u);
  EXPECT_EQ(view_.told.back(), "show");
}

TEST_F(WindowControllerTest, NoSaveReplacesAnInputAndTheChosenCatalogueIsProtectedToo) {
  const std::filesystem::path insurer = dir_.path() / "seguradora";
  std::filesystem::create_directory(insurer);
  for (const char* name : {"tabelas.dbf", "anexos.dbf", "DadosKov.DBF"}) {
    std::filesystem::copy_file(dir_.path() / name, insurer / name);
  }
  RunAndWait();
  const std::string kov = (insurer / "DadosKov.DBF").string();
  const std::string kov_bytes = ReadBytes(kov);
  // The catalogue is chosen after the run: the panel's saves follow it all the same.
  view_.folder_answer = insurer.string();
  controller_.AskCatalogue();
  EXPECT_EQ(controller_.CatalogueFolder(), (insurer / "").string());
  // The dialog says which files the folder must hold.
  for (const char* name : {"tabelas.dbf", "anexos.dbf", "DadosKov.DBF"}) {
    EXPECT_NE(view_.folder_title.find(name), std::string::npos) << name;
  }
  ASSERT_EQ(view_.panel_loads.size(), 1u);
  const std::vector<std::string> guarded = view_.panel_loads[0].ProtectedFiles();
  EXPECT_NE(std::find(guarded.begin(), guarded.end(), kov), guarded.end());

  view_.told.clear();
  for (const std::string& input : {dir_.file("sinistros.dbf"), kov}) {
    view_.save_answer = input;
    controller_.SaveFailures();
    controller_.ExportReport();
  }
  ASSERT_EQ(view_.told.size(), 4u);
  EXPECT_EQ(view_.told[0], "error:Não é possível gravar sobre um arquivo de entrada: " +
                               dir_.file("sinistros.dbf") + ".");
  EXPECT_EQ(view_.told[3], "error:Não é possível gravar sobre um arquivo de entrada: " + kov + ".");
  EXPECT_EQ(ReadBytes(kov), kov_bytes);
  EXPECT_TRUE(view_.opened.empty());

  // Elsewhere both are written; the report is then opened.
  view_.told.clear();
  view_.save_answer = dir_.file("falhas.csv");
  controller_.SaveFailures();
  view_.save_answer = dir_.file("relatorio.txt");
  controller_.ExportReport();
  EXPECT_EQ(view_.told,
            (std::vector<std::string>{
                "progress", "message:Lista de falhas gravada em " + dir_.file("falhas.csv")}));
  EXPECT_EQ(ReadBytes(dir_.file("falhas.csv")).substr(0, 8), "arquivo;");
  EXPECT_FALSE(ReadBytes(dir_.file("relatorio.txt")).empty());
  EXPECT_EQ(view_.opened, std::vector<std::string>{dir_.file("relatorio.txt")});
}

TEST_F(WindowControllerTest, TheChosenTypeWinsOverTheTypedExtensionAndTheSaveIsConfirmed) {
  if (!outputs::XlsxAvailable()) GTEST_SKIP() << "a build without the workbook writer";
  RunAndWait();
  const SaveDialogSettings settings = FailureListDialog();
  view_.save_filter = -1;
  for (std::size_t i = 0; i < settings.filters.size(); ++i) {
    if (settings.filters[i].pattern == "*.xlsx") view_.save_filter = static_cast<int>(i);
  }
  ASSERT_GE(view_.save_filter, 0);
  // An earlier workbook of the name the type makes: the dialog never asked about it.
  std::ofstream(dir_.file("falhas.xlsx")) << "antes";
  view_.told.clear();
  view_.save_answer = dir_.file("falhas.csv");
  controller_.SaveFailures();
  const std::string workbook = dir_.file("falhas.xlsx");
  EXPECT_EQ(view_.told, (std::vector<std::string>{
                            "ask:O arquivo " + workbook + " já existe. Deseja substituí-lo?",
                            "progress", "message:Lista de falhas gravada em " + workbook}));
  EXPECT_FALSE(std::filesystem::exists(dir_.file("falhas.csv")));
  EXPECT_EQ(ReadBytes(workbook).substr(0, 2), "PK");
}

TEST_F(WindowControllerTest, AFolderLackingAFileIsRefusedAndTheChoiceStays) {
  const std::filesystem::path insurer = dir_.path() / "seguradora";
  const std::filesystem::path other = dir_.path() / "outra";
  for (const auto& folder : {insurer, other}) {
    std::filesystem::create_directory(folder);
    for (const char* name : {"tabelas.dbf", "anexos.dbf"}) {
      std::filesystem::copy_file(dir_.path() / name, folder / name);
    }
  }
  std::filesystem::copy_file(dir_.path() / "DadosKov.DBF", insurer / "DadosKov.DBF");
  ASSERT_TRUE(controller_.ChooseCatalogue(insurer.string()));
  EXPECT_TRUE(Enabled(WindowAction::kProgramCatalogue));

  view_.told.clear();
  view_.folder_answer = other.string();
  controller_.AskCatalogue();
  EXPECT_EQ(view_.told, std::vector<std::string>{"error:A pasta " + (other / "").string() +
                                                 " não tem o arquivo DadosKov.DBF."});
  EXPECT_EQ(controller_.CatalogueFolder(), (insurer / "").string());
  EXPECT_TRUE(Enabled(WindowAction::kProgramCatalogue));

  controller_.ProgramCatalogue();
  EXPECT_EQ(controller_.CatalogueFolder(), dir_.folder());
  EXPECT_FALSE(Enabled(WindowAction::kProgramCatalogue));
}

// Runs and flushes as the window's thread does until the run has ended.
void RunUntilEnded(WindowController& controller, FakeView& view) {
  controller.Run();
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
  while (controller.running() && std::chrono::steady_clock::now() < deadline) {
    if (view.wakes.exchange(0) > 0) controller.FlushRun();
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  ASSERT_FALSE(controller.running());
}

TEST_F(WindowControllerTest, RunsAreRecordedAndTheNextStripTellsWhatChangedSinceTheLast) {
  const std::string path = dir_.file("historico.sqlite");
  const auto clock = [] { return platform::LocalDateTime{2024, 12, 9, 14, 2, 0}; };
  const auto place = [&](std::vector<std::string> args) {
    const WindowOptions options = ParseWindowOptions("talmero-prx", args).options;
    return ChosenHistoryPlace(options.historico, options.sem_historico);
  };
  {
    // Turning the history off wins over naming its file: nothing is kept.
    FakeView view;
    view.boxes = view_.boxes;
    WindowController off(view, {dir_.folder(), engine::Regional::PtBr(), clock, true,
                                place({"--historico", path, "--sem-historico"})});
    view.controller = &off;
    off.Opened();
    RunUntilEnded(off, view);
    EXPECT_FALSE(off.Enabled(WindowAction::kRunHistory));
    EXPECT_FALSE(std::filesystem::exists(path));
  }
  FakeView view;
  view.boxes = view_.boxes;
  WindowController controller(
      view, {dir_.folder(), engine::Regional::PtBr(), clock, true, place({"--historico=" + path})});
  view.controller = &controller;
  controller.Opened();
  RunUntilEnded(controller, view);
  EXPECT_EQ(controller.strip().text.find("desde"), std::string::npos) << controller.strip().text;
  // The claims file gains a record failing as the first does: its failures are new.
  tools::DbfBuilder claims(testing_support::ClaimsLayout());
  claims.Add({"01234", "", "000002", "9", "50", "20230801"});
  claims.Add({"01234", "", "000003", "9", "50", "20230801"});
  claims.Write(dir_.file("sinistros.dbf"));
  RunUntilEnded(controller, view);
  // Right after the verdict's counts, before a long reason can push it out of sight.
  const std::string& strip = controller.strip().text;
  EXPECT_NE(strip.find(" — desde a crítica de 09/12 14:02: 0 corrigidas, 2 novas. "),
            std::string::npos)
      << strip;
  EXPECT_LT(strip.find(" — desde"), strip.find(". ")) << strip;
  // The window's list marks them, and "Só as novas" keeps exactly those: the new record's.
  const FailureFileIndex list(view.panel_loads.back().list_path);
  ASSERT_TRUE(list.HasNova());
  FailureFilter only_new;
  only_new.so_novas = true;
  std::vector<std::uint32_t> new_record;
  const int item = list.ColumnIndex("item");
  for (std::uint32_t row = 0; row < list.RowCount(); ++row) {
    if (list.Row(row)[static_cast<std::size_t>(item)] == "000003") new_record.push_back(row);
  }
  EXPECT_EQ(new_record.size(), 2u);
  EXPECT_EQ(MatchRows(list.keys(), only_new)->rows, new_record);

  // The dialog lists the company's two runs, newest first, read and deleted off the window's
  // thread; deleting them asks first.
  const auto settle = [&] {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (controller.history_busy() && std::chrono::steady_clock::now() < deadline) {
      if (view.wakes.exchange(0) > 0) controller.FlushRun();
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
  };
  view.delete_history = true;
  controller.ShowRunHistory();
  settle();
  ASSERT_EQ(view.history_shown.size(), 1u);
  ASSERT_EQ(view.history_shown[0].rows.size(), 2u);
  EXPECT_EQ(view.history_shown[0].rows[0][6], "2");
  EXPECT_EQ(view.history_shown[0].rows[1][6], "");
  EXPECT_EQ(view.told.end()[-2], "ask:" + DeleteHistoryQuestion("01234", 2));
  EXPECT_EQ(view.told.back(), "message:2 críticas apagadas do histórico.");
  view.delete_history = false;
  controller.ShowRunHistory();
  settle();
  EXPECT_TRUE(view.history_shown.at(1).rows.empty());
}

TEST_F(WindowControllerTest, AHistoryThatCannotBeOpenedIsToldOnceAndTheRunsGoOn) {
  // A folder where the history's file should be.
  std::filesystem::create_directory(dir_.path() / "historico.sqlite");
  FakeView view;
  view.boxes = view_.boxes;
  WindowController controller(
      view,
      {dir_.folder(), engine::Regional::PtBr(), {}, true, {dir_.file("historico.sqlite"), false}});
  view.controller = &controller;
  controller.Opened();
  RunUntilEnded(controller, view);
  EXPECT_NE(controller.strip().text.find("(Histórico: o histórico não pôde ser aberto"),
            std::string::npos)
      << controller.strip().text;
  EXPECT_TRUE(controller.strip().text.starts_with("Rejeitado"));
  RunUntilEnded(controller, view);
  EXPECT_EQ(controller.strip().text.find("Histórico"), std::string::npos);
}

}  // namespace
}  // namespace frontend
