#pragma once
// Text for a console window. A Windows console shows what WriteConsoleW gives it, whatever its
// code page; UTF-8 bytes written to it as they are show as that code page reads them ("Início" as
// "In├¡cio" in code page 850). A terminal elsewhere takes the UTF-8 bytes themselves.

#include <string_view>

namespace platform {

// Whether descriptor `fd` (1 or 2) is a console window: always false but on Windows.
bool IsConsole(int fd);
// Writes UTF-8 `text` to the console of `fd` as UTF-16 (bytes that are no UTF-8 show as U+FFFD);
// false when the console took none of it.
bool WriteConsoleText(int fd, std::string_view text);

}  // namespace platform
