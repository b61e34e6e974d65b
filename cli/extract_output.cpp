#include <future>
#include <memory>
#include <string>

#include "cli/output_steps.h"
#include "cli/progress_line.h"
#include "cmdline/output_file.h"
#include "engine/error_explanation.h"
#include "outputs/record_extract.h"
#include "outputs/xlsx_workbook.h"
#include "platform/file_error.h"

namespace cli {
namespace {

// The message and the line that names each folder where the extract's temporary files could
// not be made, and why.
std::string ScratchError(const outputs::RecordExtract& extract,
                         const std::string& catalogue_folder) {
  return "não foi possível criar o arquivo temporário de --extrato\n" +
         engine::CauseText("não foi possível criar um arquivo temporário " +
                           engine::FoldersTried(extract.ScratchFailures(), catalogue_folder)) +
         "\n";
}

// The records with failures: gathered during the run, their rows written after it.
class ExtractOutput : public SideOutput {
 public:
  ExtractOutput(const std::string& path, const std::string& catalogue_folder)
      : path_(path), catalogue_folder_(catalogue_folder) {}

  // Creates the files and the extract; false with the error lines when one cannot be.
  bool Begin(std::ostream& out, std::string* error) {
    risks_ = std::make_unique<cmdline::OutputFile>(path_, out);
    const bool to_stdout = path_ == cmdline::kStandardOutput;
    // A workbook holds both files' sheets; CSV puts the claims in a second file.
    const bool book = outputs::IsXlsxPath(path_);
    if (!to_stdout && !book) {
      claims_ =
          std::make_unique<cmdline::OutputFile>(outputs::RecordExtract::ClaimsPath(path_), out);
    }
    for (const cmdline::OutputFile* file : {risks_.get(), claims_.get()}) {
      if (file != nullptr && !file->ok()) {
        *error = file->CreateError() + "\n";
        return false;
      }
    }
    if (book) {
      extract_ = std::make_unique<outputs::RecordExtract>(risks_->TempPath(), catalogue_folder_);
    } else {
      extract_ = std::make_unique<outputs::RecordExtract>(
          risks_->stream(), to_stdout ? out : claims_->stream(), catalogue_folder_);
    }
    if (extract_->ok()) return true;
    *error = !extract_->ScratchFailures().empty()
                 ? ScratchError(*extract_, catalogue_folder_)
                 : platform::FileErrorText(platform::FileStep::kCreate, path_,
                                           extract_->WorkbookError()) +
                       "\n";
    return false;
  }

  engine::FindingSink* sink() override { return extract_.get(); }

  // The rows are written beside the other outputs' finishing: the extract touches only its own
  // files and tables. (Without a thread to be had, they are written at get().)
  void Start(const RunOutcome& outcome) override {
    ProgressLine* const progress = outputs::IsXlsxPath(path_) ? outcome.progress : nullptr;
    const std::string name = OutputFileName(path_);
    if (progress != nullptr) {
      extract_->SetProgress([progress, name](std::uint64_t done, std::uint64_t total) {
        progress->Writing(name, done, total);
      });
    }
    written_ = std::async(std::launch::async | std::launch::deferred, [this, progress, name] {
      if (progress != nullptr) progress->Writing(name);
      const bool written = extract_->Finish();
      if (progress != nullptr) progress->Written(name);
      return written;
    });
  }

  // Puts the extract's files in place once it was written; else the message that says why not:
  // its temporary files, the output's own write error, or an input that could no longer be read.
  std::string Finish(RunOutcome&) override {
    const bool written = written_.get();
    if (!extract_->ScratchFailures().empty()) return ScratchError(*extract_, catalogue_folder_);
    std::string problems;
    for (cmdline::OutputFile* file : {risks_.get(), claims_.get()}) {
      // A stream that failed is closed only to learn why; Close() then puts nothing in place.
      if (file != nullptr && (written || file->stream().fail()) && !file->Close()) {
        problems += file->WriteError() + "\n";
      }
    }
    if (!written && problems.empty()) {
      problems =
          platform::FileErrorText(platform::FileStep::kWrite, path_, extract_->WorkbookError()) +
          "\n";
    }
    return problems;
  }

 private:
  std::string path_;
  std::string catalogue_folder_;
  std::unique_ptr<cmdline::OutputFile> risks_;
  std::unique_ptr<cmdline::OutputFile> claims_;  // CSV in files only
  std::unique_ptr<outputs::RecordExtract> extract_;
  std::future<bool> written_;
};

}  // namespace

std::unique_ptr<SideOutput> OpenExtract(const OutputSetting& setting, std::string* error) {
  auto extract = std::make_unique<ExtractOutput>(setting.path, setting.catalogue_folder);
  if (!extract->Begin(setting.out, error)) return nullptr;
  return extract;
}

}  // namespace cli
