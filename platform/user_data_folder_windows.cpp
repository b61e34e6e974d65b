#define WIN32_LEAN_AND_MEAN
#include <windows.h>
// windows.h first
#include <knownfolders.h>
#include <shlobj.h>

#include <filesystem>
#include <string>
#include <system_error>

#include "platform/system_path.h"
#include "platform/user_data_folder.h"
#include "platform/wide_path_windows.h"

namespace platform {

std::string UserDataFolder() {
  PWSTR path = nullptr;
  std::string folder;
  if (SUCCEEDED(SHGetKnownFolderPath(FOLDERID_LocalAppData, KF_FLAG_DEFAULT, nullptr, &path))) {
    folder = Utf8Path(path);
  }
  CoTaskMemFree(path);  // asked for even when the call failed
  if (!folder.empty() && folder.back() != '\\') folder += '\\';
  return folder;
}

bool MakeFolders(const std::string& folder) {
  // The local application data folder is the user's already; what is made in it inherits that.
  std::error_code error;
  std::filesystem::create_directories(FileSystemPath(folder), error);
  return std::filesystem::is_directory(FileSystemPath(folder), error);
}

}  // namespace platform
