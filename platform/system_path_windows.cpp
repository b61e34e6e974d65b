#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include <vector>

#include "platform/system_path.h"
#include "platform/wide_path_windows.h"

namespace platform {
namespace {

// `wide` in the ANSI code page, or nullopt when a character is not there: no best fit (which
// would turn "α" into "a", another file's name) and no default character.
std::optional<std::string> InAnsiCodePage(const std::wstring& wide) {
  if (wide.empty()) return std::string();
  const int size = static_cast<int>(wide.size());
  BOOL lossy = FALSE;
  const int n = WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide.data(), size, nullptr, 0,
                                    nullptr, &lossy);
  if (n == 0 || lossy) return std::nullopt;
  std::string text(static_cast<std::size_t>(n), '\0');
  WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide.data(), size, text.data(), n, nullptr,
                      &lossy);
  if (lossy) return std::nullopt;
  return text;
}

std::wstring ShortName(const std::wstring& wide) {
  const DWORD n = GetShortPathNameW(wide.c_str(), nullptr, 0);
  if (n == 0) return {};
  std::vector<wchar_t> buffer(n);
  const DWORD got = GetShortPathNameW(wide.c_str(), buffer.data(), n);
  if (got == 0 || got >= n) return {};
  return std::wstring(buffer.data(), got);
}

}  // namespace

std::string SystemPath(const std::filesystem::path& path) { return Utf8Path(path.native()); }

std::filesystem::path FileSystemPath(const std::string& path) {
  return std::filesystem::path(WidePath(path));
}

std::optional<std::string> NarrowApiPath(const std::string& path) {
  const std::wstring wide = WidePath(path);
  if (std::optional<std::string> ansi = InAnsiCodePage(wide)) return ansi;
  const std::wstring short_name = ShortName(wide);
  if (short_name.empty()) return std::nullopt;
  return InAnsiCodePage(short_name);
}

}  // namespace platform
