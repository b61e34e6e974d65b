#include "cmdline/output_rules.h"

#include "cmdline/output_file.h"
#include "engine/run_inputs.h"
#include "platform/file_identity.h"

namespace cmdline {

bool CheckOutputs(const std::vector<NamedOutput>& outputs, const std::vector<std::string>& inputs,
                  std::string on_standard_output, std::string* error) {
  for (std::size_t i = 0; i < outputs.size(); ++i) {
    const auto& [option, path] = outputs[i];
    if (path == kStandardOutput || platform::IsStandardOutput(path)) {
      if (!on_standard_output.empty()) {
        *error = "duas saídas na saída padrão: " + on_standard_output + " e " + option;
        return false;
      }
      on_standard_output = option;
      continue;
    }
    if (engine::InputWrittenBy(path, inputs)) {
      *error = "a saída " + path + " é um dos arquivos de entrada";
      return false;
    }
    for (std::size_t k = 0; k < i; ++k) {
      if (platform::SameTarget(outputs[k].path, path)) {
        *error = outputs[k].option + " e " + option + " gravam no mesmo arquivo: " + path;
        return false;
      }
    }
  }
  return true;
}

}  // namespace cmdline
