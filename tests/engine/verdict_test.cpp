// The verdict from a run's figures: each reason alone rejects, limits hold at their boundary,
// an error overrides everything.
#include "engine/verdict.h"

#include <gtest/gtest.h>

#include <functional>

#include "engine/text.h"
#include "engine/verdict_style.h"

namespace engine {
namespace {

// Two tables read in full, nothing wrong: the acceptable run every case starts from.
RunResult CleanRun() {
  RunResult r;
  for (int n : {1, 2}) {
    TableResult& t = r.tables.emplace_back();
    t.numTabela = n;
    t.nomeTabela = n == 1 ? "RISCOS" : "SINISTROS";
    t.outcome = TableOutcome::kRead;
    t.records = 200;
    t.fields = {{"APOLICE", 1, 0, 0}, {"ITEM", 2, 0, 0}};
  }
  r.claims_without_policy = ClaimsWithoutPolicyResult{0, 200};
  r.inverted_coverages = 0;
  r.reconciliation.push_back({"Teste:", {{"AUTO", 100.0, 100.0, 0.0}, {"RCF", 0.0, 0.0, {}}}});
  return r;
}

// A row as the reconciliation records it: the difference in percent of the file's sum.
void SetKov(ReconciliationRow& row, double kov) {
  row.kov_value = kov;
  if (row.file_value != 0.0) row.difference = (kov - row.file_value) / row.file_value * 100;
}

Percent Pct(const char* text) {
  Percent p;
  EXPECT_TRUE(ParsePercent(text, &p)) << text;
  return p;
}

std::vector<std::string> Types(const std::vector<VerdictItem>& items) {
  std::vector<std::string> out;
  for (const auto& i : items) out.push_back(i.tipo);
  return out;
}

TEST(VerdictTest, EachReasonAloneRejectsAndItsRemovalAccepts) {
  const VerdictLimits none;
  EXPECT_EQ(ComputeVerdict(CleanRun(), std::nullopt, none).resultado, VerdictOutcome::kAceitavel);
  EXPECT_TRUE(ComputeVerdict(CleanRun(), std::nullopt, none).avisos.empty());

  VerdictLimits limits;
  limits.falhas = Pct("10");
  limits.sem_apolice = Pct("1");
  limits.tolerancia = Pct("5");
  const std::pair<const char*, std::function<void(RunResult&)>> cases[] = {
      {"estrutura", [](RunResult& r) { r.tables[1].outcome = TableOutcome::kStructureFailed; }},
      {"mais_de_uma_empresa",
       [](RunResult& r) { r.tables[0].outcome = TableOutcome::kCompanyFailed; }},
      {"empresa_sem_kov", [](RunResult& r) { r.company_not_in_kov = true; }},
      {"vigencia_invertida", [](RunResult& r) { r.inverted_coverages = 1; }},
      {"arquivo_faltando", [](RunResult& r) { r.claims_missing = true; }},
      {"arquivo_sem_registros", [](RunResult& r) { r.tables[0].records = 0; }},
      {"falhas_campo", [](RunResult& r) { r.tables[1].fields[1].erroDom = 21; }},
      {"sem_apolice", [](RunResult& r) { r.claims_without_policy->without_policy = 3; }},
      {"conciliacao", [](RunResult& r) { SetKov(r.reconciliation[0].rows[0], 105.5); }},
      {"conciliacao", [](RunResult& r) { SetKov(r.reconciliation[0].rows[1], 1.0); }},
  };
  for (const auto& [tipo, spoil] : cases) {
    SCOPED_TRACE(tipo);
    RunResult r = CleanRun();
    spoil(r);
    const Verdict v = ComputeVerdict(r, std::nullopt, limits);
    EXPECT_EQ(v.resultado, VerdictOutcome::kRejeitado);
    EXPECT_EQ(Types(v.motivos), std::vector<std::string>{tipo});
    EXPECT_FALSE(v.motivos[0].texto.empty());
  }
  // The limited kinds are warnings, never reasons, without their limit.
  for (std::size_t i = 6; i < std::size(cases); ++i) {
    RunResult r = CleanRun();
    cases[i].second(r);
    const Verdict v = ComputeVerdict(r, std::nullopt, none);
    EXPECT_EQ(v.resultado, VerdictOutcome::kAceitavel) << cases[i].first;
    EXPECT_EQ(Types(v.avisos), std::vector<std::string>{cases[i].first});
  }
}

// The strip, the banners and the HTML page name a verdict from this one style: a warning turns
// an accepted run amber, so a clean-looking green never hides a difference worth a look.
TEST(VerdictTest, StyleFollowsOutcomeAndWarnings) {
  const VerdictLimits none;
  RunResult warned = CleanRun();
  SetKov(warned.reconciliation[0].rows[0], 2.0);
  RunResult rejected = CleanRun();
  rejected.company_not_in_kov = true;
  const struct {
    Verdict verdict;
    const char* title;
    VerdictColour colour;
  } cases[] = {
      {ComputeVerdict(CleanRun(), std::nullopt, none), "Aceitável", VerdictColour::kGreen},
      {ComputeVerdict(warned, std::nullopt, none), "Aceitável, com avisos", VerdictColour::kAmber},
      {ComputeVerdict(rejected, std::nullopt, none), "Rejeitado", VerdictColour::kRed},
      {ComputeVerdict(warned, std::string("tbDados: x"), none), "Erro", VerdictColour::kGrey},
  };
  for (const auto& c : cases) {
    const VerdictStyle style = StyleOf(c.verdict);
    EXPECT_EQ(Win1252ToUtf8(style.title), c.title);
    EXPECT_EQ(style.colour, c.colour) << c.title;
  }
  EXPECT_NE(ColourRgb(VerdictColour::kGreen), ColourRgb(VerdictColour::kAmber));
}

TEST(VerdictTest, AShareEqualToItsLimitPasses) {
  RunResult r = CleanRun();
  r.tables[0].fields[0].erroNulo = 21;          // 10.5 % of 200
  r.claims_without_policy->without_policy = 1;  // 0.5 %
  SetKov(r.reconciliation[0].rows[0], 102.5);
  const std::tuple<const char*, const char*, const char*, VerdictOutcome> rows[] = {
      {"10,5", "0.5", "2,5", VerdictOutcome::kAceitavel},
      {"10.499999999", "0.5", "2.5", VerdictOutcome::kRejeitado},
      {"10.5", "0,49", "2.5", VerdictOutcome::kRejeitado},
      {"10.5", "0.5", "2,49", VerdictOutcome::kRejeitado},
  };
  for (const auto& [falhas, sem_apolice, tolerancia, expected] : rows) {
    SCOPED_TRACE(std::string(falhas) + " " + sem_apolice + " " + tolerancia);
    const VerdictLimits limits{Pct(falhas), Pct(sem_apolice), Pct(tolerancia)};
    const Verdict v = ComputeVerdict(r, std::nullopt, limits);
    EXPECT_EQ(v.resultado, expected);
    EXPECT_EQ(v.motivos.size() + v.avisos.size(), 3u);
  }
  // A difference below zero is held against the same tolerance.
  SetKov(r.reconciliation[0].rows[0], 97.0);
  EXPECT_EQ(ComputeVerdict(r, std::nullopt, {std::nullopt, std::nullopt, Pct("2.9")}).resultado,
            VerdictOutcome::kRejeitado);
}

// A figure above its limit never reads equal to it: as few decimals as tell them apart.
TEST(VerdictTest, AFigureAboveItsLimitIsPrintedAboveIt) {
  const struct {
    std::int64_t count;
    std::int32_t records;
    const char *limit, *text;
  } fields[] = {
      {974, 97063, "1", "(1,003% de 97.063 registros), acima do limite de 1,00%."},
      {974, 97063, "1,0034", "(1,0035% de 97.063 registros), acima do limite de 1,0034%."},
      {10'000'001, 1'000'000'000, "1,00000005",
       "(1,000001% de 1.000.000.000 registros), acima do limite de 1,00000005%."},
      {21, 200, "10", "(10,50% de 200 registros), acima do limite de 10,00%."},
  };
  for (const auto& f : fields) {
    RunResult r = CleanRun();
    r.tables[0].records = f.records;
    r.tables[0].fields[0].erroDom = f.count;
    const Verdict v = ComputeVerdict(r, std::nullopt, {Pct(f.limit), std::nullopt, std::nullopt});
    ASSERT_EQ(v.motivos.size(), 1u) << f.limit;
    EXPECT_NE(v.motivos[0].texto.find(f.text), std::string::npos) << v.motivos[0].texto;
  }
  RunResult r = CleanRun();
  r.claims_without_policy = ClaimsWithoutPolicyResult{1, 3};
  SetKov(r.reconciliation[0].rows[0], 98.996);
  const Verdict v = ComputeVerdict(r, std::nullopt, {std::nullopt, Pct("33,33"), Pct("1")});
  ASSERT_EQ(v.motivos.size(), 2u);
  EXPECT_NE(v.motivos[0].texto.find("(33,333%)"), std::string::npos) << v.motivos[0].texto;
  EXPECT_NE(v.motivos[1].texto.find("de -1,004% entre"), std::string::npos) << v.motivos[1].texto;
}

TEST(VerdictTest, AnErrorOverridesEverythingWithItsMessage) {
  RunResult r = CleanRun();
  r.company_not_in_kov = true;
  const Verdict v = ComputeVerdict(r, std::string("Cannot open file \"x\"."), {});
  EXPECT_EQ(v.resultado, VerdictOutcome::kErro);
  ASSERT_EQ(v.motivos.size(), 1u);
  EXPECT_EQ(v.motivos[0].tipo, "erro");
  EXPECT_EQ(v.motivos[0].texto, "Cannot open file \"x\".");
  EXPECT_TRUE(v.avisos.empty());
}

TEST(VerdictTest, PercentTextsAcceptOneDecimalSeparatorOnly) {
  for (const char* bad :
       {"", ",", "1,2,3", "1.2,3", "-1", "+1", "1e3", "1 ", "5%", "1.0000000001", "1000000000"}) {
    Percent p;
    EXPECT_FALSE(ParsePercent(bad, &p)) << bad;
  }
  EXPECT_EQ(Pct("2,5").scaled, 2'500'000'000);
  EXPECT_EQ(Pct(".5").scaled, 500'000'000);
  EXPECT_EQ(Pct("7.").scaled, 7'000'000'000);
}

}  // namespace
}  // namespace engine
