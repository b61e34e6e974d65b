#include "engine/kept_records.h"

#include <gtest/gtest.h>

#include <string>

namespace engine {
namespace {

// Records come back whole and in the order kept, across the blocks they are written and read
// in (a record length that does not divide the block), and then the end.
TEST(KeptRecordsTest, RecordsComeBackInOrderAcrossBlocks) {
  constexpr std::size_t kLength = 245;
  auto kept = KeptRecords::Start(kLength, "");
  ASSERT_NE(kept, nullptr);
  const int count = 3000;  // about 2.8 blocks
  for (int i = 0; i < count; ++i) {
    std::string record(kLength, static_cast<char>('a' + i % 26));
    record.replace(0, std::to_string(i).size(), std::to_string(i));
    kept->Add(record);
  }
  ASSERT_TRUE(kept->Finish());
  EXPECT_EQ(kept->count(), static_cast<std::uint64_t>(count));
  for (int i = 0; i < count; ++i) {
    const char* bytes = kept->Next();
    ASSERT_NE(bytes, nullptr) << i;
    const std::string record(bytes, kLength);
    ASSERT_EQ(record.substr(0, std::to_string(i).size()), std::to_string(i));
    ASSERT_EQ(record.back(), static_cast<char>('a' + i % 26));
  }
  EXPECT_EQ(kept->Next(), nullptr);
}

}  // namespace
}  // namespace engine
