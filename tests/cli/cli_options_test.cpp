#include "cli/cli_options.h"

#include <gtest/gtest.h>

#include <regex>
#include <set>
#include <string>

#include "cli/cli_test_support.h"
#include "cli/usage_text.h"

namespace cli {
namespace {

// The long options a text names ("--saida=relatorio.txt" names --saida).
std::set<std::string> NamedOptions(const std::string& text) {
  static const std::regex option("(^|[^-\\w])(--[a-z][a-z0-9-]*[a-z0-9])");
  std::set<std::string> names;
  for (auto it = std::sregex_iterator(text.begin(), text.end(), option);
       it != std::sregex_iterator(); ++it) {
    names.insert((*it)[2].str());
  }
  return names;
}

// The parser's declarations are the one list of the options: the usage text and the manual page
// tell each of them and no other.
TEST(CliOptions, UsageTextAndManualPageTellExactlyTheDeclaredOptions) {
  const std::vector<std::string> names = OptionNames();
  const std::set<std::string> declared(names.begin(), names.end());
  ASSERT_EQ(declared.size(), names.size()) << "an option declared twice";
  ASSERT_TRUE(declared.count("--riscos") && declared.count("--help"));
  EXPECT_EQ(NamedOptions(UsageText()), declared) << "the usage text (cli/cli_options.cpp)";

  // roff writes a hyphen that must stay one as "\-".
  std::string manual = ReadBytes(TALMERO_TEST_DATA "/../../docs/talmero-criticar.1");
  ASSERT_FALSE(manual.empty());
  manual = std::regex_replace(manual, std::regex("\\\\-"), "-");
  EXPECT_EQ(NamedOptions(manual), declared) << "the manual page (docs/talmero-criticar.1)";
}

}  // namespace
}  // namespace cli
