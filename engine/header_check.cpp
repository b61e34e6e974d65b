#include "engine/header_check.h"

#include "engine/number_style.h"
#include "engine/text.h"

namespace engine {

std::optional<HeaderFinding> FindHeaderMismatch(const tables::DbfTable& table, FindingFile file) {
  if (!table.IsOpen()) return std::nullopt;
  const tables::RecordCountCheck check = table.HeaderCheck();
  const HeaderFinding finding{file,
                              check.announced,
                              check.held,
                              check.trailing_bytes,
                              check.header_length,
                              check.descriptors_end};
  if (!finding.CountDiffers() && finding.trailing_bytes == 0 && !finding.HeaderShort()) {
    return std::nullopt;
  }
  return finding;
}

std::vector<std::string> HeaderWarnings(const HeaderFinding& finding) {
  std::vector<std::string> warnings;
  if (finding.CountDiffers()) {
    warnings.push_back(Ansi("o cabeçalho anuncia ") + CountText(finding.header_records) +
                       Ansi(" registros, o arquivo contém ") + CountText(finding.file_records));
  }
  if (finding.trailing_bytes > 0) {
    warnings.push_back(CountText(finding.trailing_bytes) +
                       Ansi(" bytes depois do último registro"));
  }
  if (finding.HeaderShort()) {
    const std::string length = CountText(finding.header_length);
    warnings.push_back(Ansi("o cabeçalho declara ") + length + Ansi(" bytes, menos que os ") +
                       CountText(finding.descriptors_end) +
                       Ansi(" da descrição dos campos; os registros são lidos logo após esses ") +
                       length + " bytes");
  }
  return warnings;
}

}  // namespace engine
