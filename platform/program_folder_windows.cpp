#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include <string>
#include <vector>

#include "platform/program_folder.h"
#include "platform/wide_path_windows.h"

namespace platform {

std::string ExecutableFolder() {
  // GetModuleFileNameW truncates silently when the buffer is too small (and then fills it to
  // the last character), so the buffer grows until the path fits with room to spare.
  std::vector<wchar_t> buffer(MAX_PATH);
  for (;;) {
    const DWORD n = GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
    if (n == 0) return {};
    if (n < buffer.size()) {
      const std::string path = Utf8Path(std::wstring_view(buffer.data(), n));
      const std::size_t cut = path.find_last_of("\\/");
      return cut == std::string::npos ? std::string() : path.substr(0, cut + 1);
    }
    if (buffer.size() >= 32768) return {};  // longer than any Windows path
    buffer.resize(buffer.size() * 2);
  }
}

}  // namespace platform
