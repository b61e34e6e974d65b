#pragma once
#include "engine/validation_run.h"

namespace engine {

// Appends the summary of the table just walked: rule line, record count, header, one line per
// rule row of numTabela with its counters and percentages (or "Arquivo sem registros.....").
void WriteTableSummary(RunContext& ctx);

}  // namespace engine
