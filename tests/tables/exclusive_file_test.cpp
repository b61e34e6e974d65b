// Exclusive sharing of the files the tables open.

#include "platform/exclusive_file.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>

#include "support/temp_dir.h"
#include "tools/dbf_writer.h"

namespace platform {
namespace {

std::string ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

class ExclusiveFileTest : public ::testing::Test {
 protected:
  testing_support::TempDir dir_;
  std::string path_ = dir_.file("f.dbf");
};

TEST_F(ExclusiveFileTest, SecondOpenFailsWhileTheFirstHoldsIt) {
  tools::WriteFile(path_, "0123456789");
  auto first = ExclusiveFile::OpenRead(path_);
  ASSERT_TRUE(first);
  EXPECT_FALSE(ExclusiveFile::OpenRead(path_));
  EXPECT_FALSE(ExclusiveFile::CreateReadWrite(path_));
  first->Close();
  // Read once released: with Windows sharing not even a plain stream may read a held file.
  EXPECT_EQ(ReadAll(path_), "0123456789");  // the refused create left it intact
  EXPECT_TRUE(ExclusiveFile::OpenRead(path_));
}

TEST_F(ExclusiveFileTest, MovedFileKeepsTheLock) {
  tools::WriteFile(path_, "abc");
  auto first = ExclusiveFile::OpenRead(path_);
  ASSERT_TRUE(first);
  ExclusiveFile moved = std::move(*first);
  first.reset();
  EXPECT_FALSE(ExclusiveFile::OpenRead(path_));
  moved.Close();
  EXPECT_TRUE(ExclusiveFile::OpenRead(path_));
}

TEST_F(ExclusiveFileTest, MissingFileAndFolderFail) {
  EXPECT_FALSE(ExclusiveFile::OpenRead(dir_.file("none")));
  EXPECT_FALSE(ExclusiveFile::OpenRead(dir_.folder()));
  EXPECT_FALSE(ExclusiveFile::OpenRead(""));
}

TEST_F(ExclusiveFileTest, ReadsAreShortOnlyAtTheEnd) {
  tools::WriteFile(path_, "0123456789");
  auto f = ExclusiveFile::OpenRead(path_);
  ASSERT_TRUE(f);
  EXPECT_EQ(f->Size(), 10u);
  char buf[16] = {};
  EXPECT_EQ(f->ReadAt(2, buf, 4), 4u);
  EXPECT_EQ(std::string(buf, 4), "2345");
  EXPECT_EQ(f->ReadAt(8, buf, 16), 2u);
  EXPECT_EQ(f->ReadAt(10, buf, 16), 0u);
  EXPECT_EQ(f->ReadAt(1000, buf, 16), 0u);
}

TEST_F(ExclusiveFileTest, CreateNewNeverReplaces) {
  tools::WriteFile(path_, "keep");
  EXPECT_FALSE(ExclusiveFile::CreateNew(path_));
  EXPECT_EQ(ReadAll(path_), "keep");
  const std::string fresh = dir_.file("new.ntx");
  auto f = ExclusiveFile::CreateNew(fresh);
  ASSERT_TRUE(f);
  EXPECT_TRUE(f->WriteAt(0, "xy", 2));
  EXPECT_FALSE(ExclusiveFile::OpenRead(fresh));
  f->Close();
  EXPECT_EQ(ReadAll(fresh), "xy");
  EXPECT_TRUE(DeleteFile(fresh));
  EXPECT_FALSE(DeleteFile(fresh));
}

}  // namespace
}  // namespace platform
