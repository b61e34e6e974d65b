#include "platform/console.h"

namespace platform {

bool IsConsole(int /*fd*/) { return false; }

bool WriteConsoleText(int /*fd*/, std::string_view /*text*/) { return false; }

}  // namespace platform
