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
  // In Portuguese, as the runner's.
  EXPECT_EQ(parsed.text.rfind("Uso: talmero-prx [opções]\n", 0), 0u) << parsed.text;
  for (const char* english : {"Usage", "Options", "INT", "TEXT"}) {
    EXPECT_EQ(parsed.text.find(english), std::string::npos) << english;
  }
  const std::pair<std::vector<std::string>, std::string> wrong[] = {
      {{"--riscos"}, "talmero-prx: falta o valor de --riscos\n"},
      {{"--desconhecida"}, "talmero-prx: opção desconhecida: --desconhecida\n"},
      {{"--painel=0"}, "talmero-prx: valor inválido de --painel: 0 (um número de 1 em diante)\n"},
  };
  for (const auto& [args, first_line] : wrong) {
    parsed = ParseWindowOptions("talmero-prx", args);
    ASSERT_TRUE(parsed.exit_status) << args[0];
    EXPECT_EQ(*parsed.exit_status, 2);
    EXPECT_EQ(parsed.text, first_line + "use --help para ver as opções\n");
  }
  parsed = ParseWindowOptions("talmero-prx", {"--painel", "--criticar"});
  ASSERT_FALSE(parsed.exit_status) << parsed.text;
  EXPECT_TRUE(parsed.options.painel);
  EXPECT_FALSE(parsed.options.painel_registro);
  EXPECT_TRUE(parsed.options.criticar);
  parsed = ParseWindowOptions("talmero-prx", {"--painel=13"});
  EXPECT_EQ(parsed.options.painel_registro, 13);

  for (const std::vector<std::string>& args :
       {std::vector<std::string>{"--riscos"}, {"--desconhecida"}, {"solto.dbf"}}) {
    parsed = ParseWindowOptions("talmero-prx", args);
    ASSERT_TRUE(parsed.exit_status) << args[0];
    EXPECT_NE(*parsed.exit_status, 0);
    EXPECT_FALSE(parsed.text.empty());
  }
}

}  // namespace
