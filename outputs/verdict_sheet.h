#pragma once
// The first sheet of the runner's workbook, "Resumo": what the run concluded, for a person who
// opens the failure list before anything else. From the top: the verdict (its name as the JSON
// result gives it, then its title as the windows show it); the reasons and the warnings, each
// with the JSON result's fields (tipo, texto, tabela, campo, valor, limite); and per input file
// its table, path, state, records and the sums of its null and domain failures.

#include "engine/validation_run.h"
#include "engine/verdict.h"
#include "outputs/findings_xlsx.h"

namespace outputs {

// Writes the sheet's rows into `book`, which must have been made with its "Resumo" sheet.
void WriteVerdictSheet(outputs::FindingsXlsx& book, const engine::RunState& state,
                       const engine::Verdict& verdict);

}  // namespace outputs
