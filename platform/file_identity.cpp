#include "platform/file_identity.h"

#include <filesystem>

namespace platform {
namespace {

// The folder a path's file is in ("." for a bare name).
std::string FolderOf(const std::filesystem::path& path) {
  const std::filesystem::path folder = path.parent_path();
  return folder.empty() ? std::string(".") : folder.string();
}

}  // namespace

bool SameFile(const std::string& a, const std::string& b) {
  const std::optional<FileIdentity> first = IdentityOf(a);
  return first && first == IdentityOf(b);
}

bool SameTarget(const std::string& a, const std::string& b) {
  if (a == b) return true;
  const std::optional<FileIdentity> first = IdentityOf(a);
  const std::optional<FileIdentity> second = IdentityOf(b);
  if (first || second) return first == second;
  const std::filesystem::path pa(a);
  const std::filesystem::path pb(b);
  return !pa.filename().empty() && pa.filename() == pb.filename() &&
         SameFile(FolderOf(pa), FolderOf(pb));
}

}  // namespace platform
