#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include "platform/file_identity.h"
#include "platform/wide_path_windows.h"

namespace platform {

std::optional<FileIdentity> IdentityOf(const std::string& path) {
  if (path.empty()) return std::nullopt;
  // No access asked and every sharing allowed: works on a file another holds exclusively,
  // follows links to their target, and opens folders too.
  HANDLE h =
      CreateFileW(WidePath(path).c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                  nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (h == INVALID_HANDLE_VALUE) return std::nullopt;
  BY_HANDLE_FILE_INFORMATION info{};
  const BOOL ok = GetFileInformationByHandle(h, &info);
  CloseHandle(h);
  if (!ok) return std::nullopt;
  return FileIdentity{info.dwVolumeSerialNumber,
                      (std::uint64_t{info.nFileIndexHigh} << 32) | info.nFileIndexLow};
}

// The ordinal comparison ignoring case is the one the file system makes of names (its own
// table of upper-case letters, no linguistic rules): "R.JSON" and "r.json", "Α.txt" and
// "α.txt" name one entry.
bool SameName(const std::string& a, const std::string& b) {
  if (a == b) return true;
  const std::wstring wa = WidePath(a);
  const std::wstring wb = WidePath(b);
  return CompareStringOrdinal(wa.data(), static_cast<int>(wa.size()), wb.data(),
                              static_cast<int>(wb.size()), TRUE) == CSTR_EQUAL;
}

}  // namespace platform
