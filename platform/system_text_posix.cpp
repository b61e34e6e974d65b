#include "platform/system_text.h"

namespace platform {

std::string SystemTextToUtf8(std::string_view text) { return std::string(text); }

}  // namespace platform
