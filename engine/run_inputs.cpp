#include "engine/run_inputs.h"

#include "engine/text.h"
#include "platform/file_identity.h"

namespace engine {

std::vector<std::string> RunInputFiles(const std::string& catalogue_folder,
                                       const std::string& riscos, const std::string& sinistros) {
  std::vector<std::string> files;
  for (const std::string* path : {&riscos, &sinistros}) {
    if (!Trimmed(*path).empty()) files.push_back(*path);
  }
  for (const char* name : {"tabelas.dbf", "anexos.dbf", "DadosKov.DBF"}) {
    files.push_back(catalogue_folder + name);
  }
  return files;
}

std::optional<std::string> InputWrittenBy(const std::string& output,
                                          const std::vector<std::string>& inputs) {
  for (const std::string& input : inputs) {
    if (platform::SameTarget(output, input)) return input;
  }
  return std::nullopt;
}

}  // namespace engine
