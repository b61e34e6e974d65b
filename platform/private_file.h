#pragma once
// A file only its owner reads: created empty when missing, before a library that creates files
// with the usual permissions (the history's database) opens it.

#include <string>

namespace platform {

// Creates `path` empty when no file has that name, never through a link. POSIX: mode 0600;
// Windows: an access list that lets in the user running the program only, nothing inherited.
// Returns whether it created the file; an existing file is left as it is.
bool CreatePrivateFile(const std::string& path);

}  // namespace platform
