#pragma once
// The system's own texts (error reasons from strerror or FormatMessageA) as UTF-8, so that a
// message joining one with a UTF-8 path reads right: on Windows they come in the ANSI code page,
// elsewhere in the locale's encoding, which is UTF-8 here.

#include <string>
#include <string_view>

namespace platform {

std::string SystemTextToUtf8(std::string_view text);

}  // namespace platform
