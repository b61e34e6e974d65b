#pragma once
// The result codes of opening a file through the desktop, with the messages shown for them.
// A result above 32 means the file was opened; 32 or below is an error code.

#include <string_view>

namespace frontend {

inline constexpr int kShellOpened = 33;  // any success
inline constexpr int kShellFileNotFound = 2;
inline constexpr int kShellPathNotFound = 3;
inline constexpr int kShellNoAssociation = 31;

// The message for an error code, or an empty view for a success and for the codes that are
// reported without a message (0, 1, 4, 6, 7, 9, 10, 12 to 25).
std::string_view ShellMessage(int code);

}  // namespace frontend
