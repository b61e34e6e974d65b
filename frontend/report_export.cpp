#include "frontend/report_export.h"

#include <optional>

#include "platform/atomic_output.h"
#include "platform/file_error.h"
#include "platform/system_path.h"
#include "platform/system_text.h"

namespace frontend {
std::string ExportBytes(const std::vector<std::string>& lines) {
  std::size_t total = 0;
  for (const auto& line : lines) total += line.size() + 2;
  std::string bytes;
  bytes.reserve(total);
  for (const auto& line : lines) {
    bytes += line;
    bytes += "\r\n";
  }
  return bytes;
}

std::string FullPathText(const std::filesystem::path& path) {
  std::error_code ignored;
  std::filesystem::path full = std::filesystem::absolute(path, ignored);
  if (full.empty()) full = path;
  const std::u8string text = full.make_preferred().u8string();
  return std::string(text.begin(), text.end());
}

namespace {

// The file appears whole or not at all, with the mode of the file it replaces (else 0666 less
// the umask); a failed or interrupted save leaves an earlier file of the name as it was and no
// temporary file behind.
std::string WriteAtomically(const std::filesystem::path& path,
                            const std::function<bool(platform::AtomicOutput& out)>& produce) {
  std::string reason;
  std::optional<platform::AtomicOutput> out =
      platform::AtomicOutput::Create(platform::SystemPath(path), &reason);
  // The reason comes in the system's encoding, the path as UTF-8: one encoding for the box.
  if (!out) {
    return platform::FileErrorText(platform::FileStep::kCreate, FullPathText(path),
                                   platform::SystemTextToUtf8(reason));
  }
  if (!produce(*out) || !out->Commit()) {
    return platform::FileErrorText(platform::FileStep::kWrite, FullPathText(path),
                                   platform::SystemTextToUtf8(out->ErrorText()));
  }
  return {};
}

}  // namespace

std::string WriteFileWith(const std::filesystem::path& path,
                          const std::function<bool(const ByteSink& put)>& produce) {
  return WriteAtomically(path, [&produce](platform::AtomicOutput& out) {
    return produce([&out](std::string_view bytes) { return out.Write(bytes); });
  });
}

std::string WriteFileNamed(const std::filesystem::path& path,
                           const std::function<bool(const std::string& temp_path)>& produce) {
  return WriteAtomically(
      path, [&produce](platform::AtomicOutput& out) { return produce(out.temp_path()); });
}

std::string WriteFileBytes(const std::filesystem::path& path, const std::string& bytes) {
  return WriteFileWith(path, [&bytes](const ByteSink& put) { return put(bytes); });
}

std::string WriteReport(const std::filesystem::path& path, const std::vector<std::string>& lines) {
  return WriteFileBytes(path, ExportBytes(lines));
}

}  // namespace frontend
