#include <future>
#include <memory>
#include <string>

#include "cli/output_steps.h"
#include "cmdline/output_file.h"
#include "outputs/failing_values.h"
#include "outputs/html_report.h"

namespace cli {
namespace {

// The HTML page: made from the run's counts and the failing values its own sink gathered.
class HtmlOutput : public SideOutput {
 public:
  HtmlOutput(const OutputSetting& setting, std::unique_ptr<cmdline::OutputFile> file)
      : options_(setting.options),
        catalogue_folder_(setting.catalogue_folder),
        file_(std::move(file)),
        // A thread of its own starts with no memory of its own: alone, or on standard output
        // (which the JSON may share), the page is written in its turn.
        apart_(setting.path != cmdline::kStandardOutput &&
               (!options_.extrato.empty() || !options_.detalhes.empty())) {}

  engine::FindingSink* sink() override { return &failing_values_; }

  // The page is written and put in place beside the other outputs' finishing, when there is
  // something to do beside it. (Without a thread to be had, it is written at get().)
  void Start(const RunOutcome& outcome) override {
    if (!apart_) return;
    written_ = std::async(std::launch::async | std::launch::deferred,
                          [this, &outcome] { return Write(outcome); });
  }

  // Its message comes in its turn, also when it was written apart.
  std::string Finish(RunOutcome& outcome) override {
    return apart_ ? written_.get() : Write(outcome);
  }

 private:
  std::string Write(const RunOutcome& outcome) {
    const outputs::HtmlReportInputs inputs{options_.riscos, options_.sinistros, catalogue_folder_,
                                           &failing_values_, outcome.comparacao};
    file_->stream() << outputs::HtmlReport(inputs, outcome.run.state(), outcome.verdict,
                                           options_.limites, outcome.error, outcome.ended);
    return file_->Close() ? std::string() : file_->WriteError() + "\n";
  }

  const CliOptions& options_;
  std::string catalogue_folder_;
  std::unique_ptr<cmdline::OutputFile> file_;
  outputs::FailingValues failing_values_;
  bool apart_;
  std::future<std::string> written_;
};

}  // namespace

std::unique_ptr<SideOutput> OpenHtml(const OutputSetting& setting, std::string* error) {
  auto file = std::make_unique<cmdline::OutputFile>(setting.path, setting.out);
  if (!file->ok()) {
    *error = file->CreateError() + "\n";
    return nullptr;
  }
  return std::make_unique<HtmlOutput>(setting, std::move(file));
}

}  // namespace cli
