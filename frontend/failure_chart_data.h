#pragma once
// What the panel's bar chart shows: per table of the run, the fields that failed, most failures
// first, with their ErroNulo and ErroDom shares of the table's records, as the summary counts
// them.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "engine/run_result.h"

namespace frontend {

struct ChartBar {
  std::string campo;  // Windows-1252
  std::int64_t erro_nulo = 0;
  std::int64_t erro_dom = 0;
  double nulo_percent = 0;  // erro_nulo x 100 / registros; 0 without records
  double dom_percent = 0;
};

struct ChartTable {
  std::string nomeTabela;  // Windows-1252
  std::int32_t registros = 0;
  std::vector<ChartBar> bars;      // at most max_bars, by erro_nulo + erro_dom descending
  std::size_t failing_fields = 0;  // fields with any failure, shown or not
};

// Every table the run read (tables that failed their structure check have no counters and are
// left out). Ties keep the fields' catalogue order.
std::vector<ChartTable> ChartData(const engine::RunResult& result, std::size_t max_bars);

// The table's line above its bars (UTF-8): "RISCOS: 969.964 registros", and when bars were left
// out " (os 20 campos com mais falhas de 31)".
std::string ChartTitle(const ChartTable& table);

}  // namespace frontend
