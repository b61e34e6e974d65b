#include <io.h>
#include <windows.h>

#include <string>

#include "platform/console.h"

namespace platform {
namespace {

HANDLE HandleOf(int fd) { return reinterpret_cast<HANDLE>(_get_osfhandle(fd)); }

}  // namespace

bool IsConsole(int fd) {
  DWORD mode = 0;
  const HANDLE handle = HandleOf(fd);
  return handle != INVALID_HANDLE_VALUE && GetConsoleMode(handle, &mode) != 0;
}

bool WriteConsoleText(int fd, std::string_view text) {
  if (text.empty()) return true;
  const HANDLE handle = HandleOf(fd);
  // The text goes in pieces of at most 1 MiB, each converted whole: a caller hands whole
  // characters, and a piece is cut only between them.
  while (!text.empty()) {
    std::size_t size = text.size() < (1u << 20) ? text.size() : (1u << 20);
    while (size < text.size() && size > 0 &&
           (static_cast<unsigned char>(text[size]) & 0xC0) == 0x80) {
      --size;  // not inside a character
    }
    const int wide_size =
        MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(size), nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(wide_size), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(size), wide.data(), wide_size);
    const wchar_t* at = wide.data();
    DWORD left = static_cast<DWORD>(wide.size());
    while (left > 0) {
      DWORD written = 0;
      if (WriteConsoleW(handle, at, left, &written, nullptr) == 0 || written == 0) return false;
      at += written;
      left -= written;
    }
    text.remove_prefix(size);
  }
  return true;
}

}  // namespace platform
