#include <memory>
#include <ostream>
#include <string>

#include "cli/output_steps.h"
#include "cmdline/output_file.h"
#include "engine/text.h"

namespace cli {
namespace {

// The report's lines, also when an error ended the run: UTF-8 on standard output, or with
// --saida as the window's export.
class ReportOutput : public SideOutput {
 public:
  ReportOutput(const std::string& path, std::ostream& out) : path_(path), out_(out) {}

  std::string Finish(RunOutcome& outcome) override {
    if (path_.empty()) {
      cmdline::OutputFile file(cmdline::kStandardOutput, out_);
      for (const auto& line : outcome.lines) out_ << engine::Win1252ToUtf8(line) << '\n';
      return file.Close() ? std::string() : file.WriteError() + "\n";
    }
    cmdline::OutputFile file(path_, out_);
    if (!file.ok()) return file.CreateError() + "\n";
    for (const auto& line : outcome.lines) file.stream() << line << "\r\n";
    return file.Close() ? std::string() : file.WriteError() + "\n";
  }

 private:
  std::string path_;  // empty: standard output
  std::ostream& out_;
};

}  // namespace

std::unique_ptr<SideOutput> OpenReport(const OutputSetting& setting, std::string*) {
  return std::make_unique<ReportOutput>(setting.path, setting.out);
}

}  // namespace cli
