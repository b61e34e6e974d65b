#include "frontend/file_snapshot.h"

#include <filesystem>
#include <system_error>

#include "platform/system_path.h"

namespace frontend {

std::optional<FileSnapshot> TakeSnapshot(const std::string& path) {
  std::error_code error;
  const std::filesystem::path file = platform::FileSystemPath(path);
  const auto status = std::filesystem::status(file, error);
  if (error || !std::filesystem::is_regular_file(status)) return std::nullopt;
  const std::uintmax_t size = std::filesystem::file_size(file, error);
  if (error) return std::nullopt;
  const auto modified = std::filesystem::last_write_time(file, error);
  if (error) return std::nullopt;
  return FileSnapshot{static_cast<std::uint64_t>(size),
                      static_cast<std::int64_t>(modified.time_since_epoch().count())};
}

}  // namespace frontend
