#include "platform/file_identity.h"

#include <filesystem>

#include "platform/system_path.h"

namespace platform {
namespace {

// The folder a path's file is in ("." for a bare name).
std::string FolderOf(const std::filesystem::path& path) {
  const std::filesystem::path folder = path.parent_path();
  return folder.empty() ? std::string(".") : SystemPath(folder);
}

}  // namespace

bool SameFile(const std::string& a, const std::string& b) {
  const std::optional<FileIdentity> first = IdentityOf(a);
  return first && first == IdentityOf(b);
}

bool SameTarget(const std::string& a, const std::string& b) {
  if (SameName(a, b)) return true;
  const std::optional<FileIdentity> first = IdentityOf(a);
  const std::optional<FileIdentity> second = IdentityOf(b);
  if (first || second) return first == second;
  const std::filesystem::path pa = FileSystemPath(a);
  const std::filesystem::path pb = FileSystemPath(b);
  return !pa.filename().empty() && SameName(SystemPath(pa.filename()), SystemPath(pb.filename())) &&
         SameFile(FolderOf(pa), FolderOf(pb));
}

}  // namespace platform
