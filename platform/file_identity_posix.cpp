#include <sys/stat.h>

#include "platform/file_identity.h"

namespace platform {

std::optional<FileIdentity> IdentityOf(const std::string& path) {
  struct stat st {};
  if (path.empty() || stat(path.c_str(), &st) != 0) return std::nullopt;
  return FileIdentity{static_cast<std::uint64_t>(st.st_dev), static_cast<std::uint64_t>(st.st_ino)};
}

bool SameName(const std::string& a, const std::string& b) { return a == b; }

}  // namespace platform
