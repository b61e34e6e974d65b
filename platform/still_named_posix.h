#pragma once
// Whether `path` still names the open file `fd` (the path itself, not a link's target). Between a
// create and its lock another run may take the new file for a leftover and remove it; writing on
// would build a file nobody can find, and the name, deleted later, might be the other run's.

#include <sys/stat.h>

#include <string>

namespace platform {

inline bool StillNamed(int fd, const std::string& path) {
  struct stat mine {};
  struct stat named {};
  return fstat(fd, &mine) == 0 && lstat(path.c_str(), &named) == 0 && mine.st_ino == named.st_ino &&
         mine.st_dev == named.st_dev;
}

}  // namespace platform
