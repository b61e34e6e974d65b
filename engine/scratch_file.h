#pragma once
// A scratch file for the sorted runs that the walks write (policy keys, claims' keys): created
// under a unique name in the system's temporary folder, or in `fallback_folder` (the program's
// folder, where the index may go) when the temporary folder takes no files, and unlinked at once
// where the system allows it, so nothing is left behind whatever ends the run (on Windows the
// system deletes it when it is closed).

#include <optional>
#include <string>
#include <string_view>

#include "platform/exclusive_file.h"

namespace engine {

// nullopt when no scratch file could be made; `*reason` (when given) then says why.
// `fallback_folder` ends with the path separator (or is empty: none).
std::optional<platform::ExclusiveFile> CreateScratchFile(std::string_view stem,
                                                         const std::string& fallback_folder,
                                                         std::string* reason = nullptr);

}  // namespace engine
