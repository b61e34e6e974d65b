#include <unistd.h>

#include <string>
#include <vector>

#include "platform/program_folder.h"

namespace platform {

std::string ExecutableFolder() {
  std::vector<char> buffer(4096);
  ssize_t n = readlink("/proc/self/exe", buffer.data(), buffer.size() - 1);
  if (n <= 0) return {};
  std::string path(buffer.data(), static_cast<std::size_t>(n));
  return path.substr(0, path.rfind('/') + 1);
}

}  // namespace platform
