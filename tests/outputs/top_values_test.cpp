// The space-saving counter against exact counts.
#include "outputs/top_values.h"

#include <gtest/gtest.h>

#include <map>
#include <random>

namespace engine {
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

}  // namespace
}  // namespace engine
