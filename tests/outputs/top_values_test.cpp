// The space-saving counter against exact counts.
#include "outputs/top_values.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <random>
#include <string>
#include <vector>

namespace outputs {
namespace {

TEST(TopValuesTest, ExactWhileTheValuesFitAndHeavyOnesFoundWhenNot) {
  std::mt19937 random(20240315);
  for (const int distinct : {10, 400}) {
    SCOPED_TRACE(distinct);
    TopValues top(64);
    std::map<std::string, std::int64_t> exact;
    // A skewed stream: value k about 1/(k+1) as often as value 0.
    std::vector<double> weights;
    for (int k = 0; k < distinct; ++k) weights.push_back(1.0 / (k + 1));
    std::discrete_distribution<int> pick(weights.begin(), weights.end());
    for (int i = 0; i < 20000; ++i) {
      const std::string value = "v" + std::to_string(pick(random));
      top.Add(value);
      ++exact[value];
    }
    const auto best = top.Top(10);
    ASSERT_EQ(best.size(), 10u);
    for (std::size_t i = 0; i < best.size(); ++i) {
      SCOPED_TRACE(best[i].value);
      const std::int64_t truth = exact[best[i].value];
      if (distinct <= 64) {
        EXPECT_EQ(best[i].count, truth);
        EXPECT_EQ(best[i].overcount, 0);
      } else {
        EXPECT_GE(best[i].count, truth);
        EXPECT_LE(best[i].count - best[i].overcount, truth);
      }
      if (i > 0) {
        EXPECT_GE(best[i - 1].count, best[i].count);
      }
    }
    EXPECT_EQ(best[0].value, "v0");
  }
}

// The counter's places found by a plain search, the least counted's first place taken: the index
// must never lose or mistake a value, whatever the values' bytes and replacements.
TEST(TopValuesTest, SameCountsAsAPlainSearch) {
  std::mt19937 random(20261209);
  for (const std::size_t capacity : {1u, 7u, 64u}) {
    SCOPED_TRACE(capacity);
    TopValues top(capacity);
    std::vector<TopValues::Entry> plain;
    std::uniform_int_distribution<int> length(0, 19);
    std::uniform_int_distribution<int> byte(0, 255);
    std::vector<std::string> values(300);
    for (std::string& v : values) {
      v.resize(static_cast<std::size_t>(length(random)));
      for (char& c : v)
        c = static_cast<char>(byte(random) % 4 == 0 ? byte(random) : 'a' + byte(random) % 3);
    }
    std::geometric_distribution<std::size_t> pick(0.02);
    for (int i = 0; i < 30000; ++i) {
      const std::string& value = values[pick(random) % values.size()];
      top.Add(value);
      auto it = std::find_if(plain.begin(), plain.end(),
                             [&](const TopValues::Entry& e) { return e.value == value; });
      if (it != plain.end()) {
        ++it->count;
      } else if (plain.size() < capacity) {
        plain.push_back({value, 1, 0});
      } else {
        it = std::min_element(plain.begin(), plain.end(),
                              [](const auto& a, const auto& b) { return a.count < b.count; });
        *it = {value, it->count + 1, it->count};
      }
    }
    std::sort(plain.begin(), plain.end(), [](const auto& a, const auto& b) {
      return a.count != b.count ? a.count > b.count : a.value < b.value;
    });
    const auto best = top.Top(capacity);
    ASSERT_EQ(best.size(), plain.size());
    for (std::size_t i = 0; i < best.size(); ++i) {
      EXPECT_EQ(best[i].value, plain[i].value) << i;
      EXPECT_EQ(best[i].count, plain[i].count) << i;
      EXPECT_EQ(best[i].overcount, plain[i].overcount) << i;
    }
  }
}

}  // namespace
}  // namespace outputs
