#include "platform/system_path.h"

namespace platform {

std::string SystemPath(const std::filesystem::path& path) { return path.string(); }

std::filesystem::path FileSystemPath(const std::string& path) { return path; }

std::optional<std::string> NarrowApiPath(const std::string& path) { return path; }

}  // namespace platform
