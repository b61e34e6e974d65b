#pragma once
// Line shapes of the report and the text of the error box.

#include <string>
#include <string_view>

namespace engine {

// A rule line: exactly 80 "=" characters.
inline constexpr std::string_view kRuleLine =
    "================================================================================";

// The text of the error message box for an error that ended a run: the message, with a period
// added when its last character sorts after "." (so `Open error "PATH"` gets none).
std::string ErrorBoxText(std::string_view message);

}  // namespace engine
