#pragma once
// Texts between the engine and the frontend core (bytes) and the wide Windows API.

#include <string>
#include <string_view>

namespace winui {

std::wstring Widen(std::string_view utf8);
std::string Narrow(std::wstring_view wide);  // to UTF-8
// A path as the engine's file functions take it (UTF-8, handed to the wide API by the platform
// layer: platform/system_path.h), and back: a name in any script stays the name typed.
std::string ToPath(std::wstring_view wide);
std::wstring FromPath(std::string_view path);

}  // namespace winui
