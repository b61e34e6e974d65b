#pragma once
#include <string_view>

#include "engine/validation_run.h"

namespace engine {

inline constexpr std::string_view kLineOfBusiness = "AUTOMOVEL";

// Loads "tabelas.dbf" (twice) and "anexos.dbf" (once) from the program folder into zelTabelas
// (active index "index1"), zelEstrutTab ("index2") and zelAnexos ("index1"). Writes nothing to the
// report. Throws the reader's errors (missing file, missing column). When the host keeps the
// catalogue (RunHost::KeepsCatalog) and the tables hold one, only its counters are zeroed.
void LoadRuleCatalog(RunContext& ctx);

}  // namespace engine
