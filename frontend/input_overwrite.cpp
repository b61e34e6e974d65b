#include "frontend/input_overwrite.h"

#include "engine/run_inputs.h"
#include "engine/text.h"
#include "frontend/report_export.h"
#include "platform/system_path.h"

namespace frontend {

std::vector<std::string> WindowInputFiles(const std::string& program_folder,
                                          const std::string& catalogue_folder,
                                          const std::string& box_riscos,
                                          const std::string& box_sinistros,
                                          const std::string& run_riscos,
                                          const std::string& run_sinistros) {
  std::vector<std::string> files = engine::RunInputFiles(program_folder, box_riscos, box_sinistros);
  for (const std::string* path : {&run_riscos, &run_sinistros}) {
    if (!engine::Trimmed(*path).empty()) files.push_back(*path);
  }
  if (!catalogue_folder.empty()) {
    for (const std::string& file : engine::RunInputFiles(catalogue_folder, "", "")) {
      files.push_back(file);
    }
  }
  return files;
}

std::string SaveUnlessInput(const std::filesystem::path& output,
                            const std::vector<std::string>& inputs, const SaveAction& save) {
  // The path the writers create (report_export.h).
  if (engine::InputWrittenBy(platform::SystemPath(output), inputs)) {
    return "Não é possível gravar sobre um arquivo de entrada: " + FullPathText(output) + ".";
  }
  return save(output);
}

}  // namespace frontend
