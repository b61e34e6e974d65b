#include "engine/scratch_file.h"

#include "platform/interrupt_cleanup.h"
#include "platform/unique_name.h"

namespace engine {
namespace {

constexpr int kNameAttempts = 16;

}  // namespace

std::optional<platform::ExclusiveFile> CreateScratchFile(std::string_view stem,
                                                         const std::string& fallback_folder,
                                                         std::string* reason) {
  for (const std::string& folder : {platform::TempFolder(), fallback_folder}) {
    if (folder.empty()) continue;
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
  }
  return std::nullopt;
}

}  // namespace engine
