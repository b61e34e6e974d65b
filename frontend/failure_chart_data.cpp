#include "frontend/failure_chart_data.h"

#include <algorithm>

#include "engine/number_style.h"
#include "engine/text.h"
#include "frontend/message_text.h"

namespace frontend {
namespace {

double Share(std::int64_t count, std::int32_t records) {
  return records > 0 ? static_cast<double>(count) * 100.0 / static_cast<double>(records) : 0.0;
}

}  // namespace

std::vector<ChartTable> ChartData(const engine::RunResult& result, std::size_t max_bars) {
  std::vector<ChartTable> tables;
  for (const engine::TableResult& table : result.tables) {
    if (table.outcome == engine::TableOutcome::kStructureFailed) continue;
    ChartTable chart{table.nomeTabela, table.records, {}, 0};
    for (const engine::FieldCounters& field : table.fields) {
      if (field.erroNulo == 0 && field.erroDom == 0) continue;
      chart.bars.push_back({field.field, field.erroNulo, field.erroDom,
                            Share(field.erroNulo, table.records),
                            Share(field.erroDom, table.records)});
    }
    chart.failing_fields = chart.bars.size();
    std::stable_sort(chart.bars.begin(), chart.bars.end(),
                     [](const ChartBar& a, const ChartBar& b) {
                       return a.erro_nulo + a.erro_dom > b.erro_nulo + b.erro_dom;
                     });
    if (chart.bars.size() > max_bars) chart.bars.resize(max_bars);
    tables.push_back(std::move(chart));
  }
  return tables;
}

std::string ChartTitle(const ChartTable& table) {
  std::string title = DisplayLine(engine::Trimmed(table.nomeTabela)) + ": " +
                      engine::CountText(table.registros) + " registros";
  if (table.failing_fields > table.bars.size()) {
    title += " (os " + engine::CountText(table.bars.size()) + " campos com mais falhas de " +
             engine::CountText(table.failing_fields) + ")";
  }
  return title;
}

}  // namespace frontend
