#include <memory>
#include <ostream>
#include <string>

#include "cli/output_steps.h"
#include "cmdline/output_file.h"
#include "outputs/run_json.h"

namespace cli {
namespace {

// The JSON result, written once the run is over and the failure list finished (it tells the
// list's total).
class JsonOutput : public SideOutput {
 public:
  explicit JsonOutput(const OutputSetting& setting)
      : options_(setting.options),
        path_(setting.path),
        catalogue_folder_(setting.catalogue_folder),
        out_(setting.out) {}

  std::string Finish(RunOutcome& outcome) override {
    outputs::RunJsonInputs inputs{options_.riscos,   options_.sinistros, catalogue_folder_,
                                  options_.regional, std::nullopt,       std::nullopt};
    inputs.historico = outcome.historico;
    inputs.comparacao = outcome.comparacao;
    if (outcome.falhas) {
      inputs.detalhes = options_.detalhes;
      inputs.falhas = outcome.falhas;
    }
    const std::string document = outputs::RunJson(inputs, outcome.run.state(), outcome.verdict,
                                                  outcome.error, outcome.ended);
    cmdline::OutputFile file(path_, out_);
    if (!file.ok()) return file.CreateError() + "\n";
    file.stream() << document;
    return file.Close() ? std::string() : file.WriteError() + "\n";
  }

 private:
  const CliOptions& options_;
  std::string path_;
  std::string catalogue_folder_;
  std::ostream& out_;
};

}  // namespace

std::unique_ptr<SideOutput> OpenJson(const OutputSetting& setting, std::string*) {
  return std::make_unique<JsonOutput>(setting);
}

}  // namespace cli
