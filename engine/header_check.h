#pragma once
// A risks or claims file whose header disagrees with its bytes was most likely cut short in
// transfer or damaged: the header announces another number of records than the file holds,
// stray bytes follow the last whole record, or the header length points inside the field
// descriptors. The run still reads it by the file's length, from the header length on; this
// finding lets the failure list, the JSON result, the verdict and the runner's standard error
// say so.

#include <optional>
#include <string>
#include <vector>

#include "engine/findings.h"
#include "tables/dbf_table.h"

namespace engine {

// The finding for an open table, or nullopt when its header agrees with its bytes. A header
// length past the end of the file is no finding of its own: the file then holds no record, which
// the count or the empty table tells.
std::optional<HeaderFinding> FindHeaderMismatch(const tables::DbfTable& table, FindingFile file);

// One sentence per fault of the finding, in Windows-1252 like every text of the engine, each
// for "aviso: <file>: " before it, in this order:
//   "o cabeçalho anuncia N registros, o arquivo contém M"
//   "N bytes depois do último registro"
//   "o cabeçalho declara N bytes, menos que os M da descrição dos campos; os registros são lidos
//    logo após esses N bytes"
std::vector<std::string> HeaderWarnings(const HeaderFinding& finding);

}  // namespace engine
