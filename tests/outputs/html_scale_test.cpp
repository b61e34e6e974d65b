// The labels over a column of bars on the run's page: "0", the middle and the end figure in a
// 204-pixel drawing, which must never run into each other.
#include <gtest/gtest.h>

#include <string>

#include "outputs/html_report_parts.h"

namespace outputs::html {
namespace {

TEST(HtmlScaleTest, FiguresStayWholeWhileTheyFitAndLongAmountsAreShortened) {
  struct Case {
    double full;
    int decimals;
    const char* middle;
    const char* end;
  };
  const Case cases[] = {
      {1, 0, "0,5", "1"},
      {97063, 0, "48.532", "97.063"},
      {987654321, 0, "493.827.161", "987.654.321"},
      {123456789012.0, 0, "61,7 bi", "123 bi"},
      {123456789012.0, 2, "61,7 bi", "123 bi"},
      {2469135780.0, 0, "1,2 bi", "2,5 bi"},
      {1999990000.0, 0, "1 bi", "2 bi"},
      {999999999999.0, 0, "500 bi", "1 tri"},
      {4.5e15, 0, "2.250 tri", "4.500 tri"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.full));
    const ScaleLabels labels = ScaleLabelsFor(c.full, c.decimals);
    EXPECT_EQ(labels.middle, c.middle);
    EXPECT_EQ(labels.end, c.end);
  }
  // Past any unit the end alone is kept, rather than two labels over each other.
  EXPECT_EQ(ScaleLabelsFor(1e21, 0).middle, "");
}

}  // namespace
}  // namespace outputs::html
