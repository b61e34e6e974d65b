#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include "platform/system_path.h"

namespace platform {

std::string SystemPath(const std::filesystem::path& path) {
  const std::wstring& wide = path.native();
  if (wide.empty()) return {};
  const int size = static_cast<int>(wide.size());
  const int n = WideCharToMultiByte(CP_ACP, 0, wide.data(), size, nullptr, 0, nullptr, nullptr);
  std::string text(static_cast<std::size_t>(n), '\0');
  WideCharToMultiByte(CP_ACP, 0, wide.data(), size, text.data(), n, nullptr, nullptr);
  return text;
}

}  // namespace platform
