// The windows' command line.
#include "frontend/window_options.h"

#include <gtest/gtest.h>

namespace {

using frontend::ParseWindowOptions;

TEST(WindowOptionsTest, PathsRunAndNotices) {
  auto parsed = ParseWindowOptions("talmero-prx", {});
  ASSERT_FALSE(parsed.exit_status);
  EXPECT_FALSE(parsed.options.riscos);
  EXPECT_FALSE(parsed.options.criticar);
  EXPECT_TRUE(parsed.options.invalid_date_notices);

  parsed =
      ParseWindowOptions("talmero-prx", {"--riscos", "C:\\dados\\riscos 2024.dbf", "--sinistros",
                                         "", "--criticar", "--sem-avisos-de-data"});
  ASSERT_FALSE(parsed.exit_status) << parsed.text;
  EXPECT_EQ(parsed.options.riscos, "C:\\dados\\riscos 2024.dbf");
  EXPECT_EQ(parsed.options.sinistros, "");  // given empty: the box is filled with nothing
  EXPECT_TRUE(parsed.options.criticar);
  EXPECT_FALSE(parsed.options.invalid_date_notices);
  EXPECT_FALSE(parsed.options.catalogo);

  parsed = ParseWindowOptions("talmero-prx", {"--catalogo", "C:\\Seguradora\\Cat\u00e1logo"});
  ASSERT_FALSE(parsed.exit_status) << parsed.text;
  EXPECT_EQ(parsed.options.catalogo, "C:\\Seguradora\\Cat\u00e1logo");
}

TEST(WindowOptionsTest, HelpAndWrongUsageEndTheProgramWithAText) {
  auto parsed = ParseWindowOptions("talmero-prx", {"--help"});
  ASSERT_TRUE(parsed.exit_status);
  EXPECT_EQ(*parsed.exit_status, 0);
  EXPECT_NE(parsed.text.find("--sem-avisos-de-data"), std::string::npos) << parsed.text;

  for (const std::vector<std::string>& args :
       {std::vector<std::string>{"--riscos"}, {"--desconhecida"}, {"solto.dbf"}}) {
    parsed = ParseWindowOptions("talmero-prx", args);
    ASSERT_TRUE(parsed.exit_status) << args[0];
    EXPECT_NE(*parsed.exit_status, 0);
    EXPECT_FALSE(parsed.text.empty());
  }
}

}  // namespace
