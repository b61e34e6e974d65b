// Runs side by side: many runner processes started at once from one installation read the same
// catalogue, totals table and input files, never wait for or break each other's index, and
// leave no index file behind.

#include <gtest/gtest.h>

#ifndef _WIN32
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

#include "cli_test_support.h"
#include "support/temp_dir.h"

extern char** environ;

namespace cli {
namespace {

namespace fs = std::filesystem;

// Starts the installed runner with its standard output and error in files; returns its id.
pid_t Start(const std::vector<std::string>& args, const std::string& out, const std::string& err,
            const std::string& temp_folder) {
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  posix_spawn_file_actions_addopen(&actions, 2, err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  std::vector<char*> argv;
  for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  // The index fallback goes to this test's own temporary folder, so that a leftover shows.
  std::vector<std::string> env_text{"TMPDIR=" + temp_folder};
  for (char** e = environ; *e != nullptr; ++e) {
    if (std::string(*e).rfind("TMPDIR=", 0) != 0) env_text.emplace_back(*e);
  }
  std::vector<char*> env;
  for (std::string& e : env_text) env.push_back(e.data());
  env.push_back(nullptr);
  pid_t pid = -1;
  const int started = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), env.data());
  posix_spawn_file_actions_destroy(&actions);
  return started == 0 ? pid : -1;
}

// The report without its two time-stamp lines.
std::string WithoutTimeStamps(const std::string& report) {
  std::string out;
  std::size_t start = 0;
  while (start < report.size()) {
    std::size_t end = report.find('\n', start);
    end = end == std::string::npos ? report.size() : end + 1;
    const std::string line = report.substr(start, end - start);
    if (line.rfind("Início do processamento:", 0) != 0 &&
        line.rfind("Fim do processamento:", 0) != 0) {
      out += line;
    }
    start = end;
  }
  return out;
}

TEST(SideBySideRunsTest, SixteenRunsAtOnceShareTheirTablesAndLeaveNoIndex) {
  const fs::path bin(TALMERO_BIN_DIR);
  const fs::path samples = bin / "amostras";
  ASSERT_TRUE(fs::exists(samples / "riscos.dbf")) << "build the talmero_data target";
  testing_support::TempDir dir;
  const fs::path temp = dir.path() / "tmp";
  fs::create_directory(temp);

  constexpr int kRuns = 16;
  std::vector<pid_t> runs;
  for (int i = 0; i < kRuns; ++i) {
    // Half read the installation's samples; the others each read a copy of their own.
    fs::path inputs = samples;
    if (i % 2 == 1) {
      inputs = dir.path() / ("copia" + std::to_string(i));
      fs::create_directory(inputs);
      fs::copy_file(samples / "riscos.dbf", inputs / "riscos.dbf");
      fs::copy_file(samples / "sinistros.dbf", inputs / "sinistros.dbf");
    }
    const std::string n = std::to_string(i);
    runs.push_back(Start(
        {(bin / "talmero-criticar").string(), "--riscos", (inputs / "riscos.dbf").string(),
         "--sinistros", (inputs / "sinistros.dbf").string(), "--regional", "pt_BR"},
        dir.file("relatorio" + n + ".txt"), dir.file("erros" + n + ".txt"), temp.string() + "/"));
    ASSERT_GT(runs.back(), 0);
  }

  std::string first_report;
  for (int i = 0; i < kRuns; ++i) {
    SCOPED_TRACE("run " + std::to_string(i));
    int status = -1;
    ASSERT_EQ(waitpid(runs[static_cast<std::size_t>(i)], &status, 0),
              runs[static_cast<std::size_t>(i)]);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0)
        << ReadBytes(dir.file("erros" + std::to_string(i) + ".txt"));
    const std::string report =
        WithoutTimeStamps(ReadBytes(dir.file("relatorio" + std::to_string(i) + ".txt")));
    if (i == 0) {
      first_report = report;
      EXPECT_NE(report.find("sinistros sem apólice"), std::string::npos) << report;
    } else {
      EXPECT_EQ(report, first_report);
    }
  }
  EXPECT_FALSE(fs::exists(bin / "apolice.ntx"));
  EXPECT_TRUE(fs::is_empty(temp)) << "an index file was left in the temporary folder";
}

}  // namespace
}  // namespace cli
#endif
