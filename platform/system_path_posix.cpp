#include "platform/system_path.h"

namespace platform {

std::string SystemPath(const std::filesystem::path& path) { return path.string(); }

}  // namespace platform
