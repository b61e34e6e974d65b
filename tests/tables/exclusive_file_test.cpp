// Exclusive sharing of the files the tables open.

#include "platform/exclusive_file.h"

#include <gtest/gtest.h>

#include <string>

#include "support/file_bytes.h"
#include "support/temp_dir.h"
#include "tools/dbf_writer.h"

namespace platform {
namespace {

using testing_support::ReadBytes;

class ExclusiveFileTest : public ::testing::Test {
 protected:
  testing_support::TempDir dir_;
  std::string path_ = dir_.file("f.dbf");
};

TEST_F(ExclusiveFileTest, ReadersShareAndAWriterIsKeptOut) {
  tools::WriteFile(path_, "0123456789");
  auto first = ExclusiveFile::OpenRead(path_);
  ASSERT_TRUE(first);
  ExclusiveFile moved = std::move(*first);  // the hold moves with the object
  first.reset();
  EXPECT_FALSE(ExclusiveFile::CreateReadWrite(path_)) << "a writer is kept out while one reads";
  bool in_use = true;
  auto second = ExclusiveFile::OpenRead(path_, &in_use);
  ASSERT_TRUE(second) << "two readers share the file";
  EXPECT_FALSE(in_use);
  moved.Close();
  EXPECT_FALSE(ExclusiveFile::CreateReadWrite(path_));
  second->Close();
  // Read once released: with Windows sharing a plain stream may not write a held file.
  EXPECT_EQ(ReadBytes(path_), "0123456789");  // the refused create left it intact
}

TEST_F(ExclusiveFileTest, AWritersLockMakesTheOpenFailAsInUse) {
  auto writer = ExclusiveFile::CreateReadWrite(path_);
  ASSERT_TRUE(writer);
  bool in_use = false;
  EXPECT_FALSE(ExclusiveFile::OpenRead(path_, &in_use));
  EXPECT_TRUE(in_use);
  writer->Close();
  EXPECT_TRUE(ExclusiveFile::OpenRead(path_, &in_use));
  EXPECT_FALSE(ExclusiveFile::OpenRead(dir_.file("none"), &in_use));
  EXPECT_FALSE(in_use) << "a missing file is not in use";
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
  EXPECT_EQ(ReadBytes(path_), "keep");
  const std::string fresh = dir_.file("new.ntx");
  auto f = ExclusiveFile::CreateNew(fresh);
  ASSERT_TRUE(f);
  EXPECT_TRUE(f->WriteAt(0, "xy", 2));
  EXPECT_FALSE(ExclusiveFile::OpenRead(fresh));
  f->Close();
  EXPECT_EQ(ReadBytes(fresh), "xy");
  EXPECT_TRUE(DeleteFile(fresh));
  EXPECT_FALSE(DeleteFile(fresh));
}

}  // namespace
}  // namespace platform
