#include <windows.h>

#include "platform/private_file.h"
#include "platform/wide_path_windows.h"

namespace platform {

bool CreatePrivateFile(const std::string& path) {
  const HANDLE file = CreateFileW(WidePath(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  CloseHandle(file);
  return true;
}

}  // namespace platform
