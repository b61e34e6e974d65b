#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include "platform/file_identity.h"

namespace platform {

std::optional<FileIdentity> IdentityOf(const std::string& path) {
  if (path.empty()) return std::nullopt;
  // No access asked and every sharing allowed: works on a file another holds exclusively,
  // follows links to their target, and opens folders too.
  HANDLE h = CreateFileA(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                         nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (h == INVALID_HANDLE_VALUE) return std::nullopt;
  BY_HANDLE_FILE_INFORMATION info{};
  const BOOL ok = GetFileInformationByHandle(h, &info);
  CloseHandle(h);
  if (!ok) return std::nullopt;
  return FileIdentity{info.dwVolumeSerialNumber,
                      (std::uint64_t{info.nFileIndexHigh} << 32) | info.nFileIndexLow};
}

}  // namespace platform
