#include "platform/interrupt_cleanup.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "support/temp_dir.h"
#include "tools/dbf_writer.h"

#ifndef _WIN32
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

namespace platform {
namespace {

// A child registers two files, releases one and is interrupted: the registered file is gone,
// the released one stays, and the status tells which signal ended it.
TEST(InterruptCleanupTest, SignalRemovesRegisteredFilesAndSetsTheStatus) {
  for (const int signal_number : {SIGINT, SIGTERM}) {
    SCOPED_TRACE(signal_number);
    testing_support::TempDir dir;
    const std::string doomed = dir.file("apolice.ntx");
    const std::string kept = dir.file("saida.txt");
    tools::WriteFile(doomed, "index");
    tools::WriteFile(kept, "report");
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      InstallInterruptCleanup();
      RemoveOnInterrupt index(doomed);
      RemoveOnInterrupt output(kept);
      output.Release();
      raise(signal_number);
      _exit(0);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status),
              signal_number == SIGINT ? kInterruptedBySigint : kInterruptedBySigterm);
    EXPECT_FALSE(std::filesystem::exists(doomed));
    EXPECT_TRUE(std::filesystem::exists(kept));
  }
}

}  // namespace
}  // namespace platform
#endif
