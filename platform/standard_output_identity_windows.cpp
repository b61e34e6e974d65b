// StandardOutputIdentity() on Windows (platform/file_identity.h): the file behind the standard
// output handle, as IdentityOf() names files (a console has none).
#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include "platform/file_identity.h"

namespace platform {

std::optional<FileIdentity> StandardOutputIdentity() {
  const HANDLE h = GetStdHandle(STD_OUTPUT_HANDLE);
  if (h == nullptr || h == INVALID_HANDLE_VALUE) return std::nullopt;
  BY_HANDLE_FILE_INFORMATION info{};
  if (!GetFileInformationByHandle(h, &info)) return std::nullopt;
  return FileIdentity{info.dwVolumeSerialNumber,
                      (std::uint64_t{info.nFileIndexHigh} << 32) | info.nFileIndexLow};
}

}  // namespace platform
