#include <sys/stat.h>

#include "platform/file_identity.h"

namespace platform {
namespace {

FileIdentity Identity(const struct stat& st) {
  return {static_cast<std::uint64_t>(st.st_dev), static_cast<std::uint64_t>(st.st_ino)};
}

}  // namespace

std::optional<FileIdentity> IdentityOf(const std::string& path) {
  struct stat st {};
  if (path.empty() || stat(path.c_str(), &st) != 0) return std::nullopt;
  return Identity(st);
}

std::optional<FileIdentity> StandardOutputIdentity() {
  struct stat st {};
  if (fstat(1, &st) != 0) return std::nullopt;
  return Identity(st);
}

bool SameName(const std::string& a, const std::string& b) { return a == b; }

}  // namespace platform
