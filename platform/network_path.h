#pragma once
// Whether a file lies on a network share, where file locks cannot be trusted (the history's
// database refuses such a place). POSIX: the file system of the file, or of its folder when the
// file does not exist yet, is NFS, CIFS or SMB; Windows: a UNC path or a drive the system calls
// remote.

#include <string>

namespace platform {

bool OnNetworkShare(const std::string& path);

}  // namespace platform
