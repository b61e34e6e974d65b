#include <cstdlib>
#include <filesystem>
#include <string>
#include <system_error>

#include "platform/user_data_folder.h"

namespace platform {

std::string UserDataFolder() {
  // A relative XDG_DATA_HOME is to be ignored, as desktops do.
  if (const char* data = std::getenv("XDG_DATA_HOME"); data != nullptr && data[0] == '/') {
    std::string folder = data;
    if (folder.back() != '/') folder += '/';
    return folder;
  }
  const char* home = std::getenv("HOME");
  if (home == nullptr || home[0] != '/') return {};
  std::string folder = home;
  if (folder.back() != '/') folder += '/';
  return folder + ".local/share/";
}

bool MakeFolders(const std::string& folder) {
  std::error_code error;
  std::filesystem::create_directories(folder, error);
  // A folder made here is the user's alone; one that was there keeps its mode.
  if (!error) {
    std::filesystem::permissions(folder, std::filesystem::perms::owner_all,
                                 std::filesystem::perm_options::replace, error);
  }
  return std::filesystem::is_directory(folder, error);
}

}  // namespace platform
