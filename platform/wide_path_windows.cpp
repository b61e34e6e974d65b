#define WIN32_LEAN_AND_MEAN
#include "platform/wide_path_windows.h"

#include <windows.h>

namespace platform {
namespace {

bool HighSurrogate(wchar_t c) { return c >= 0xD800 && c <= 0xDBFF; }
bool LowSurrogate(wchar_t c) { return c >= 0xDC00 && c <= 0xDFFF; }

}  // namespace

std::wstring WidePath(std::string_view path) {
  if (path.empty()) return {};
  const int size = static_cast<int>(path.size());
  UINT code_page = CP_UTF8;
  DWORD flags = MB_ERR_INVALID_CHARS;
  int n = MultiByteToWideChar(code_page, flags, path.data(), size, nullptr, 0);
  if (n == 0) {
    code_page = CP_ACP;
    flags = 0;
    n = MultiByteToWideChar(code_page, flags, path.data(), size, nullptr, 0);
  }
  std::wstring wide(static_cast<std::size_t>(n), L'\0');
  MultiByteToWideChar(code_page, flags, path.data(), size, wide.data(), n);
  return wide;
}

std::string Utf8Path(std::wstring_view wide) {
  if (wide.empty()) return {};
  std::wstring checked(wide);
  for (std::size_t i = 0; i < checked.size(); ++i) {
    if (HighSurrogate(checked[i]) && i + 1 < checked.size() && LowSurrogate(checked[i + 1])) {
      ++i;
    } else if (HighSurrogate(checked[i]) || LowSurrogate(checked[i])) {
      checked[i] = L'?';
    }
  }
  const int size = static_cast<int>(checked.size());
  const int n = WideCharToMultiByte(CP_UTF8, 0, checked.data(), size, nullptr, 0, nullptr, nullptr);
  std::string text(static_cast<std::size_t>(n), '\0');
  WideCharToMultiByte(CP_UTF8, 0, checked.data(), size, text.data(), n, nullptr, nullptr);
  return text;
}

}  // namespace platform
