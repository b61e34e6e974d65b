#pragma once
// Folder texts end with a separator so that a file name can simply be appended.
#include <string>

namespace platform {

// `folder` with the system's separator added unless it already ends with one (on Windows either
// separator ends a folder). An empty text stays empty: it means the current folder.
inline std::string WithTrailingSeparator(std::string folder) {
#ifdef _WIN32
  if (!folder.empty() && folder.back() != '/' && folder.back() != '\\') folder += '\\';
#else
  if (!folder.empty() && folder.back() != '/') folder += '/';
#endif
  return folder;
}

}  // namespace platform
