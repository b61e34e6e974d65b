// A window's side of a run without any window: the run's output arrives in order on the thread
// that flushes, the worker waits for the invalid-date answer, and the end is told once.
#include "frontend/window_run_host.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "support/recording_host.h"
#include "support/run_fixture.h"

namespace {

class RecordingView : public frontend::RunView {
 public:
  void LogCleared() override { ++cleared; }
  void LinesAppended(std::size_t first) override { appended_from.push_back(first); }
  void LineReplaced(std::size_t index) override { replaced.push_back(index); }
  void ProgressChanged(int position) override { progress.push_back(position); }
  bool AskInvalidDate(const std::string& message) override {
    notices.push_back(message);
    return silence;
  }
  void RunFinished(const std::optional<std::string>& e) override {
    ++finished;
    error = e;
  }

  int cleared = 0;
  std::vector<std::size_t> appended_from;
  std::vector<std::size_t> replaced;
  std::vector<int> progress;
  std::vector<std::string> notices;
  bool silence = false;
  int finished = 0;
  std::optional<std::string> error;
};

class WindowRunHostTest : public ::testing::Test {
 protected:
  void SetUp() override {
    testing_support::WriteStandardCatalog(dir_);
    tools::DbfBuilder claims(testing_support::ClaimsLayout());
    for (const char* date : {"20230231", "20230601", "20230431"}) {
      claims.Add({"01234", "POL1", "000001", "1", "300", date});
    }
    claims.Write(dir_.file("sinistros.dbf"));
  }

  // Runs on a worker and flushes on this thread whenever woken, as a window's loop would.
  void Run(const std::string& risks, const std::string& claims) {
    std::atomic<int> wakes{0};
    frontend::RunInputs inputs{risks, claims, dir_.folder(), engine::Regional::PtBr(),
                               [] { return platform::LocalDateTime{2024, 3, 15, 10, 20, 30}; }};
    frontend::WindowRunHost host(view_, report_, std::move(inputs), [&] { ++wakes; });
    host.Start(run_);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (!host.Finished() && std::chrono::steady_clock::now() < deadline) {
      if (wakes.exchange(0) > 0) host.Flush();
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    ASSERT_TRUE(host.Finished());
    host.Flush();  // nothing more: the end is told once
  }

  // The same run through the engine's recording host.
  testing_support::RecordingHost EngineRun(const std::string& risks, const std::string& claims) {
    testing_support::RecordingHost host;
    host.catalogue_folder = dir_.folder();
    host.risk_path = risks;
    host.claims_path = claims;
    engine::ValidationRun run;
    try {
      run.Execute(host);
    } catch (const std::exception&) {
    }
    return host;
  }

  testing_support::TempDir dir_;
  RecordingView view_;
  std::vector<std::string> report_{"a previous run's line"};
  engine::ValidationRun run_;
};

TEST_F(WindowRunHostTest, TheReportArrivesWholeAndASilencedNoticeIsNotAskedAgain) {
  view_.silence = true;
  Run("", dir_.file("sinistros.dbf"));
  const testing_support::RecordingHost engine_run = EngineRun("", dir_.file("sinistros.dbf"));
  ASSERT_EQ(engine_run.notices.size(), 2u);
  ASSERT_EQ(view_.notices.size(), 1u);  // the second date is still counted, not asked
  EXPECT_EQ(view_.notices[0], engine_run.notices[0]);
  EXPECT_EQ(report_, engine_run.lines);
  EXPECT_EQ(view_.progress, engine_run.progress);
  EXPECT_EQ(view_.cleared, 1);
  ASSERT_FALSE(view_.appended_from.empty());
  EXPECT_EQ(view_.appended_from[0], 0u);
  EXPECT_EQ(view_.replaced, std::vector<std::size_t>{2});
  EXPECT_EQ(view_.finished, 1);
  EXPECT_FALSE(view_.error);

  view_.silence = false;  // a new run asks again, every time
  view_.notices.clear();
  Run("", dir_.file("sinistros.dbf"));
  EXPECT_EQ(view_.notices, engine_run.notices);
}

TEST_F(WindowRunHostTest, AnErrorEndsTheRunAndKeepsTheLinesWrittenBeforeIt) {
  const std::string missing = dir_.file("nao_existe.dbf");
  Run(missing, "");
  ASSERT_TRUE(view_.error);
  EXPECT_NE(view_.error->find("nao_existe.dbf"), std::string::npos) << *view_.error;
  EXPECT_EQ(report_, EngineRun(missing, "").lines);
  EXPECT_EQ(view_.finished, 1);
}

}  // namespace
