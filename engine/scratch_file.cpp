#include "engine/scratch_file.h"

#include "platform/interrupt_cleanup.h"
#include "platform/unique_name.h"

namespace engine {
namespace {

constexpr int kNameAttempts = 16;

}  // namespace

std::vector<std::string> ScratchFolders(const std::string& fallback_folder) {
  std::vector<std::string> folders{platform::TempFolder()};
  if (!fallback_folder.empty() && fallback_folder != folders.front()) {
    folders.push_back(fallback_folder);
  }
  return folders;
}

std::optional<platform::ExclusiveFile> CreateScratchFileIn(const std::string& folder,
                                                           std::string_view stem,
                                                           std::string* reason) {
  for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
    const std::string path = folder + platform::UniqueName(stem, ".tmp");
    const platform::DeferInterrupts defer;  // created and unlinked as one step
    std::optional<platform::ExclusiveFile> file =
        platform::ExclusiveFile::CreateTemporary(path, reason);
    if (!file) continue;
#ifndef _WIN32
    platform::DeleteFile(path);  // the open file stays usable; no name is left to clean up
#endif
    return file;
  }
  return std::nullopt;
}

std::optional<platform::ExclusiveFile> CreateScratchFile(std::string_view stem,
                                                         const std::string& fallback_folder,
                                                         std::string* reason) {
  for (const std::string& folder : ScratchFolders(fallback_folder)) {
    std::optional<platform::ExclusiveFile> file = CreateScratchFileIn(folder, stem, reason);
    if (file) return file;
  }
  return std::nullopt;
}

}  // namespace engine
