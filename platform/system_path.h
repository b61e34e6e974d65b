#pragma once
// A path as every file function of this project takes it: the bytes as they are on POSIX,
// UTF-8 on Windows, where the platform's files hand it to the system's wide API (so a name in
// any script names exactly that file). A std::filesystem::path converts to and from it here:
// built from a plain std::string, it would read the text in another encoding on Windows.

#include <filesystem>
#include <optional>
#include <string>

namespace platform {

std::string SystemPath(const std::filesystem::path& path);
std::filesystem::path FileSystemPath(const std::string& path);

// The path for a library that opens files by a narrow name, which on Windows goes through the
// ANSI code page (the workbook writer): there the path in that code page when it holds every
// character, else the system's short name of the existing file or folder when that one does;
// nullopt when neither names it (never a path that names another file). POSIX: the path.
std::optional<std::string> NarrowApiPath(const std::string& path);

}  // namespace platform
