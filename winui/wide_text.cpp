#include "winui/wide_text.h"

#include <windows.h>

#include "platform/wide_path_windows.h"

namespace winui {
namespace {

std::wstring ToWide(UINT code_page, std::string_view text) {
  if (text.empty()) return {};
  const int n =
      MultiByteToWideChar(code_page, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  std::wstring wide(static_cast<std::size_t>(n), L'\0');
  MultiByteToWideChar(code_page, 0, text.data(), static_cast<int>(text.size()), wide.data(), n);
  return wide;
}

std::string FromWide(UINT code_page, std::wstring_view wide) {
  if (wide.empty()) return {};
  const int n = WideCharToMultiByte(code_page, 0, wide.data(), static_cast<int>(wide.size()),
                                    nullptr, 0, nullptr, nullptr);
  std::string text(static_cast<std::size_t>(n), '\0');
  WideCharToMultiByte(code_page, 0, wide.data(), static_cast<int>(wide.size()), text.data(), n,
                      nullptr, nullptr);
  return text;
}

}  // namespace

std::wstring Widen(std::string_view utf8) { return ToWide(CP_UTF8, utf8); }
std::string Narrow(std::wstring_view wide) { return FromWide(CP_UTF8, wide); }
std::string ToPath(std::wstring_view wide) { return platform::Utf8Path(wide); }
std::wstring FromPath(std::string_view path) { return platform::WidePath(path); }

}  // namespace winui
