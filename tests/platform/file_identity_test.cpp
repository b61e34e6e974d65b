#include "platform/file_identity.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "support/temp_dir.h"
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

}  // namespace
}  // namespace platform
