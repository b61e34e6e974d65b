// The failure list's sentences where the plain template would mislead: blank values, a date
// refused for its year alone, a coverage without an end date.
#include "outputs/finding_message.h"

#include <gtest/gtest.h>

#include "engine/text.h"

namespace outputs {
namespace {

TEST(FindingMessageTest, BlankValuesAndYearsOutOfRangeAreToldAsSuch) {
  struct Case {
    engine::FindingCheck check;
    std::string_view text;
    std::string_view depende;
    std::string_view expected;  // UTF-8
  };
  const Case cases[] = {
      {engine::FindingCheck::kData, "18991231", "",
       "O campo D_OCORR tem “18991231”, com o ano fora do intervalo aceito, de 1900 a 2031."},
      {engine::FindingCheck::kData, "20320101", "",
       "O campo D_OCORR tem “20320101”, com o ano fora do intervalo aceito, de 1900 a 2031."},
      // The last accepted year, but no such day.
      {engine::FindingCheck::kData, "20310230", "",
       "O campo D_OCORR tem “20310230”, que não é uma data existente na forma AAAAMMDD."},
      {engine::FindingCheck::kData, "2023AB01", "",
       "O campo D_OCORR tem “2023AB01”, que não é uma data existente na forma AAAAMMDD."},
      {engine::FindingCheck::kData, "        ", "",
       "O campo D_OCORR está vazio, mas precisa ter uma data existente na forma AAAAMMDD."},
      {engine::FindingCheck::kDominio, "  ", "ITEM",
       "O campo D_OCORR está vazio, mas precisa ter um dos valores permitidos para ITEM = "
       "“01”."},
      {engine::FindingCheck::kDominio, "", "",
       "O campo D_OCORR está vazio, mas precisa ter um dos valores permitidos."},
      {engine::FindingCheck::kDominio, "9", "",
       "O valor “9” do campo D_OCORR não está entre os valores permitidos."},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.expected);
    engine::FieldFinding f;
    f.field = "D_OCORR";
    f.check = c.check;
    f.text = c.text;
    f.depende = c.depende;
    f.qualifier = "01";
    f.latest_year = 2031;
    std::string out;
    AppendFieldMessage(out, f);
    EXPECT_EQ(engine::Win1252ToUtf8(out), c.expected);
  }
}

TEST(FindingMessageTest, ACoverageWithoutEndDateSaysSo) {
  std::string out;
  AppendCoverageInvertedMessage(out, "20231030", "        ");
  EXPECT_EQ(engine::Win1252ToUtf8(out), "A vigência não tem data de fim (começa em “20231030”).");
}

}  // namespace
}  // namespace outputs
