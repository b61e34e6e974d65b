#include "frontend/failure_chart_data.h"

#include <algorithm>

namespace frontend {
namespace {

double Share(std::int64_t count, std::int32_t records) {
  return records > 0 ? static_cast<double>(count) * 100.0 / static_cast<double>(records) : 0.0;
}

}  // namespace

std::vector<ChartTable> ChartData(const engine::RunResult& result, std::size_t max_bars) {
  std::vector<ChartTable> tables;
  for (const engine::TableResult& table : result.tabelas) {
    if (table.outcome == engine::TableOutcome::kStructureFailed) continue;
    ChartTable chart{table.nomeTabela, table.registros, {}, 0};
    for (const engine::FieldCounters& field : table.campos) {
      if (field.erro_nulo == 0 && field.erro_dom == 0) continue;
      chart.bars.push_back({field.campo, field.erro_nulo, field.erro_dom,
                            Share(field.erro_nulo, table.registros),
                            Share(field.erro_dom, table.registros)});
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

}  // namespace frontend
