#pragma once
// A scratch file for the sorted runs that the walks write (policy keys, claims' keys): created
// in the system's temporary folder under a unique name and unlinked at once where the system
// allows it, so nothing is left behind whatever ends the run (on Windows the system deletes it
// when it is closed).

#include <optional>
#include <string>
#include <string_view>

#include "platform/exclusive_file.h"

namespace engine {

// nullopt when no scratch file could be made; `*reason` (when given) then says why.
std::optional<platform::ExclusiveFile> CreateScratchFile(std::string_view stem,
                                                         std::string* reason = nullptr);

}  // namespace engine
