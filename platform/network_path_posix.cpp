#include <sys/vfs.h>

#include <cstdint>

#include "platform/network_path.h"

namespace platform {
namespace {

// The magic numbers statfs reports (linux/magic.h).
constexpr std::uint32_t kNfs = 0x6969;
constexpr std::uint32_t kSmb = 0x517B;
constexpr std::uint32_t kCifs = 0xFF534D42;
constexpr std::uint32_t kSmb2 = 0xFE534D42;

}  // namespace

bool OnNetworkShare(const std::string& path) {
  struct statfs fs {};
  if (::statfs(path.c_str(), &fs) != 0) {
    const std::string::size_type slash = path.find_last_of('/');
    const std::string folder =
        slash == std::string::npos ? std::string(".") : path.substr(0, slash == 0 ? 1 : slash);
    if (::statfs(folder.c_str(), &fs) != 0) return false;
  }
  const auto type = static_cast<std::uint32_t>(fs.f_type);
  return type == kNfs || type == kSmb || type == kCifs || type == kSmb2;
}

}  // namespace platform
