#pragma once
// Texts between the engine and the frontend core (bytes) and the wide Windows API.

#include <string>
#include <string_view>

namespace winui {

std::wstring Widen(std::string_view utf8);
std::string Narrow(std::wstring_view wide);  // to UTF-8
// A path as the engine's file functions (the ANSI API) take it; characters outside the ANSI
// code page become "?", so such a file is reported as missing.
std::string ToAnsiPath(std::wstring_view wide);
std::wstring FromAnsiPath(std::string_view ansi);

}  // namespace winui
