#pragma once
// A risks or claims file whose header announces another number of records than the file holds
// (or whose header length points past its end, or that ends in stray bytes) was most likely cut
// short in transfer or damaged. The run still reads it by the file's length; this finding lets
// the failure list, the JSON result and the runner's standard error say so.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "engine/findings.h"
#include "tables/dbf_table.h"

namespace engine {

// The finding for an open table, or nullopt when its header agrees with its length.
std::optional<HeaderFinding> FindHeaderMismatch(const tables::DbfTable& table, FindingFile file);

// "aviso: <file>: o cabeçalho anuncia N registros, o arquivo contém M", in Windows-1252 like
// every text of the engine; `file` is the path as the user gave it.
std::string HeaderWarning(const HeaderFinding& finding, std::string_view file);

}  // namespace engine
