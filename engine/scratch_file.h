#pragma once
// A scratch file for what the walks and the extract set aside (policy keys, claims' keys, the
// extract's record numbers): created under a unique name in the system's temporary folder
// (TMPDIR on POSIX), or in `fallback_folder` (the catalogue folder, where the index may go)
// when the temporary folder takes no files, and unlinked at once where the system allows it, so
// nothing is left behind whatever ends the run (on Windows the system deletes it when it is
// closed).

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/exclusive_file.h"

namespace engine {

// The folders a scratch file may go in, in the order tried: the temporary folder, then
// `fallback_folder` (ends with the path separator; empty: none).
std::vector<std::string> ScratchFolders(const std::string& fallback_folder);

// A scratch file in `folder`; nullopt with the system's reason in `*reason` (when given).
std::optional<platform::ExclusiveFile> CreateScratchFileIn(const std::string& folder,
                                                           std::string_view stem,
                                                           std::string* reason = nullptr);

// A scratch file in the first of ScratchFolders() that takes one; nullopt when none does,
// `*reason` (when given) then says why the last failed.
std::optional<platform::ExclusiveFile> CreateScratchFile(std::string_view stem,
                                                         const std::string& fallback_folder,
                                                         std::string* reason = nullptr);

}  // namespace engine
