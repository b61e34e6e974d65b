#include "outputs/output_text.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>

namespace outputs {
namespace {

// What a page shows of each text: entities as the templates always wrote them, control
// characters by their symbols, TAB/LF/CR as they are, any byte that is not UTF-8 as U+FFFD.
TEST(OutputTextTest, PagesGetEntitiesControlSymbolsAndValidUtf8) {
  const std::pair<std::string, std::string> cases[] = {
      {"a<b>&\"'", "a&lt;b&gt;&amp;&quot;&apos;"},
      {"a\x01z\x1F\x7F", "a\u2401z\u241F\u2421"},
      {std::string("\0", 1), "\u2400"},
      {"t\tl\nr\r", "t\tl\nr\r"},
      {"ação ✓ \U0001F600", "ação ✓ \U0001F600"},
      {"caf\xE9", "caf\uFFFD"},
      {"\xC0\xAF \xED\xA0\x80 \xF4\x90\x80\x80 \xE2\x82",
       "\uFFFD\uFFFD \uFFFD\uFFFD\uFFFD "
       "\uFFFD\uFFFD\uFFFD\uFFFD \uFFFD\uFFFD"},
  };
  for (const auto& [text, shown] : cases) {
    SCOPED_TRACE(text);
    EXPECT_EQ(HtmlEscaped(text), shown);
  }
  EXPECT_EQ(ValidUtf8("caf\xE9"), "caf\uFFFD");
}

}  // namespace
}  // namespace outputs
