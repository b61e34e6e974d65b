#include <memory>
#include <string>

#include "cli/output_steps.h"
#include "cli/progress_line.h"
#include "cmdline/output_file.h"
#include "outputs/findings_csv.h"
#include "outputs/findings_xlsx.h"
#include "outputs/verdict_sheet.h"
#include "platform/file_error.h"

namespace cli {
namespace {

// The failure list, streamed during the run: CSV into its file, or a workbook that writes its
// file by path, into the temporary file put in place on Close().
class DetailsOutput : public SideOutput {
 public:
  DetailsOutput(const std::string& path, std::unique_ptr<cmdline::OutputFile> file)
      : path_(path), file_(std::move(file)) {}

  // Makes the list; false with the error line when the workbook cannot be made.
  bool Begin(const OutputSetting& setting, std::string* error) {
    const std::int64_t rows = setting.options.max_detalhes;
    if (!outputs::IsXlsxPath(path_)) {
      list_ = std::make_unique<outputs::FindingsCsv>(file_->stream(), rows);
      return true;
    }
    auto book = std::make_unique<outputs::FindingsXlsx>(
        file_->TempPath(), rows, outputs::FindingsXlsx::kSheetRows, setting.catalogue_folder,
        /*summary_sheet=*/true);
    if (!book->ok()) {
      *error =
          platform::FileErrorText(platform::FileStep::kCreate, path_, book->ErrorText()) + "\n";
      return false;
    }
    workbook_ = book.get();
    list_ = std::move(book);
    return true;
  }

  engine::FindingSink* sink() override { return list_.get(); }
  void MarkNewAgainst(const outputs::NewFailureSource& source) {
    if (source) list_->MarkNewAgainst(source);
  }

  std::string Finish(RunOutcome& outcome) override {
    std::string problems = Complete(outcome);
    outcome.falhas = list_->total();
    return problems;
  }

 private:
  // Completes the list and puts it in place; else the line that says why not. The list is
  // completed first (the workbook writes its file then), and only a complete list is put in
  // place. A list that failed says why: the workbook in the library's words; a CSV whose stream
  // failed is closed to learn why (Close() then puts nothing in place).
  std::string Complete(const RunOutcome& outcome) {
    if (workbook_ != nullptr) WriteVerdictSheet(*workbook_, outcome.run.state(), outcome.verdict);
    // The workbook is put together from its rows now: a big one takes many seconds.
    const std::string name = OutputFileName(path_);
    ProgressLine* const progress = workbook_ != nullptr ? outcome.progress : nullptr;
    if (progress != nullptr) progress->Writing(name);
    const bool finished = list_->Finish();
    if (progress != nullptr) progress->Written(name);
    if (finished) return file_->Close() ? std::string() : file_->WriteError() + "\n";
    if (workbook_ == nullptr && (file_->stream().fail() || path_ == cmdline::kStandardOutput) &&
        !file_->Close()) {
      return file_->WriteError() + "\n";
    }
    const std::string reason = workbook_ != nullptr ? workbook_->ErrorText() : std::string();
    return platform::FileErrorText(platform::FileStep::kWrite, path_, reason) + "\n";
  }

  std::string path_;
  std::unique_ptr<cmdline::OutputFile> file_;
  std::unique_ptr<outputs::FindingListOutput> list_;
  outputs::FindingsXlsx* workbook_ = nullptr;  // list_, when it is a workbook
};

}  // namespace

std::unique_ptr<SideOutput> OpenDetails(const OutputSetting& setting, std::string* error) {
  auto file = std::make_unique<cmdline::OutputFile>(setting.path, setting.out);
  if (!file->ok()) {
    *error = file->CreateError() + "\n";
    return nullptr;
  }
  auto details = std::make_unique<DetailsOutput>(setting.path, std::move(file));
  if (!details->Begin(setting, error)) return nullptr;
  details->MarkNewAgainst(setting.new_failures);
  return details;
}

}  // namespace cli
