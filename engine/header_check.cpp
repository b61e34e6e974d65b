#include "engine/header_check.h"

#include "engine/text.h"

namespace engine {

std::optional<HeaderFinding> FindHeaderMismatch(const tables::DbfTable& table, FindingFile file) {
  const tables::RecordCountCheck check = table.HeaderCheck();
  if (!table.IsOpen() || !check.Mismatch()) return std::nullopt;
  return HeaderFinding{file, check.announced, check.held};
}

std::string HeaderWarning(const HeaderFinding& finding, std::string_view file) {
  return "aviso: " + std::string(file) + Ansi(": o cabeçalho anuncia ") +
         std::to_string(finding.header_records) + Ansi(" registros, o arquivo contém ") +
         std::to_string(finding.file_records);
}

}  // namespace engine
