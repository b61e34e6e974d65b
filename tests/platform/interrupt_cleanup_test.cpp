#include "platform/interrupt_cleanup.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <thread>

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
  for (const int signal_number : {SIGINT, SIGTERM, SIGHUP}) {
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
    EXPECT_EQ(WEXITSTATUS(status), signal_number == SIGINT   ? kInterruptedBySigint
                                   : signal_number == SIGHUP ? kInterruptedBySighup
                                                             : kInterruptedBySigterm);
    EXPECT_FALSE(std::filesystem::exists(doomed));
    EXPECT_TRUE(std::filesystem::exists(kept));
  }
}

// A worker is between creating a file and registering it when the signal arrives on the main
// thread: the cleanup waits for the registration and removes the file.
TEST(InterruptCleanupTest, SignalOnAnotherThreadWaitsForAFileBeingRegistered) {
  testing_support::TempDir dir;
  const std::string index = dir.file("apolice.ntx");
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    InstallInterruptCleanup();
    std::atomic<bool> inside{false};
    std::thread worker([&] {
      const DeferInterrupts defer;
      tools::WriteFile(index, "index");
      inside = true;
      std::this_thread::sleep_for(std::chrono::milliseconds(200));
      static RemoveOnInterrupt registration(index);  // outlives the thread, as an owner would
    });
    while (!inside) std::this_thread::yield();
    raise(SIGTERM);
    _exit(0);
  }
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), kInterruptedBySigterm);
  EXPECT_FALSE(std::filesystem::exists(index));
}

}  // namespace
}  // namespace platform
#endif
