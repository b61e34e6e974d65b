#include <windows.h>

#include <vector>

#include "platform/network_path.h"
#include "platform/wide_path_windows.h"

namespace platform {

bool OnNetworkShare(const std::string& path) {
  const std::wstring wide = WidePath(path);
  const DWORD length = GetFullPathNameW(wide.c_str(), 0, nullptr, nullptr);
  if (length == 0) return false;
  std::vector<wchar_t> full(length + 1);
  GetFullPathNameW(wide.c_str(), length + 1, full.data(), nullptr);
  const std::wstring_view text(full.data());
  // \\server\share\... and \\?\UNC\server\share\...
  if (text.starts_with(L"\\\\?\\UNC\\")) return true;
  if (text.starts_with(L"\\\\") && !text.starts_with(L"\\\\?\\") && !text.starts_with(L"\\\\.\\")) {
    return true;
  }
  std::vector<wchar_t> volume(full.size() + 1);
  if (!GetVolumePathNameW(full.data(), volume.data(), static_cast<DWORD>(volume.size()))) {
    return false;
  }
  return GetDriveTypeW(volume.data()) == DRIVE_REMOTE;
}

}  // namespace platform
