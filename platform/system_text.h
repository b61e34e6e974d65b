#pragma once
// The system's own texts (error reasons from strerror or the system's messages) as UTF-8, so
// that a message joining one with a UTF-8 path reads right: on Windows SystemErrorText gives
// UTF-8 already and the C library's texts come in the ANSI code page; elsewhere they come in
// the locale's encoding, which is UTF-8 here.

#include <string>
#include <string_view>

namespace platform {

std::string SystemTextToUtf8(std::string_view text);

}  // namespace platform
