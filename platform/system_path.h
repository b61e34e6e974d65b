#pragma once
// A path as the system's narrow file functions take it, which is how every file function of this
// project takes paths: the bytes as they are on POSIX, the ANSI code page on Windows (where a
// std::filesystem::path's string() would give UTF-8, naming another file or none when the path
// holds an accented letter). A character the code page lacks becomes "?", so such a path names
// no file rather than another one.

#include <filesystem>
#include <string>

namespace platform {

std::string SystemPath(const std::filesystem::path& path);

}  // namespace platform
