#include "frontend/run_findings.h"

#include <random>
#include <system_error>

#include "frontend/report_export.h"
#include "platform/exclusive_file.h"

namespace frontend {

RunFindings::RunFindings() {
  std::random_device seed;
  std::mt19937_64 random((static_cast<std::uint64_t>(seed()) << 32) ^ seed());
  const std::string folder = platform::TempFolder();
  for (int attempt = 0; attempt < 100 && temp_path_.empty(); ++attempt) {
    const std::string candidate = folder + "talmero-falhas-" + std::to_string(random()) + ".csv";
    // CreateNew never opens a file that was already there, nor one through a link.
    if (auto file = platform::ExclusiveFile::CreateNew(candidate)) temp_path_ = candidate;
  }
  if (temp_path_.empty()) return;
  out_.open(temp_path_, std::ios::binary | std::ios::trunc);
  if (!out_) return;
  writer_ = std::make_unique<engine::FindingsCsv>(out_);
}

RunFindings::~RunFindings() {
  writer_.reset();
  out_.close();
  if (!temp_path_.empty()) platform::DeleteFile(temp_path_);
}

bool RunFindings::Finish() {
  if (!writer_) return false;
  const bool written = writer_->Finish();
  out_.close();
  ready_ = written && !out_.fail();
  return ready_;
}

std::string RunFindings::SaveAs(const std::filesystem::path& path) const {
  const std::string failed = "Cannot create file \"" + FullPathText(path) + "\". ";
  if (!ready_) return failed + "No failure list";
  std::error_code error;
  std::filesystem::copy_file(temp_path_, path, std::filesystem::copy_options::overwrite_existing,
                             error);
  if (error) return failed + error.message();
  return {};
}

}  // namespace frontend
