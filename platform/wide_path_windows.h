#pragma once
// Windows only, used by the platform's Windows files: paths are kept as UTF-8 texts everywhere
// above this layer, and every system call takes them as UTF-16 through the wide API, so a name
// in any script (Greek, Japanese, emoji) names exactly the file typed.

#include <string>
#include <string_view>

namespace platform {

// The UTF-16 of a path. A text that is not UTF-8 (bytes of the ANSI code page, as earlier
// versions kept paths) is read in the ANSI code page.
std::wstring WidePath(std::string_view path);

// The UTF-8 of a wide text from the system (a command line, a dialog, a folder the system
// names). A lone surrogate, which UTF-8 cannot carry, becomes "?": no file name holds one, so
// such a path names no file rather than another one.
std::string Utf8Path(std::wstring_view wide);

}  // namespace platform
