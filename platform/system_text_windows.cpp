#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include "platform/system_text.h"

namespace platform {

std::string SystemTextToUtf8(std::string_view text) {
  if (text.empty()) return {};
  const int size = static_cast<int>(text.size());
  // Valid UTF-8 (the system's messages) stays as it is.
  if (MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, text.data(), size, nullptr, 0) != 0) {
    return std::string(text);
  }
  const int wide_size = MultiByteToWideChar(CP_ACP, 0, text.data(), size, nullptr, 0);
  std::wstring wide(static_cast<std::size_t>(wide_size), L'\0');
  MultiByteToWideChar(CP_ACP, 0, text.data(), size, wide.data(), wide_size);
  const int n =
      WideCharToMultiByte(CP_UTF8, 0, wide.data(), wide_size, nullptr, 0, nullptr, nullptr);
  std::string utf8(static_cast<std::size_t>(n), '\0');
  WideCharToMultiByte(CP_UTF8, 0, wide.data(), wide_size, utf8.data(), n, nullptr, nullptr);
  return utf8;
}

}  // namespace platform
