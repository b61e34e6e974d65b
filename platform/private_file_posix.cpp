#include <fcntl.h>
#include <unistd.h>

#include "platform/private_file.h"

namespace platform {

bool CreatePrivateFile(const std::string& path) {
  // O_EXCL: an existing file or link is left alone; the umask can only take bits away.
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
  if (fd < 0) return false;
  ::close(fd);
  return true;
}

}  // namespace platform
