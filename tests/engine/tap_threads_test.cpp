#include "engine/tap_threads.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace engine {
namespace {

// Keeps what it is given, to compare with what was handed over.
class KeepingTap : public RecordTap {
 public:
  explicit KeepingTap(std::uint32_t fail_at = 0) : fail_at_(fail_at) {}
  void Take(std::uint32_t recno, std::string_view record) override {
    if (recno == fail_at_) throw std::runtime_error("sem memória");
    recnos.push_back(recno);
    bytes.append(record);
  }
  void Finish() override { ++finished; }

  std::vector<std::uint32_t> recnos;
  std::string bytes;
  int finished = 0;

 private:
  std::uint32_t fail_at_;
};

std::string RecordOf(std::uint32_t recno, std::size_t length) {
  std::string record(length, ' ');
  const std::string digits = std::to_string(recno);
  record.replace(length - digits.size(), digits.size(), digits);
  return record;
}

// Far more records than the batches in flight hold, with gaps as deleted records leave them:
// every tap sees each record once, in file order, with its bytes, and is finished once, after
// the last.
TEST(TapThreadsTest, EveryTapTakesEveryRecordInOrderThenFinishes) {
  constexpr std::size_t kLength = 37;
  KeepingTap first;
  KeepingTap second;
  std::vector<std::uint32_t> handed;
  std::string bytes;
  {
    TapThreads threads({&first, &second}, kLength);
    for (std::uint32_t recno = 1; bytes.size() < 6 * TapThreads::kDepth * TapThreads::kBatchBytes;
         recno += recno % 7 == 0 ? 2u : 1u) {
      const std::string record = RecordOf(recno, kLength);
      threads.Add(recno, record);
      handed.push_back(recno);
      bytes += record;
    }
    EXPECT_EQ(first.finished, 0);
    threads.Finish();
  }
  for (const KeepingTap* tap : {&first, &second}) {
    EXPECT_EQ(tap->recnos, handed);
    EXPECT_EQ(tap->bytes, bytes);
    EXPECT_EQ(tap->finished, 1);
  }
}

// Spans handed over buffer and all, hidden records left out, between records added one by one
// (as a walk whose company check stopped goes on): the taps see them all in file order, each
// with its own bytes.
TEST(TapThreadsTest, SpansAndSingleRecordsKeepFileOrder) {
  constexpr std::size_t kLength = 11;
  KeepingTap tap;
  std::vector<std::uint32_t> handed;
  std::string bytes;
  std::vector<char> buffer;
  {
    TapThreads threads({&tap}, kLength);
    std::uint32_t recno = 1;
    for (int span = 0; span < 3 * static_cast<int>(TapThreads::kDepth); ++span) {
      const std::uint32_t first = recno;
      buffer.clear();
      std::vector<std::uint32_t> shown;
      for (int k = 0; k < 500; ++k, ++recno) {
        const std::string record = RecordOf(recno, kLength);
        buffer.insert(buffer.end(), record.begin(), record.end());
        if (recno % 5 == 0) continue;  // hidden
        shown.push_back(recno);
      }
      // The last shown record is left to the single records that follow, as after a stop.
      const std::uint32_t last = shown.back();
      for (std::size_t i = 0; i + 1 < shown.size(); ++i) {
        handed.push_back(shown[i]);
        bytes += RecordOf(shown[i], kLength);
      }
      threads.AddSpan(first, buffer, shown, shown.size() - 1);
      threads.Add(last, RecordOf(last, kLength));
      handed.push_back(last);
      bytes += RecordOf(last, kLength);
    }
    threads.Finish();
  }
  EXPECT_EQ(tap.recnos, handed);
  EXPECT_EQ(tap.bytes, bytes);
}

// What stops the taps' thread comes out of Finish() on the walk's thread, and the taps are not
// finished; a walk that ends in its own error leaves without Finish() and nothing hangs.
TEST(TapThreadsTest, AnErrorOnTheTapsThreadIsRaisedByFinishAndAnAbandonedWalkEnds) {
  KeepingTap failing(5000);
  {
    TapThreads threads({&failing}, 8);
    for (std::uint32_t recno = 1; recno <= 200000; ++recno) threads.Add(recno, "12345678");
    EXPECT_THROW(threads.Finish(), std::runtime_error);
  }
  EXPECT_EQ(failing.finished, 0);
  EXPECT_EQ(failing.recnos.size(), 4999u);

  KeepingTap abandoned;
  {
    TapThreads threads({&abandoned}, 8);
    for (std::uint32_t recno = 1; recno <= 200000; ++recno) threads.Add(recno, "12345678");
  }
  EXPECT_EQ(abandoned.finished, 0);
}

}  // namespace
}  // namespace engine
