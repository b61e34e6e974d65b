#pragma once
// The JSON of a run beside the company's earlier run in the history (history/run_comparison.h):
// the earlier run ("anterior": id, inicio, resultado, entradas), the failures fixed, new and kept
// in all and per file, field and check ("por_campo"), and the claims without policy, inverted
// coverages and reconciliation of both ("antes", "agora").

#include <nlohmann/json.hpp>
#include <vector>

#include "engine/run_result.h"
#include "history/run_comparison.h"

namespace outputs {

nlohmann::ordered_json ComparisonJson(const history::RunComparison& comparison);

// The reconciliation's sections: titulo and linhas (ramo, valor_kov, valor_arquivo, diferenca).
nlohmann::ordered_json ReconciliationJson(
    const std::vector<engine::ReconciliationSection>& sections);

}  // namespace outputs
