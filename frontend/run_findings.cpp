#include "frontend/run_findings.h"

#include <numeric>
#include <random>
#include <system_error>
#include <vector>

#include "frontend/failure_file_index.h"
#include "frontend/failure_list_error.h"
#include "frontend/failure_rows_save.h"
#include "frontend/report_export.h"
#include "outputs/findings_xlsx.h"
#include "platform/exclusive_file.h"
#include "platform/file_error.h"
#include "platform/system_path.h"

namespace frontend {

RunFindings::RunFindings() {
  std::random_device seed;
  std::mt19937_64 random((static_cast<std::uint64_t>(seed()) << 32) ^ seed());
  const std::string folder = platform::TempFolder();
  for (int attempt = 0; attempt < 100 && temp_path_.empty(); ++attempt) {
    const std::string candidate = folder + "talmero-falhas-" + std::to_string(random()) + ".csv";
    // CreateNew never opens a file that was already there, nor one through a link. No
    // interruption falls between creating the file and registering it.
    const platform::DeferInterrupts deferred;
    if (auto file = platform::ExclusiveFile::CreateNew(candidate)) {
      temp_path_ = candidate;
      on_interrupt_ = platform::RemoveOnInterrupt(temp_path_);
    }
  }
  if (temp_path_.empty()) return;
  out_.open(platform::FileSystemPath(temp_path_), std::ios::binary | std::ios::trunc);
  if (!out_) return;
  writer_ = std::make_unique<outputs::FindingsCsv>(out_);
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

std::string RunFindings::SaveAs(const std::filesystem::path& path, SaveProgress* progress) const {
  if (!ready_) {
    return platform::FileErrorText(platform::FileStep::kCreate, FullPathText(path),
                                   "Nenhuma lista de falhas");
  }
  if (outputs::IsXlsxPath(path.string())) {
    try {
      const FailureFileIndex index(temp_path_);
      std::vector<std::uint32_t> rows(index.RowCount());
      std::iota(rows.begin(), rows.end(), 0u);
      return SaveRowsXlsx(index, rows, path, progress);
    } catch (const FailureListError& error) {
      return error.what();
    }
  }
  // The list's bytes, written as a new file of the user's (not a copy of the private temporary
  // file, whose mode would come along).
  std::ifstream in(platform::FileSystemPath(temp_path_), std::ios::binary);
  if (progress != nullptr) {
    std::error_code unknown;
    const std::uintmax_t size =
        std::filesystem::file_size(platform::FileSystemPath(temp_path_), unknown);
    progress->SetTotal(unknown ? 0 : size);
  }
  return WriteFileWith(path, [&in, progress](const ByteSink& put) {
    std::vector<char> buffer(1 << 20);
    while (in) {
      if (progress != nullptr && progress->cancelled()) return false;
      in.read(buffer.data(), static_cast<std::streamsize>(buffer.size()));
      const auto got = static_cast<std::size_t>(in.gcount());
      if (got > 0 && !put(std::string_view(buffer.data(), got))) return false;
      if (progress != nullptr) progress->Advance(got);
    }
    return in.eof();
  });
}

}  // namespace frontend
