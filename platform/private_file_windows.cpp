#include <windows.h>
// after windows.h, which it needs
#include <sddl.h>

#include <string>
#include <vector>

#include "platform/private_file.h"
#include "platform/wide_path_windows.h"

namespace platform {
namespace {

// "D:P(A;;FA;;;<the user's SID>)": full access for the user running the program and nobody else,
// none inherited from the folder. Empty when the user's SID cannot be had.
std::wstring OwnerOnlyDescriptor() {
  HANDLE token = nullptr;
  if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) return {};
  DWORD size = 0;
  GetTokenInformation(token, TokenUser, nullptr, 0, &size);
  std::vector<unsigned char> buffer(size);
  std::wstring descriptor;
  if (size > 0 && GetTokenInformation(token, TokenUser, buffer.data(), size, &size)) {
    wchar_t* sid = nullptr;
    if (ConvertSidToStringSidW(reinterpret_cast<TOKEN_USER*>(buffer.data())->User.Sid, &sid)) {
      descriptor = L"D:P(A;;FA;;;" + std::wstring(sid) + L")";
      LocalFree(sid);
    }
  }
  CloseHandle(token);
  return descriptor;
}

}  // namespace

bool CreatePrivateFile(const std::string& path) {
  // Without the user's SID the file takes the folder's permissions (a user's own folders are the
  // user's) rather than not being created at all.
  SECURITY_ATTRIBUTES attributes{sizeof(SECURITY_ATTRIBUTES), nullptr, FALSE};
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  const std::wstring sddl = OwnerOnlyDescriptor();
  if (!sddl.empty() && ConvertStringSecurityDescriptorToSecurityDescriptorW(
                           sddl.c_str(), SDDL_REVISION_1, &descriptor, nullptr)) {
    attributes.lpSecurityDescriptor = descriptor;
  }
  const HANDLE file = CreateFileW(WidePath(path).c_str(), GENERIC_WRITE, 0,
                                  descriptor != nullptr ? &attributes : nullptr, CREATE_NEW,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
  if (descriptor != nullptr) LocalFree(descriptor);
  if (file == INVALID_HANDLE_VALUE) return false;
  CloseHandle(file);
  return true;
}

}  // namespace platform
