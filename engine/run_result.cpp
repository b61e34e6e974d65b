#include "engine/run_result.h"

#include "engine/rule_set.h"
#include "engine/text.h"
#include "engine/validation_run.h"

namespace engine {

std::vector<FieldCounters> ReadFieldCounters(RunContext& ctx) {
  tables::MemTable& rules = ctx.tables.zelEstrutTab;
  const int tabela = ctx.state.numTabela;
  const auto in_table = [&] {
    const auto value = IntegerOf(rules.GetFieldValue("tabela"));
    return value && *value == tabela;
  };
  std::vector<FieldCounters> counters;
  // The summary's walk: from the first row of the active index to the end of the table's rows.
  rules.First();
  while (!rules.Eof() && !in_table()) rules.Next();
  for (; !rules.Eof() && in_table(); rules.Next()) {
    FieldCounters& c = counters.emplace_back();
    c.field =
        std::string(Trimmed(rules.GetFieldValue("campo").AsString(ctx.regional.decimal_separator)));
    c.position = IntegerOf(rules.GetFieldValue("ordem")).value_or(0);
    c.erroNulo = IntegerOf(rules.GetFieldValue("erroNulo")).value_or(0);
    c.erroDom = IntegerOf(rules.GetFieldValue("erroDom")).value_or(0);
  }
  return counters;
}

std::string_view TableOutcomeName(TableOutcome outcome) {
  switch (outcome) {
    case TableOutcome::kRead:
      return "lida";
    case TableOutcome::kStructureFailed:
      return "estrutura_incorreta";
    case TableOutcome::kCompanyFailed:
      return "empresa";
    case TableOutcome::kInterrupted:
      return "interrompida";
  }
  return "";
}

}  // namespace engine
