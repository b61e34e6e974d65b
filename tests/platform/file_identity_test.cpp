#include "platform/file_identity.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "support/temp_dir.h"

#ifndef _WIN32
#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <vector>
#endif
#include "tools/dbf_writer.h"

namespace platform {
namespace {

TEST(FileIdentityTest, EveryOtherNameOfAFileIsThatFile) {
  testing_support::TempDir dir;
  const std::string input = dir.file("riscos.dbf");
  const std::string other = dir.file("sinistros.dbf");
  tools::WriteFile(input, "risks");
  tools::WriteFile(other, "claims");
  std::filesystem::create_directory(dir.path() / "sub");

  EXPECT_TRUE(SameFile(input, input));
  EXPECT_TRUE(SameFile(input, dir.file("sub/../riscos.dbf"))) << "a second name";
  std::filesystem::create_hard_link(input, dir.path() / "hard.dbf");
  EXPECT_TRUE(SameFile(dir.file("hard.dbf"), input)) << "a hard link";
#ifndef _WIN32  // symbolic links need a privilege on Windows
  std::filesystem::create_symlink(input, dir.path() / "link.dbf");
  EXPECT_TRUE(SameFile(dir.file("link.dbf"), input)) << "a symbolic link";
#endif
  EXPECT_FALSE(SameFile(input, other));
  EXPECT_FALSE(SameFile(dir.file("novo.txt"), input)) << "an output not written yet";
  EXPECT_FALSE(SameFile(dir.file("novo.txt"), dir.file("novo.txt")));
  EXPECT_FALSE(IdentityOf(""));
}

#ifndef _WIN32
// A link whose target does not exist yet names that target (its text read from the link's
// folder, through a chain too); standard output is known under its other names, the null device
// never.
TEST(FileIdentityTest, ADanglingLinkNamesItsTargetAndStandardOutputItsOtherNames) {
  testing_support::TempDir dir;
  std::filesystem::create_directory(dir.path() / "out");
  std::filesystem::create_symlink("a.html", dir.path() / "out" / "link.json");
  std::filesystem::create_symlink("out/link.json", dir.path() / "chain.json");
  EXPECT_TRUE(SameTarget(dir.file("out/link.json"), dir.file("out/a.html")));
  EXPECT_TRUE(SameTarget(dir.file("chain.json"), dir.file("out/a.html")));
  EXPECT_FALSE(SameTarget(dir.file("out/link.json"), dir.file("a.html")));

  const std::string file = dir.file("saida.txt");
  std::fflush(stdout);
  const int saved = dup(1);
  int fd = open(file.c_str(), O_WRONLY | O_CREAT, 0600);
  dup2(fd, 1);
  close(fd);
  std::vector<bool> named;
  for (const std::string& name : {std::string("/dev/stdout"), std::string("/dev/fd/1"),
                                  std::string("/proc/self/fd/1"), file, dir.file("outro.txt")}) {
    named.push_back(IsStandardOutput(name));
  }
  fd = open("/dev/null", O_WRONLY);
  dup2(fd, 1);
  close(fd);
  named.push_back(IsStandardOutput("/dev/null") || IsStandardOutput("/dev/stdout"));
  dup2(saved, 1);
  close(saved);
  EXPECT_EQ(named, (std::vector<bool>{true, true, true, true, false, false}));
}
#endif

}  // namespace
}  // namespace platform
