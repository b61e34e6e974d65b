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

// The system's null device.
#ifdef _WIN32
constexpr const char* kNullDevice = "NUL";
#else
constexpr const char* kNullDevice = "/dev/null";
#endif

constexpr int kMaxLinks = 40;

}  // namespace

std::string FinalTarget(const std::string& path) {
  std::filesystem::path named = FileSystemPath(path);
  for (int i = 0; i < kMaxLinks; ++i) {
    std::error_code error;
    if (!std::filesystem::is_symlink(named, error)) break;
    const std::filesystem::path link = std::filesystem::read_symlink(named, error);
    if (error || link.empty()) break;
    named = link.is_absolute() ? link : named.parent_path() / link;
  }
  return SystemPath(named);
}

bool IsStandardOutput(const std::string& path) {
  const std::optional<FileIdentity> out = StandardOutputIdentity();
  return out && out == IdentityOf(path) && out != IdentityOf(kNullDevice);
}

bool SameFile(const std::string& a, const std::string& b) {
  const std::optional<FileIdentity> first = IdentityOf(a);
  return first && first == IdentityOf(b);
}

bool SameTarget(const std::string& a, const std::string& b) {
  if (SameName(a, b)) return true;
  const std::optional<FileIdentity> first = IdentityOf(a);
  const std::optional<FileIdentity> second = IdentityOf(b);
  if (first || second) return first == second;
  // Neither exists yet: a link names the file it will create.
  const std::filesystem::path pa = FileSystemPath(FinalTarget(a));
  const std::filesystem::path pb = FileSystemPath(FinalTarget(b));
  return !pa.filename().empty() && SameName(SystemPath(pa.filename()), SystemPath(pb.filename())) &&
         SameFile(FolderOf(pa), FolderOf(pb));
}

}  // namespace platform
