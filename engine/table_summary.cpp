#include "engine/table_summary.h"

#include <cstdint>
#include <string>
#include <string_view>

#include "engine/number_style.h"
#include "engine/report.h"
#include "engine/text.h"

namespace engine {
namespace {

using tables::FieldValue;

constexpr std::string_view kRecordCount = "N\xFAmero de registros ";  // "Número", Windows-1252
constexpr std::string_view kHeader =
    "Tabela              Campo               ErroNulo  %         ErroDom   %         ";
static_assert(kHeader.size() == 80);
constexpr std::string_view kNoRecords = "Arquivo sem registros.....";

constexpr std::size_t kNameWidth = 20;
constexpr std::size_t kCountWidth = 10;

bool IsTable(const FieldValue& tabela, int numTabela) {
  return !tabela.IsNull() && tabela.AsInt64() == numTabela;
}

std::string Percentage(std::int64_t count, std::int32_t records, const Regional& regional) {
  const double share = static_cast<double>(count) * 100.0 / static_cast<double>(records);
  return FormatNumber(share, 2, regional) + "%";
}

// One line per rule row of the table, in field-position order; a table number without rule
// rows writes none.
void WriteRuleLines(RunContext& ctx) {
  tables::MemTable& rules = ctx.tables.zelEstrutTab;
  const RunState& state = ctx.state;
  const char sep = ctx.regional.decimal_separator;
  rules.First();
  while (!rules.Eof() && !IsTable(rules.GetFieldValue("tabela"), state.numTabela)) rules.Next();
  for (; !rules.Eof() && IsTable(rules.GetFieldValue("tabela"), state.numTabela); rules.Next()) {
    const std::string campo = rules.GetFieldValue("campo").AsString(sep);
    const std::int64_t erro_nulo = rules.GetFieldValue("erroNulo").AsInt64();
    const std::int64_t erro_dom = rules.GetFieldValue("erroDom").AsInt64();
    std::string line;
    line.reserve(80);
    AppendPadded(line, state.nomeTabela, kNameWidth);
    AppendPadded(line, Trimmed(campo), kNameWidth);
    AppendPadded(line, std::to_string(erro_nulo), kCountWidth);
    AppendPadded(line, Percentage(erro_nulo, state.numRegistros, ctx.regional), kCountWidth);
    AppendPadded(line, std::to_string(erro_dom), kCountWidth);
    AppendPadded(line, Percentage(erro_dom, state.numRegistros, ctx.regional), kCountWidth);
    ctx.host.AppendLine(line);
  }
}

}  // namespace

void WriteTableSummary(RunContext& ctx) {
  RunHost& host = ctx.host;
  host.AppendLine(kRuleLine);
  host.AppendLine(std::string(kRecordCount) + std::to_string(ctx.state.numRegistros));
  host.AppendLine("");
  host.AppendLine(kHeader);
  if (ctx.state.numRegistros < 1) {
    host.AppendLine("");
    host.AppendLine(kNoRecords);
  } else {
    WriteRuleLines(ctx);
  }
  host.AppendLine("");
}

}  // namespace engine
