// The window's temporary failure list never outlives the program, even when it is interrupted.
#include "frontend/run_findings.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "platform/interrupt_cleanup.h"
#include "support/temp_dir.h"

#ifndef _WIN32
#include <signal.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

namespace frontend {
namespace {

TEST(RunFindingsTest, TerminationRemovesTheTemporaryList) {
  testing_support::TempDir dir;
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    setenv("TMPDIR", dir.path().c_str(), 1);
    platform::InstallInterruptCleanup();
    RunFindings findings;
    const bool created = std::filesystem::exists(findings.path());
    if (created) raise(SIGTERM);
    _exit(created ? 0 : 3);
  }
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), platform::kInterruptedBySigterm);
  EXPECT_TRUE(std::filesystem::is_empty(dir.path()));
}

}  // namespace
}  // namespace frontend
#endif
