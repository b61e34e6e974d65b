#include "tables/read_ahead.h"

#include <gtest/gtest.h>

#include <string>

#include "support/temp_dir.h"
#include "tools/dbf_writer.h"

namespace tables {
namespace {

class ReadAheadTest : public ::testing::Test {
 protected:
  void SetUp() override {
    for (int i = 0; i < 5000; ++i) bytes_ += static_cast<char>('a' + i % 26);
    tools::WriteFile(dir_.file("dados.bin"), bytes_);
    file_ = platform::ExclusiveFile::OpenRead(dir_.file("dados.bin"));
    ASSERT_TRUE(file_.has_value());
  }

  testing_support::TempDir dir_;
  std::string bytes_;
  std::optional<platform::ExclusiveFile> file_;
};

TEST_F(ReadAheadTest, HandsOverOnlyTheBlockAskedFor) {
  ReadAhead ahead(*file_);
  std::vector<char> block(10, 'x');
  EXPECT_FALSE(ahead.Take(0, 100, block).has_value()) << "nothing was asked for";

  ahead.Request(1000, 100);
  EXPECT_FALSE(ahead.Take(1100, 100, block).has_value()) << "another offset";
  EXPECT_FALSE(ahead.Take(1000, 50, block).has_value()) << "another size";
  ASSERT_EQ(ahead.Take(1000, 100, block), std::optional<std::size_t>(100));
  EXPECT_EQ(std::string(block.data(), 100), bytes_.substr(1000, 100));
  EXPECT_FALSE(ahead.Take(1000, 100, block).has_value()) << "a block is handed over once";
}

TEST_F(ReadAheadTest, ANewRequestReplacesTheOldAndTheEndGivesFewerBytes) {
  ReadAhead ahead(*file_);
  std::vector<char> block;
  for (std::uint64_t offset = 0; offset < 6000; offset += 700) {
    ahead.Request(offset, 700);
  }
  ahead.Request(4900, 700);  // only 100 bytes are left
  ASSERT_EQ(ahead.Take(4900, 700, block), std::optional<std::size_t>(100));
  ASSERT_EQ(block.size(), 100u);
  EXPECT_EQ(std::string(block.begin(), block.end()), bytes_.substr(4900));
  ahead.Request(9000, 10);
  EXPECT_EQ(ahead.Take(9000, 10, block), std::optional<std::size_t>(0));
}

TEST_F(ReadAheadTest, EndsWithAReadInFlight) {
  for (int i = 0; i < 50; ++i) {
    ReadAhead ahead(*file_);
    ahead.Request(static_cast<std::uint64_t>(i * 10), 4000);
  }  // the destructor waits for the read and ends the thread
}

}  // namespace
}  // namespace tables
