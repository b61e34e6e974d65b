#include "platform/file_identity.h"

namespace platform {

bool SameFile(const std::string& a, const std::string& b) {
  const std::optional<FileIdentity> first = IdentityOf(a);
  return first && first == IdentityOf(b);
}

}  // namespace platform
